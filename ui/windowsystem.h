// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vector>

// How the game reaches the screen on a Wayland desktop, chosen before Qt starts.
//
// Where the compositor draws the windows' frames (KDE), the game runs on Wayland and Qt is told
// it will draw none: the desktop's own title bar, and no graphics library loaded only to find
// that out. Where it doesn't (GNOME), Qt would draw a frame of its own, with minimise and
// maximise boxes, and the desktop would open every box in a corner of the screen rather than
// over the game; there the game runs through XWayland, where the desktop frames it, centres its
// boxes and gives it the keyboard as it does any X program. What the player sets himself
// (QT_QPA_PLATFORM and Qt's other variables) always wins.
namespace windowsystem {

// What the game knows of the session it starts in.
struct Session
{
    bool platformChosen = false;        // the player set QT_QPA_PLATFORM
    bool wayland = false;               // a Wayland compositor answers
    bool compositorDrawsFrames = false; // ... and offers to draw the windows' frames
    bool xDisplay = false;              // an X server (XWayland) is there to use instead
};

// A variable the game sets in its own environment, unless the player has set it already.
struct Setting
{
    const char *name;
    const char *value;
};

// The settings for a session.
std::vector<Setting> settingsFor(const Session &session);

// Looks at this session (asking the Wayland compositor, if there is one, what it offers) and
// sets what settingsFor() gives. Call it before the application object is made.
void choose();

} // namespace windowsystem
