// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QMessageBox;

// Lets a message box size itself with its text as plain text, and gives the text back the
// interaction the style wants (selectable by mouse) when the box is first painted. A selectable
// text is a whole document, laid out afresh each time the box tries a width, some forty times as
// it opens; plain text is measured at a fraction of the cost, to the same size.
void selectableOncePainted(QMessageBox *box);
