#pragma once

class Form1;
class Game;

// Connects the window's events to the game's steps: the one place where the two meet.
void connectGame(Form1 &form, Game &game);
