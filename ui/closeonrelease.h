// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWidget;

// Makes the keys that close a box (Return, Enter, Esc) close it when the key is lifted rather
// than when it goes down, as the space bar already does on its buttons.
// - A key held down closes one box, not the next ones too by its repeats: a child who leans on
//   Return still sees the record box that follows the goodbye.
// - A screen reader hears the window the box gives back: Orca takes a key event that reaches it
//   between a box's closing and the next window's activation as the activation itself, and then
//   says the newly focused control without the window around it (its name, with the angle).
// A key lifted in a box where it did not go down (it closed the box before) does nothing.
// Lasts as long as the box.
void closeOnKeyRelease(QWidget *box);
