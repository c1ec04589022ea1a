// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "gamewindow.h"
#include "record/recordstore.h"

class RandomSource;

// The two record files, for Leggifiletxt.
enum class RecordFile { Score, Name };

// The state of a game, held for as long as the window lives. Every field starts at zero.
struct GameState
{
    float angolo = 0;   // amplitude of the current angle, a whole number of degrees
    int tipoangolo = 0; // its class code, the index of the correct answer button
    // The answers so far. Wide enough that no game can ever overflow them.
    long long esatte = 0;
    long long errate = 0;
    // The countdown.
    int ore = 0;
    int minuti = 0;
    float secondi = 0;
    // The directory of the record files, ending in a separator.
    QString cartella;
    // The player's name, as lblnome1 shows it.
    QString nome;
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

    Game(GameWindow &window, RandomSource &random, RecordStore &record);

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

    // The start of a game, before the window is shown: the name, the greeting, the countdown,
    // the record, the counters and the first turn.
    void start();

    // The end of a game, from "Esci" or the end of the time: goodbye, the record saved when
    // beaten, and the end of the program. It runs at most once.
    void exitSequence();

    // The program is ending some other way (the window was closed): nothing more may run.
    void abandon() { m_ended = true; }
    bool ended() const { return m_ended; }

    // Starts the 15-minute countdown.
    void avviatempo();
    // One second of the countdown; the first tick that finds the clock at 00:00:00 ends the game.
    void tick();

    // The record. creafilerecord prepares and reads both files at once; Leggifiletxt hands out
    // the text of one of them from that reading.
    QString GetSystemDir() const;
    void creafilerecord();
    QString Leggifiletxt(RecordFile file) const;
    bool recordbattuto() const;
    // Saves the current score and name; true when they were written.
    bool salvarecord();

private:
    bool correctButtonSelected() const;
    // Shows a box and tells whether the game goes on once it is closed (a countdown ending
    // behind it may have ended the program).
    bool say(const QString &text, MessageIcon icon = MessageIcon::None,
             const QString &title = texts::applicationTitle);
    void endProgram();
    QString clockText() const;
    float drawAmplitude(float offset);

    GameWindow &m_window;
    RandomSource &m_random;
    RecordStore &m_record;
    GameState m_state;
    bool m_judging = false;       // verificarisposta is running
    recordfiles::Loaded m_loaded; // the record as creafilerecord found it
    bool m_counting = false;      // the countdown has started: lblconto shows the clock
    bool m_exiting = false;       // the exit sequence has started
    bool m_ended = false;         // the program is ending
};
