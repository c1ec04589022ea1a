#pragma once

#include "gamewindow.h"

class RandomSource;

// The state of a game, held for as long as the window lives. Every field starts at zero.
struct GameState
{
    float angolo = 0;   // amplitude of the current angle, a whole number of degrees
    int tipoangolo = 0; // its class code, the index of the correct answer button
    // The answers so far. Wide enough that no game can ever overflow them.
    long long esatte = 0;
    long long errate = 0;
};

// The rules of the game. It owns the state and acts on the window only through GameWindow.
class Game
{
public:
    // The sector every angle is drawn as.
    static constexpr float sectorX = 350;
    static constexpr float sectorY = 250;
    static constexpr float sectorRadius = 190;
    static constexpr BgrColor sectorFill = 0x00800000;
    static constexpr BgrColor sectorOutline = 0;

    // The looks of an answer button: normal, and the correct one just after it was chosen.
    static constexpr BgrColor answerBack = 0x00C0C000;
    static constexpr BgrColor answerText = 0x00FFFF80;
    static constexpr BgrColor highlightBack = 0x00404000;
    static constexpr BgrColor highlightText = 0x00FF00FF;

    Game(GameWindow &window, RandomSource &random);

    const GameState &state() const { return m_state; }

    // Clears the drawing, draws a random amplitude 1..360, snaps and classifies it, draws its
    // sector and shows it in lblangolo.
    void nuovoangolo();

    // A fresh turn: every answer button back to normal, visible, enabled and not selected, then
    // a new angle.
    void nuovoturno();

    // The player selected the answer button Option1(index): praise a correct answer and start
    // the next turn, or count and report a wrong one and leave the turn open.
    void verificarisposta(int index);

    // An answer button received the focus from the player: the correct button is deselected and
    // loses its highlight. Does nothing while an answer is being judged.
    void deselezionagiusta(int index);

    // A practice angle, 0..359 degrees, drawn without touching the turn: the class code, the
    // amplitude shown, the counters and the answer buttons stay as they are.
    void nuovanota();

private:
    bool correctButtonSelected() const;
    float drawAmplitude(float offset);

    GameWindow &m_window;
    RandomSource &m_random;
    GameState m_state;
    bool m_judging = false; // verificarisposta is running
};
