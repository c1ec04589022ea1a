// SPDX-License-Identifier: GPL-3.0-or-later
#include "form1.h"

#include "accessibleinterfaces.h"
#include "boxicons.h"
#include "boxtext.h"
#include "clientarea.h"
#include "closeonrelease.h"
#include "colors.h"
#include "controls.h"
#include "design.h"
#include "game/texts.h"
#include "keeponscreen.h"
#include "menustrip.h"
#include "narrator.h"
#include "pictures.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGuiApplication>
#include <QIcon>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>
#include <vector>

// A plain top-level window with a close box only. Not a tool window: X desktops (GNOME, KDE)
// give a utility window no keyboard focus when it opens, nor a place in Alt+Tab and the overview.
Form1::Form1(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint)
{
    installAccessibleInterfaces();
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(texts::windowTitle);
    setWindowIcon(picture("app"));
    shareBoxIcons();
    // The boxes of the start, shown before this window, carry the game's icon too.
    if (QGuiApplication::windowIcon().isNull())
        QGuiApplication::setWindowIcon(windowIcon());

    m_menu = new MenuStrip(this);
    m_client = new ClientArea(clientSize, windowBackColor, this);
    m_client->setObjectName(QStringLiteral("client"));
    m_client->setFixedSize(clientSize);
    QPalette palette = m_client->palette();
    palette.setColor(QPalette::Window, fromBgr(windowBackColor));
    m_client->setPalette(palette);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(m_menu);
    layout->addWidget(m_client);

    buildMenu();
    buildShapesAndLabels();
    buildButtons();

    m_timer1.setInterval(1000);
    connect(&m_timer1, &QTimer::timeout, this, &Form1::timerTicked);

    NarratedControls narrated{.window = this,
                              .clientArea = m_client,
                              .go = m_command1,
                              .practice = m_practice,
                              .newTurn = m_newTurn,
                              .exit = m_exit,
                              .picture = m_picture,
                              .menuItems = m_menuItems};
    std::copy(m_options.begin() + 1, m_options.end(), narrated.answers.begin());
    std::copy(m_labels.begin(), m_labels.end(), narrated.labels.begin());
    m_narrator = new Narrator(narrated);
    keepOnScreen(this);
    m_command1->setFocus(Qt::OtherFocusReason);
}

Form1::~Form1()
{
    // Nothing the window does while it is taken apart reaches the game any more.
    blockSignals(true);
}

void Form1::buildMenu()
{
    for (const MenuItemDesign &item : menuItemDesigns())
        m_menuItems << m_menu->addItem(QLatin1String(item.name), item.caption);
    connect(m_menu, &MenuStrip::triggered, this, &Form1::menuTriggered);
    installEventFilter(m_menu); // F10 and Alt open the menu from any control
}

void Form1::buildShapesAndLabels()
{
    // Bottom of the stack first: each control created covers those created before it.
    makeShape(m_client, topStrip);
    makeImage(m_client, badge);
    for (const LabelDesign &design : labelDesigns()) {
        TextLabel *label = makeLabel(m_client, design);
        if (design.role)
            m_labels[static_cast<size_t>(*design.role)] = label;
    }
    makeShape(m_client, answerBand);
}

void Form1::buildButtons()
{
    // Bottom of the stack first, as above; all of them lie above the labels and shapes.
    std::vector<std::pair<int, QWidget *>> tabOrder;
    for (const ButtonDesign &design : buttonDesigns()) {
        QWidget *control = makeButton(m_client, design);
        tabOrder.emplace_back(design.tab, control);
        auto *button = qobject_cast<QAbstractButton *>(control);
        switch (design.role) {
        case ButtonRole::Go:
            m_command1 = button;
            connect(button, &QAbstractButton::clicked, this, &Form1::goClicked);
            break;
        case ButtonRole::Practice:
            m_practice = button;
            connect(button, &QAbstractButton::clicked, this, &Form1::practiceClicked);
            break;
        case ButtonRole::NewTurn:
            m_newTurn = button;
            connect(button, &QAbstractButton::clicked, this, &Form1::newTurnClicked);
            break;
        case ButtonRole::Exit:
            m_exit = button;
            connect(button, &QAbstractButton::clicked, this, &Form1::exitClicked);
            break;
        case ButtonRole::Answer: {
            const int i = design.index;
            auto *answer = static_cast<GraphicalButton *>(control);
            connect(answer, &GraphicalButton::selectedByPlayer, this, [this, i] {
                selectOption(i);
                emit optionClicked(i);
            });
            connect(answer, &GraphicalButton::focusReceived, this,
                    [this, i](Qt::FocusReason reason) { emit optionFocused(i, reason); });
            m_options[size_t(i)] = answer;
            continue;
        }
        case ButtonRole::None:
            if (design.kind == ButtonKind::Picture)
                m_picture = control;
            break;
        }
        m_covered.push_back(control);
    }

    // Go, Command4, Nuova nota and the picture lie wholly under answer buttons: nobody sees them,
    // so they are not painted while those buttons show. They still take the focus.
    paintOnlyUncovered();

    std::sort(tabOrder.begin(), tabOrder.end());
    for (size_t i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1].second, tabOrder[i].second);
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
    m_narrator->sectorDrawn(
        QRectF(X - radius, Y - radius, 2 * radius + 1, 2 * radius + 1).toRect());
}

void Form1::setLabelText(Label which, const QString &text)
{
    TextLabel *l = m_labels[static_cast<size_t>(which)];
    l->setFittedText(text);
    m_narrator->labelChanged(which, text);
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
// the button to cover it again. The others are.
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
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        const QPoint centred = available.center() - rect().center();
        // A window larger than the screen keeps its top-left corner, its title bar and its menu
        // on the screen: they are what a player needs to reach first.
        move(std::max(centred.x(), available.left()), std::max(centred.y(), available.top()));
    }
    show();
}

void Form1::showMessage(const QString &text, MessageIcon icon, const QString &title)
{
    auto box = std::make_unique<QMessageBox>(boxParent());
    keepOnScreen(box.get());
    closeOnKeyRelease(box.get());
    box->setWindowTitle(title);
    box->setTextFormat(Qt::PlainText);
    // A box reads left to right, as Italian does, even when its text begins with a name written
    // right to left (the greeting): a mark that shows nothing sets the direction of the paragraph.
    box->setText(text.isRightToLeft() ? QChar(0x200E) + text : text);
    switch (icon) {
    case MessageIcon::None:
        box->setIcon(QMessageBox::NoIcon);
        break;
    case MessageIcon::Information:
        box->setIcon(QMessageBox::Information);
        break;
    case MessageIcon::Exclamation:
        box->setIcon(QMessageBox::Warning);
        break;
    }
    box->setStandardButtons(QMessageBox::Ok);
    // Wide enough that the title bar shows the whole title, however short the text.
    if (auto *grid = qobject_cast<QGridLayout *>(box->layout()))
        grid->addItem(new QSpacerItem(boxMinimumWidth, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
    m_narrator->boxOpening(box.get());
    selectableOncePainted(box.get());
    // Its controls' requests to be polished, still waiting, are handled now: handled once the box
    // shows, they would make it size itself, and lay its text out, all over again.
    for (QWidget *control : box->findChildren<QWidget *>())
        QCoreApplication::sendPostedEvents(control, QEvent::PolishRequest);
    box->exec();
}

QString Form1::inputBox(const QString &prompt, const QString &title)
{
    auto box = std::make_unique<QInputDialog>(boxParent());
    keepOnScreen(box.get());
    closeOnKeyRelease(box.get());
    box->setWindowTitle(title);
    box->setLabelText(prompt);
    box->setInputMode(QInputDialog::TextInput);
    box->setTextValue(QString());
    // Wide enough for its title and a long name.
    if (auto *field = box->findChild<QLineEdit *>())
        field->setMinimumWidth(nameFieldWidth);
    return box->exec() == QDialog::Accepted ? box->textValue() : QString();
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
