// SPDX-License-Identifier: GPL-3.0-or-later
#include "form1.h"

#include "accessibility.h"
#include "angles.h"
#include "boxicons.h"
#include "clientarea.h"
#include "colors.h"
#include "controls.h"
#include "menustrip.h"
#include "pictures.h"
#include "texts.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGuiApplication>
#include <QIcon>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>
#include <vector>

namespace {

// The window's fonts by the names they were designed with, each followed by a metric-compatible
// (or, for the heavy face, similar) font installed with the game where the first is missing.
enum class Face { SansSerif, Serif, Heavy };

// The family to use for a face: the designed one where installed, else its stand-in. Looked up
// once: asking the font system for a missing family is slow.
QString familyFor(Face face)
{
    static const QStringList installed = QFontDatabase::families();
    const auto pick = [](const char *designed, const char *standIn) {
        const QString d = QLatin1String(designed);
        return installed.contains(d) ? d : QString::fromLatin1(standIn);
    };
    switch (face) {
    case Face::SansSerif: {
        static const QString family = pick("MS Sans Serif", "Liberation Sans");
        return family;
    }
    case Face::Serif: {
        static const QString family = pick("Times New Roman", "Liberation Serif");
        return family;
    }
    case Face::Heavy:
        break;
    }
    static const QString family = pick("Arial Black", "Lato");
    return family;
}

QFont designFont(Face face, int pixelSize, bool bold)
{
    QFont font(familyFor(face));
    // Sizes are in pixels: the layout is in pixels, and so stays as designed whatever the
    // logical DPI. (Points at 96 DPI: 8.25 pt is 11 px, 13.5 pt is 18 px, and so on.)
    font.setPixelSize(pixelSize);
    font.setWeight(face == Face::Heavy ? QFont::Black : bold ? QFont::Bold : QFont::Normal);
    return font;
}

// The font of controls with no font of their own.
QFont defaultFont()
{
    return designFont(Face::SansSerif, 11, false);
}

constexpr BgrColor transparent = 0xFFFFFFFF; // no background of its own
constexpr BgrColor windowText = 0xFFFFFFFE;  // the window's text colour

struct LabelDesign
{
    const char *name;
    int index = -1; // index in its control array, or -1
    QRect geometry;
    const QString &caption;
    BgrColor background = transparent;
    BgrColor text;
    QFont font;
    bool border = false;
    bool centred = false;
    bool fitsText = false;
    const QString *toolTip = nullptr;
    std::optional<Label> role = {};  // set on the labels the game writes
    const QString *spoken = nullptr; // what a screen reader says of them, before their text
};

const QString noCaption;

// The background of a transparent label that changes often and under which nothing is ever
// drawn: filled with the colour of the window it lies on, it looks the same, and Qt repaints it
// alone instead of the window and the drawing under it.
constexpr BgrColor onTheWindow = Form1::backColor;

// The labels, from the bottom of the stack up.
std::vector<LabelDesign> labelDesigns()
{
    const QFont sans = designFont(Face::SansSerif, 18, false);
    const QFont sansBold = designFont(Face::SansSerif, 18, true);
    const QFont counter = designFont(Face::Serif, 48, true);
    return {
        {.name = "lblnome1",
         .geometry = {104, 440, 56, 24},
         .caption = texts::labelPlaceholder,
         .text = 0x00FF00FF,
         .font = sans,
         .fitsText = true,
         .role = Label::lblnome1,
         .spoken = &texts::spokenPlayer},
        {.name = "Label6",
         .index = 0,
         .geometry = {8, 328, 131, 28},
         .caption = texts::correctHeading,
         .background = 0x00FFFF80,
         .text = 0x0000FF00,
         .font = sans,
         .border = true,
         .centred = true,
         .fitsText = true},
        {.name = "Label1",
         .geometry = {16, 440, 74, 24},
         .caption = texts::challengerHeading,
         .text = 0x00FF00FF,
         .font = designFont(Face::Serif, 21, true),
         .centred = true,
         .fitsText = true},
        {.name = "Label3",
         .geometry = {360, 0, 113, 33},
         .caption = texts::recordPointsHeading,
         .text = 0x00FF0000,
         .font = sansBold},
        {.name = "Label2",
         .geometry = {8, 0, 119, 24},
         .caption = texts::recordHeading,
         .text = 0x00FF0000,
         .font = sansBold,
         .fitsText = true},
        {.name = "tempo",
         .geometry = {552, 32, 169, 41},
         .caption = texts::timeHeading,
         .text = 0x0080FFFF,
         .font = sansBold,
         .border = true,
         .centred = true},
        {.name = "lblnome",
         .geometry = {128, 0, 64, 24},
         .caption = texts::labelPlaceholder,
         .text = 0x00FF0000,
         .font = sansBold,
         .centred = true,
         .fitsText = true,
         .role = Label::lblnome,
         .spoken = &texts::spokenRecordHolder},
        {.name = "lblpunti",
         .geometry = {464, 0, 81, 65},
         .caption = texts::labelPlaceholder,
         .text = 0x00FF0000,
         .font = sansBold,
         .role = Label::lblpunti,
         .spoken = &texts::spokenRecordScore},
        {.name = "Label6",
         .index = 1,
         .geometry = {576, 328, 139, 28},
         .caption = texts::wrongHeading,
         .background = 0x00FFFF00,
         .text = 0x000000FF,
         .font = sans,
         .border = true,
         .centred = true,
         .fitsText = true},
        {.name = "lblScore1",
         .geometry = {632, 368, 36, 59},
         .caption = texts::noCount,
         .background = 0x00FFFFC0,
         .text = 0x000000FF,
         .font = counter,
         .border = true,
         .centred = true,
         .fitsText = true,
         .role = Label::lblScore1,
         .spoken = &texts::spokenWrong},
        {.name = "lblconto",
         .geometry = {568, 88, 137, 41},
         .caption = texts::clockAtCreation,
         .background = onTheWindow,
         .text = 0x0000FFFF,
         .font = designFont(Face::Heavy, 24, true),
         .border = true,
         .centred = true,
         .role = Label::lblconto,
         .spoken = &texts::spokenClock},
        {.name = "lblScore",
         .geometry = {48, 368, 37, 59},
         .caption = texts::noCount,
         .background = 0x00FFFFC0,
         .text = 0x0000FF00,
         .font = counter,
         .border = true,
         .centred = true,
         .fitsText = true,
         .toolTip = &texts::scoreToolTip,
         .role = Label::lblScore,
         .spoken = &texts::spokenCorrect},
        {.name = "lblangolo",
         .geometry = {24, 144, 89, 49},
         .caption = noCaption,
         .background = onTheWindow,
         .text = 0x00FF00FF,
         .font = designFont(Face::SansSerif, 32, true),
         .border = true,
         .centred = true,
         .role = Label::lblangolo,
         .spoken = &texts::spokenAmplitude},
        {.name = "Label4",
         .geometry = {16, 64, 113, 65},
         .caption = texts::amplitudeHeading,
         .text = windowText,
         .font = designFont(Face::SansSerif, 24, true)},
    };
}

TextLabel *makeLabel(QWidget *parent, const LabelDesign &d)
{
    auto *label = new TextLabel(d.geometry, d.fitsText, d.border, parent);
    label->setObjectName(QLatin1String(d.name));
    if (d.index >= 0)
        label->setProperty("index", d.index);
    label->setFont(d.font);
    // Labels show their text as it is: a name or a record file is never read as markup.
    label->setTextFormat(Qt::PlainText);
    label->setAlignment((d.centred ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop);
    label->setWordWrap(!d.fitsText && d.geometry.height() > 2 * QFontMetrics(d.font).height() - 4);
    // Labels react to nothing, but the mouse must reach one with a tooltip for it to show.
    label->setAttribute(Qt::WA_TransparentForMouseEvents, !d.toolTip);
    label->setFocusPolicy(Qt::NoFocus);

    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText,
                     d.text == windowText ? QColor(Qt::black) : fromBgr(d.text));
    if (d.background != transparent) {
        palette.setColor(QPalette::Window, fromBgr(d.background));
        label->setAutoFillBackground(true);
    }
    label->setPalette(palette);
    if (d.toolTip)
        label->setToolTip(*d.toolTip);
    label->setText(d.caption);
    return label;
}

// The width a label needs for its text: the text, its frame and a pixel either side.
int widthFor(const QLabel *label)
{
    return QFontMetrics(label->font()).horizontalAdvance(label->text()) + 2 * label->frameWidth() +
           2;
}

// A label that fits its text takes the width its text needs, wider or narrower, keeping its left
// edge.
void fitToText(TextLabel *label)
{
    if (label->fitsText())
        label->resize(widthFor(label), label->height());
}

} // namespace

Form1::Form1(QWidget *parent)
    : QWidget(parent,
              Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    installAccessibleInterfaces();
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(texts::windowTitle);
    setWindowIcon(picture("app"));
    shareBoxIcons();
    // The boxes of the start, shown before this window, carry the game's icon too.
    if (QGuiApplication::windowIcon().isNull())
        QGuiApplication::setWindowIcon(windowIcon());
    // A tool window would not end the program when closed; this one is the program.
    setAttribute(Qt::WA_QuitOnClose, true);

    m_menu = new MenuStrip(this);
    m_client = new ClientArea(clientSize, backColor, this);
    m_client->setObjectName(QStringLiteral("client"));
    m_client->setFixedSize(clientSize);
    QPalette palette = m_client->palette();
    palette.setColor(QPalette::Window, fromBgr(backColor));
    m_client->setPalette(palette);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(m_menu);
    layout->addWidget(m_client);

    buildMenu();
    buildLightweightControls();
    buildWindowedControls();

    m_timer1.setInterval(1000);
    connect(&m_timer1, &QTimer::timeout, this, &Form1::timerTicked);

    m_narrator = new Narrator(*this);
    m_command1->setFocus(Qt::OtherFocusReason);
}

Form1::~Form1()
{
    // Nothing the window does while it is taken apart reaches the game any more.
    blockSignals(true);
}

void Form1::buildMenu()
{
    const std::pair<const char *, const QString &> items[] = {
        {"help", texts::helpCaption},
        {"acuto", texts::answerCaptions[Acute]},
        {"retto", texts::answerCaptions[Right]},
        {"ottuso", texts::answerCaptions[Obtuse]},
        {"piatto", texts::answerCaptions[Straight]},
        {"concavo", texts::answerCaptions[Concave]},
        {"grio", texts::answerCaptions[Full]},
        {"copy", texts::creditAuthors},
        {"by", texts::creditContact},
        {"oko", texts::creditAddress},
    };
    for (const auto &[name, caption] : items)
        m_menu->addItem(QLatin1String(name), caption);
    connect(m_menu, &MenuStrip::triggered, this, &Form1::menuTriggered);
    installEventFilter(m_menu); // F10 and Alt open the menu from any control
}

void Form1::buildLightweightControls()
{
    // Bottom of the stack first: each control created covers those created before it.
    auto *shape2 = new ShapeRect(0x00C0FFFF, 0x00FF0000, m_client);
    shape2->setObjectName(QStringLiteral("Shape2"));
    shape2->setGeometry(0, 0, 729, 25);

    auto *image1 = new QLabel(m_client);
    image1->setObjectName(QStringLiteral("Image1"));
    image1->setProperty("index", 1);
    image1->setGeometry(520, 64, 32, 32);
    image1->setPixmap(picture("giro").pixmap(QSize(32, 32)));
    image1->setAttribute(Qt::WA_TransparentForMouseEvents);

    for (const LabelDesign &design : labelDesigns()) {
        TextLabel *label = makeLabel(m_client, design);
        // As designed, unless this machine's font needs more room for the designed caption.
        if (design.fitsText)
            label->resize(std::max(label->width(), widthFor(label)), label->height());
        if (design.role) {
            const auto role = static_cast<size_t>(*design.role);
            m_labels[role] = label;
            m_spoken[role] = design.spoken;
            label->setAccessibleName(design.spoken->arg(design.caption));
        }
    }

    auto *shape1 = new ShapeRect(0x00400000, 0x00FF0000, m_client);
    shape1->setObjectName(QStringLiteral("Shape1"));
    shape1->setGeometry(0, 488, 721, 97);
}

void Form1::buildWindowedControls()
{
    // Bottom of the stack first, as above; all of them lie above the labels and shapes.
    auto *picture1 = new PictureBox(m_client);
    picture1->setObjectName(QStringLiteral("Picture1"));
    picture1->setGeometry(256, 504, 97, 57);
    picture1->setPicture(picture("cornice").pixmap(QSize(95, 31)));

    m_command1 = new PushButton(texts::goCaption, m_client);
    m_command1->setObjectName(QStringLiteral("Command1"));
    m_command1->setGeometry(16, 512, 73, 41);
    m_command1->setFont(defaultFont());
    m_command1->setAutoDefault(false);
    connect(m_command1, &QPushButton::clicked, this, &Form1::command1Clicked);

    auto *command2 = new GraphicalButton(m_client);
    command2->setObjectName(QStringLiteral("Command2"));
    command2->setGeometry(144, 520, 81, 45);
    command2->setText(texts::practiceCaption);
    command2->setFont(designFont(Face::SansSerif, 11, true));
    command2->setBackColor(0x00C0C0C0);
    command2->setIconSize(QSize(50, 80));
    command2->setIcon(picture("nota", "nota-grigia"));
    command2->setToolTip(texts::practiceToolTip);
    command2->setCursor(QCursor(picture("nota").pixmap(QSize(20, 32)), 10, 2));
    connect(command2, &QAbstractButton::clicked, this, &Form1::command2Clicked);

    auto *command4 = new PushButton(texts::command4Caption, m_client);
    command4->setObjectName(QStringLiteral("Command4"));
    command4->setGeometry(48, 496, 49, 57);
    command4->setFont(defaultFont());
    command4->setAutoDefault(false);
    connect(command4, &QPushButton::clicked, this, &Form1::command4Clicked);

    const char *answerPictures[] = {"", "acuto", "retto", "ottuso", "piatto", "concavo", "giro"};
    const BgrColor answerText[] = {0,          0x00FFFF00, 0x00FFFF80, 0x00FFFF00,
                                   0x00FFFF80, 0x00FFFF00, 0x00FFFF00};
    const QFont answerFont = designFont(Face::SansSerif, 13, true);
    for (int i = 1; i <= 6; ++i) {
        auto *button = new GraphicalButton(m_client);
        button->setObjectName(QStringLiteral("Option1"));
        button->setProperty("index", i);
        button->setGeometry(8 + 120 * (i - 1), 496, 105, 73);
        button->setText(texts::answerCaptions[i]);
        button->setFont(answerFont);
        button->setIcon(picture(answerPictures[i]));
        button->setBackColor(backColor);
        button->setForeColor(answerText[i]);
        button->setToolTip(texts::answerToolTip);
        button->setCheckable(true);
        connect(button, &GraphicalButton::selectedByPlayer, this, [this, i] {
            selectOption(i);
            emit optionClicked(i);
        });
        connect(button, &GraphicalButton::focusReceived, this,
                [this, i](Qt::FocusReason reason) { emit optionFocused(i, reason); });
        m_options[size_t(i)] = button;
    }
    // Created disabled; the first turn enables it before the window is seen.
    m_options[1]->setEnabled(false);

    auto *exit = new GraphicalButton(m_client);
    exit->setObjectName(QStringLiteral("Cmdexit1"));
    exit->setGeometry(592, 232, 105, 57);
    exit->setText(texts::exitCaption);
    exit->setFont(defaultFont());
    exit->setIcon(picture("esci"));
    exit->setBackColor(0x00FF00FF);
    exit->setToolTip(texts::exitToolTip);
    connect(exit, &QAbstractButton::clicked, this, &Form1::exitClicked);

    // Go, Command4, Nuova nota and the picture lie wholly under answer buttons: nobody sees them,
    // so they are not painted while those buttons show. They still take the focus.
    m_covered = {m_command1, command4, command2, picture1};
    paintOnlyUncovered();

    // Tab order: Go, Nuova nota, Command4, the six answers, the picture, Esci.
    QWidget *chain[] = {m_command1,   command2,     command4,     m_options[1],
                        m_options[2], m_options[3], m_options[4], m_options[5],
                        m_options[6], picture1,     exit};
    for (size_t i = 1; i < std::size(chain); ++i)
        setTabOrder(chain[i - 1], chain[i]);
}

GraphicalButton *Form1::option(int index) const
{
    Q_ASSERT(index >= 1 && index <= 6);
    return m_options[size_t(index)];
}

QLabel *Form1::label(Label which) const
{
    return m_labels[static_cast<size_t>(which)];
}

const Canvas &Form1::canvas() const
{
    return m_client->canvas();
}

void Form1::clearDrawing()
{
    m_client->canvas().clear();
    m_client->updateChangedDrawing();
}

void Form1::setFillColor(BgrColor color)
{
    m_client->canvas().setFillColor(color);
}

void Form1::pigrecoesettore(float X, float Y, float radius, BgrColor color, float start_ang,
                            float end_ang)
{
    ::pigrecoesettore(m_client->canvas(), X, Y, radius, color, start_ang, end_ang);
    m_client->updateChangedDrawing();
}

void Form1::setLabelText(Label which, const QString &text)
{
    TextLabel *l = m_labels[static_cast<size_t>(which)];
    l->setText(text);
    fitToText(l);
    l->setAccessibleName(m_spoken[static_cast<size_t>(which)]->arg(text.trimmed()));
    m_narrator->labelChanged(which, text);
}

QString Form1::labelText(Label which) const
{
    return label(which)->text();
}

void Form1::setOptionBackColor(int index, BgrColor color)
{
    option(index)->setBackColor(color);
}

void Form1::setOptionForeColor(int index, BgrColor color)
{
    option(index)->setForeColor(color);
}

void Form1::setOptionVisible(int index, bool visible)
{
    if (option(index)->isVisibleTo(m_client) == visible)
        return;
    option(index)->setVisible(visible);
    paintOnlyUncovered();
}

// A control under a shown answer button is not painted: Qt would paint it at every frame only for
// the button to cover it again.
void Form1::paintOnlyUncovered()
{
    for (QWidget *control : m_covered) {
        const bool covered = std::any_of(m_options.begin() + 1, m_options.end(), [&](QWidget *o) {
            return o->isVisibleTo(m_client) && o->geometry().contains(control->geometry());
        });
        control->setUpdatesEnabled(!covered);
    }
}

void Form1::setOptionEnabled(int index, bool enabled)
{
    option(index)->setEnabled(enabled);
}

void Form1::setOptionSelected(int index, bool selected)
{
    if (selected)
        selectOption(index);
    else
        option(index)->setChecked(false);
}

bool Form1::isOptionSelected(int index) const
{
    return option(index)->isChecked();
}

// The answer buttons are one exclusive group, kept here rather than by a QButtonGroup so that
// code can clear every selection and arrow keys never move the selection.
void Form1::selectOption(int index)
{
    for (int i = 1; i <= 6; ++i)
        option(i)->setChecked(i == index);
}

void Form1::setCommand1Visible(bool visible)
{
    m_command1->setVisible(visible);
}

// Before the window is shown (the start of a game), boxes have no window to stand over: they are
// centred on the screen instead.
QWidget *Form1::boxParent()
{
    return isVisible() ? this : nullptr;
}

void Form1::showCentred()
{
    adjustSize();
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    show();
}

void Form1::showMessage(const QString &text, MessageIcon icon, const QString &title)
{
    QMessageBox box(boxParent());
    box.setWindowTitle(title);
    box.setTextFormat(Qt::PlainText);
    // A box reads left to right, as Italian does, even when its text begins with a name written
    // right to left (the greeting): a mark that shows nothing sets the direction of the paragraph.
    box.setText(text.isRightToLeft() ? QChar(0x200E) + text : text);
    switch (icon) {
    case MessageIcon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case MessageIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case MessageIcon::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    }
    box.setStandardButtons(QMessageBox::Ok);
    // Wide enough that the title bar shows the whole title, however short the text.
    if (auto *grid = qobject_cast<QGridLayout *>(box.layout()))
        grid->addItem(new QSpacerItem(260, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
    // Its controls' requests to be polished, still waiting, are handled now: handled once the box
    // shows, they would make it size itself, and lay its text out, all over again.
    for (QWidget *control : box.findChildren<QWidget *>())
        QCoreApplication::sendPostedEvents(control, QEvent::PolishRequest);
    box.exec();
}

QString Form1::inputBox(const QString &prompt, const QString &title)
{
    QInputDialog box(boxParent());
    box.setWindowTitle(title);
    box.setLabelText(prompt);
    box.setInputMode(QInputDialog::TextInput);
    box.setTextValue(QString());
    // Wide enough for its title and a long name.
    if (auto *field = box.findChild<QLineEdit *>())
        field->setMinimumWidth(320);
    return box.exec() == QDialog::Accepted ? box.textValue() : QString();
}

void Form1::setTimerEnabled(bool enabled)
{
    if (enabled)
        m_timer1.start();
    else
        m_timer1.stop();
}

void Form1::endProgram()
{
    m_timer1.stop();
    hide();
    QCoreApplication::exit(0);
}

void Form1::closeEvent(QCloseEvent *event)
{
    // The close box ends the program at once, without the goodbye.
    m_timer1.stop();
    emit closing();
    event->accept();
    QCoreApplication::exit(0);
}
