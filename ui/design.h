// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The window's design: the place, caption, colours and font of every control, a row each, and
// what makes a control from its row. The window builds itself from these tables and wires them.

#include "game/gamewindow.h"

#include <QFont>
#include <QRect>
#include <QSize>
#include <QString>

#include <optional>
#include <vector>

class QLabel;
class QWidget;
class ShapeRect;
class TextLabel;

// The window's client area: its size in pixels, and its back colour, the teal that every control
// without a colour of its own shows.
inline constexpr QSize clientSize{723, 587};
inline constexpr BgrColor windowBackColor = 0x00C0C000;

// The boxes: the narrowest a message box is (so that its title bar shows the whole title,
// however short the text), and the width of the name box's field (for a long name).
inline constexpr int boxMinimumWidth = 260;
inline constexpr int nameFieldWidth = 320;

// The window's fonts by the names they were designed with, each followed by a metric-compatible
// (or, for the heavy face, similar) font installed with the game where the first is missing.
enum class Face { SansSerif, Serif, Heavy };

QFont designFont(Face face, int pixelSize, bool bold);
// The font of controls with no font of their own.
QFont defaultFont();

// A colour of a control's design, or none: then the control takes it from where it lies.
using DesignColor = std::optional<BgrColor>;
inline constexpr std::nullopt_t transparent = std::nullopt; // no background of its own
inline constexpr std::nullopt_t windowText = std::nullopt;  // the window's text colour

// A label, as the window shows it before the game writes to it.
struct LabelDesign
{
    const char *name;
    int index = -1; // index in its control array, or -1
    QRect geometry;
    const QString &caption;
    DesignColor background = transparent;
    DesignColor text;
    QFont font;
    bool border = false;
    bool centred = false;
    bool fitsText = false;
    const QString *toolTip = nullptr;
    std::optional<Label> role = {};  // set on the labels the game writes
    const QString *spoken = nullptr; // what a screen reader says of them, before their text
};

// The labels, from the bottom of the stack up.
std::vector<LabelDesign> labelDesigns();

TextLabel *makeLabel(QWidget *parent, const LabelDesign &d);

// A rectangle filled with one colour, with a one-pixel outline.
struct ShapeDesign
{
    const char *name;
    QRect geometry;
    BgrColor fill;
    BgrColor outline;
};

// The strip under the top line of labels, and the band that the answer buttons lie on.
inline constexpr ShapeDesign topStrip{"Shape2", {0, 0, 729, 25}, 0x00C0FFFF, 0x00FF0000};
inline constexpr ShapeDesign answerBand{"Shape1", {0, 488, 721, 97}, 0x00400000, 0x00FF0000};

ShapeRect *makeShape(QWidget *parent, const ShapeDesign &d);

// A picture among the labels, drawn at its designed size.
struct ImageDesign
{
    const char *name;
    int index = -1;
    QRect geometry;
    const char *picture;
};

inline constexpr ImageDesign badge{"Image1", 1, {520, 64, 32, 32}, "giro"};

QLabel *makeImage(QWidget *parent, const ImageDesign &d);

// What a button is, and what its click does in the window.
enum class ButtonKind { Push, Graphical, Picture };
enum class ButtonRole { Go, Practice, NewTurn, Answer, Exit, None };

struct ButtonDesign
{
    const char *name;
    int index = -1; // index in its control array, or -1
    ButtonKind kind;
    ButtonRole role = ButtonRole::None;
    QRect geometry;
    const QString *caption = nullptr;
    DesignColor back = {}; // none: the button face
    QFont font = {};
    const char *picture = nullptr;         // above the caption, or in the picture box
    const char *disabledPicture = nullptr; // the same greyed, shown while disabled
    QSize pictureSize = {};                // none: as the kind draws it
    const char *pointer = nullptr;         // the mouse pointer over it, if not the arrow
    const QString *toolTip = nullptr;
    bool enabled = true;
    int tab; // its place in the tab order
};

// The buttons and the picture box, from the bottom of the stack up. They all lie above the labels
// and shapes.
std::vector<ButtonDesign> buttonDesigns();

// A button as designed; a checkable one for an answer. Its click is left to the window.
QWidget *makeButton(QWidget *parent, const ButtonDesign &d);

// The box a help item of the menu bar shows.
struct HelpBox
{
    const QString &text;
    MessageIcon icon;
    const QString &title;
};

// An item of the menu bar: its name (what the window tells when it is chosen), its caption and
// the box it shows, if any (the credit lines show none).
struct MenuItemDesign
{
    const char *name;
    const QString &caption;
    std::optional<HelpBox> box = {};
};

// The items of the menu bar, from left to right.
std::vector<MenuItemDesign> menuItemDesigns();
