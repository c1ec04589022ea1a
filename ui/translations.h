// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QCoreApplication;

// Loads Qt's own Italian translation, so that its standard buttons speak the game's language
// ("Annulla", not "Cancel"). Returns whether it was found.
bool installItalianTranslation(QCoreApplication &app);
