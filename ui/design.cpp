// SPDX-License-Identifier: GPL-3.0-or-later
#include "design.h"

#include "colors.h"
#include "controls.h"
#include "game/angles.h"
#include "game/texts.h"
#include "pictures.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QPushButton>

#include <algorithm>

namespace {

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

const QString noCaption;

// The background of a transparent label that changes often and under which nothing is ever
// drawn: filled with the colour of the window it lies on, it looks the same, and Qt repaints it
// alone instead of the window and the drawing under it.
constexpr BgrColor onTheWindow = windowBackColor;

} // namespace

QFont designFont(Face face, int pixelSize, bool bold)
{
    QFont font(familyFor(face));
    // Sizes are in pixels: the layout is in pixels, and so stays as designed whatever the
    // logical DPI. (Points at 96 DPI: 8.25 pt is 11 px, 13.5 pt is 18 px, and so on.)
    font.setPixelSize(pixelSize);
    font.setWeight(face == Face::Heavy ? QFont::Black : bold ? QFont::Bold : QFont::Normal);
    return font;
}

QFont defaultFont()
{
    return designFont(Face::SansSerif, 11, false);
}

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
    palette.setColor(QPalette::WindowText, d.text ? fromBgr(*d.text) : QColor(Qt::black));
    if (d.background) {
        palette.setColor(QPalette::Window, fromBgr(*d.background));
        label->setAutoFillBackground(true);
    }
    label->setPalette(palette);
    if (d.toolTip)
        label->setToolTip(*d.toolTip);
    label->setText(d.caption);
    // As designed, unless this machine's font needs more room for the designed caption.
    if (d.fitsText)
        label->resize(std::max(label->width(), label->widthForText()), label->height());
    return label;
}

ShapeRect *makeShape(QWidget *parent, const ShapeDesign &d)
{
    auto *shape = new ShapeRect(d.fill, d.outline, parent);
    shape->setObjectName(QLatin1String(d.name));
    shape->setGeometry(d.geometry);
    return shape;
}

QLabel *makeImage(QWidget *parent, const ImageDesign &d)
{
    auto *image = new QLabel(parent);
    image->setObjectName(QLatin1String(d.name));
    if (d.index >= 0)
        image->setProperty("index", d.index);
    image->setGeometry(d.geometry);
    image->setPixmap(picture(d.picture).pixmap(d.geometry.size()));
    image->setAttribute(Qt::WA_TransparentForMouseEvents);
    return image;
}

std::vector<ButtonDesign> buttonDesigns()
{
    const QFont answer = designFont(Face::SansSerif, 13, true);
    const QString *answerTip = &texts::answerToolTip;
    // The six answers, in one row along the band; their colours are the window's until the
    // first turn gives them their own.
    const auto answerRow = [&](int index, int left, const char *picture) {
        return ButtonDesign{.name = "Option1",
                            .index = index,
                            .kind = ButtonKind::Graphical,
                            .role = ButtonRole::Answer,
                            .geometry = {left, 496, 105, 73},
                            .caption = &texts::answerCaptions[index],
                            .back = windowBackColor,
                            .font = answer,
                            .picture = picture,
                            .toolTip = answerTip,
                            .tab = 18 + index};
    };
    ButtonDesign acute = answerRow(Acute, 8, "acuto");
    acute.enabled = false; // until the first turn, before the window is seen
    return {
        {.name = "Picture1",
         .kind = ButtonKind::Picture,
         .geometry = {256, 504, 97, 57},
         .picture = "cornice",
         .pictureSize = {95, 31},
         .tab = 26},
        {.name = "Command1",
         .kind = ButtonKind::Push,
         .role = ButtonRole::Go,
         .geometry = {16, 512, 73, 41},
         .caption = &texts::goCaption,
         .font = defaultFont(),
         .tab = 0},
        {.name = "Command2",
         .kind = ButtonKind::Graphical,
         .role = ButtonRole::Practice,
         .geometry = {144, 520, 81, 45},
         .caption = &texts::practiceCaption,
         .back = 0x00C0C0C0,
         .font = designFont(Face::SansSerif, 11, true),
         .picture = "nota",
         .disabledPicture = "nota-grigia",
         .pictureSize = {50, 80},
         .pointer = "nota",
         .toolTip = &texts::practiceToolTip,
         .tab = 17},
        {.name = "Command4",
         .kind = ButtonKind::Push,
         .role = ButtonRole::NewTurn,
         .geometry = {48, 496, 49, 57},
         .caption = &texts::command4Caption,
         .font = defaultFont(),
         .tab = 18},
        acute,
        answerRow(Right, 128, "retto"),
        answerRow(Obtuse, 248, "ottuso"),
        answerRow(Straight, 368, "piatto"),
        answerRow(Concave, 488, "concavo"),
        answerRow(Full, 608, "giro"),
        {.name = "Cmdexit1",
         .kind = ButtonKind::Graphical,
         .role = ButtonRole::Exit,
         .geometry = {592, 232, 105, 57},
         .caption = &texts::exitCaption,
         .back = 0x00FF00FF,
         .font = defaultFont(),
         .picture = "esci",
         .toolTip = &texts::exitToolTip,
         .tab = 29},
    };
}

QWidget *makeButton(QWidget *parent, const ButtonDesign &d)
{
    QWidget *control = nullptr;
    switch (d.kind) {
    case ButtonKind::Push: {
        auto *button = new PushButton(*d.caption, parent);
        button->setAutoDefault(false);
        control = button;
        break;
    }
    case ButtonKind::Graphical: {
        auto *button = new GraphicalButton(parent);
        button->setText(*d.caption);
        if (d.pictureSize.isValid())
            button->setIconSize(d.pictureSize);
        button->setIcon(d.disabledPicture ? picture(d.picture, d.disabledPicture)
                                          : picture(d.picture));
        if (d.back)
            button->setBackColor(*d.back);
        button->setCheckable(d.role == ButtonRole::Answer);
        control = button;
        break;
    }
    case ButtonKind::Picture: {
        auto *box = new PictureBox(parent);
        box->setPicture(picture(d.picture).pixmap(d.pictureSize));
        control = box;
        break;
    }
    }
    control->setObjectName(QLatin1String(d.name));
    if (d.index >= 0)
        control->setProperty("index", d.index);
    control->setGeometry(d.geometry);
    if (d.kind != ButtonKind::Picture)
        control->setFont(d.font);
    if (d.toolTip)
        control->setToolTip(*d.toolTip);
    // A pointer is drawn 20 x 32 pixels, its hot spot at the tip of what it shows.
    if (d.pointer)
        control->setCursor(QCursor(picture(d.pointer).pixmap(QSize(20, 32)), 10, 2));
    control->setEnabled(d.enabled);
    return control;
}

std::vector<MenuItemDesign> menuItemDesigns()
{
    // The definition of an angle, by its class code, with the application's title.
    const auto definition = [](int code) {
        return HelpBox{texts::definitions[code], MessageIcon::None, texts::applicationTitle};
    };
    return {
        {"help", texts::helpCaption,
         HelpBox{texts::helpText, MessageIcon::Information, texts::helpTitle}},
        {"acuto", texts::answerCaptions[Acute], definition(Acute)},
        {"retto", texts::answerCaptions[Right], definition(Right)},
        {"ottuso", texts::answerCaptions[Obtuse], definition(Obtuse)},
        {"piatto", texts::answerCaptions[Straight], definition(Straight)},
        {"concavo", texts::answerCaptions[Concave], definition(Concave)},
        {"grio", texts::answerCaptions[Full], definition(Full)},
        {"copy", texts::creditAuthors},
        {"by", texts::creditContact},
        {"oko", texts::creditAddress},
    };
}
