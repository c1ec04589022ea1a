// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "gamewindow.h"

#include <QFont>
#include <QRect>
#include <QString>

#include <optional>
#include <vector>

class QWidget;
class TextLabel;

// The window's fonts by the names they were designed with, each followed by a metric-compatible
// (or, for the heavy face, similar) font installed with the game where the first is missing.
enum class Face { SansSerif, Serif, Heavy };

QFont designFont(Face face, int pixelSize, bool bold);
// The font of controls with no font of their own.
QFont defaultFont();

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

// The labels, from the bottom of the stack up.
std::vector<LabelDesign> labelDesigns();

TextLabel *makeLabel(QWidget *parent, const LabelDesign &d);
