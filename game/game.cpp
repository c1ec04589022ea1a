// SPDX-License-Identifier: GPL-3.0-or-later
#include "game.h"

#include "angles.h"
#include "numbers.h"
#include "playername.h"
#include "randomsource.h"
#include "record/recordstore.h"
#include "record/windows1252.h"
#include "recordmessage.h"

#include <QScopeGuard>

#include <cmath>

Game::Game(GameWindow &window, RandomSource &random, RecordStore &record)
    : m_window(window), m_random(random), m_record(record)
{}

bool Game::say(const QString &text, MessageIcon icon, const QString &title)
{
    m_window.messageBox(text, icon, title);
    return !m_ended;
}

void Game::endProgram()
{
    m_ended = true;
    m_window.endProgram();
}

// Clears the drawing, re-seeds, draws a whole amplitude from offset to offset + 359 and snaps it.
float Game::drawAmplitude(float offset)
{
    m_window.clearDrawing();
    m_random.randomize();
    // Single precision throughout, as the draw was always made: the largest r below 1 gives 359.
    const float r = m_random.next();
    return snapAmplitude(std::floor(r * 360.0f) + offset);
}

void Game::nuovoangolo()
{
    if (m_ended)
        return;
    m_state.angolo = drawAmplitude(1.0f);
    classifyAmplitude(m_state.angolo, m_state.tipoangolo);
    m_window.setFillColor(sectorFill);
    m_window.pigrecoesettore(sectorX, sectorY, sectorRadius, sectorOutline, 0.0f, m_state.angolo);
    m_window.setLabelText(Label::lblangolo, numberText(static_cast<long long>(m_state.angolo)));
}

void Game::nuovanota()
{
    if (m_ended)
        return;
    m_state.angolo = drawAmplitude(0.0f);
    m_window.setFillColor(sectorFill);
    m_window.pigrecoesettore(sectorX, sectorY, sectorRadius, sectorOutline, 0.0f, m_state.angolo);
}

void Game::nuovoturno()
{
    if (m_ended)
        return;
    for (int i = 1; i <= 6; ++i) {
        m_window.setOptionBackColor(i, answerBack);
        m_window.setOptionForeColor(i, answerText);
        m_window.setOptionVisible(i, true);
        m_window.setOptionEnabled(i, true);
        m_window.setOptionSelected(i, false);
    }
    nuovoangolo();
}

bool Game::correctButtonSelected() const
{
    const int t = m_state.tipoangolo;
    return t >= 1 && t <= 6 && m_window.isOptionSelected(t);
}

void Game::verificarisposta(int index)
{
    if (m_ended || m_judging)
        return;
    // While its boxes are open the focus may come back to the clicked button; that must not
    // deselect the correct one between the two tests below.
    m_judging = true;
    const auto judged = qScopeGuard([this] { m_judging = false; });
    m_window.setCommand1Visible(false);

    if (correctButtonSelected()) {
        if (!say(texts::correct))
            return;
        m_window.setOptionBackColor(m_state.tipoangolo, highlightBack);
        m_window.setOptionForeColor(m_state.tipoangolo, highlightText);
        ++m_state.esatte;
        m_window.setLabelText(Label::lblScore, numberText(m_state.esatte));
    }
    if (index != m_state.tipoangolo) {
        ++m_state.errate;
        if (!say(texts::wrong))
            return;
        m_window.setLabelText(Label::lblScore1, numberText(m_state.errate));
    }
    if (correctButtonSelected()) {
        m_window.setCommand1Visible(true);
        nuovoturno();
    }
}

void Game::deselezionagiusta(int /*index*/)
{
    const int t = m_state.tipoangolo;
    if (m_ended || m_judging || t < 1 || t > 6)
        return;
    m_window.setOptionSelected(t, false);
    m_window.setOptionBackColor(t, answerBack);
}

void Game::start()
{
    m_random.randomize();
    m_window.setTimerEnabled(false);

    m_state.nome = cleanName(m_window.inputBox(texts::nameQuestion, texts::startTitle));
    m_window.messageBox(QLatin1Char(' ') + m_state.nome + texts::greetingEnd,
                        MessageIcon::Exclamation, texts::startTitle);
    m_window.setLabelText(Label::lblnome1, m_state.nome);

    avviatempo();

    m_state.cartella = GetSystemDir();
    creafilerecord();
    if (m_ended)
        return;
    m_window.setLabelText(Label::lblpunti, Leggifiletxt(RecordFile::Score));
    m_window.setLabelText(Label::lblnome, Leggifiletxt(RecordFile::Name));

    m_window.setLabelText(Label::lblScore1, numberText(m_state.errate));
    m_window.setLabelText(Label::lblScore, numberText(m_state.esatte));
    nuovoturno();
}

void Game::exitSequence()
{
    if (m_exiting || m_ended)
        return;
    m_exiting = true;

    if (!say(texts::goodbye + m_state.nome))
        return;
    if (!recordbattuto()) {
        endProgram();
        return;
    }
    const bool saved = salvarecord();
    if (m_ended || (saved && !say(texts::recordSaved)))
        return;
    endProgram();
}

void Game::avviatempo()
{
    m_counting = true;
    m_window.setTimerEnabled(true);
    m_state.ore = 0;
    m_state.minuti = 15;
    m_state.secondi = 0;
    m_window.setLabelText(Label::lblconto, clockText());
}

void Game::tick()
{
    if (m_ended)
        return;
    if (m_counting && clockText() == texts::clockAtEnd) {
        exitSequence();
        return;
    }
    if (m_state.secondi == 0) {
        if (m_state.minuti > 0) {
            m_state.minuti -= 1;
            m_state.secondi = 60;
        } else {
            m_state.ore -= 1;
            m_state.minuti = 59;
            m_state.secondi = 60;
        }
    }
    m_state.secondi -= 1;
    m_window.setLabelText(Label::lblconto, clockText());
}

QString Game::clockText() const
{
    return numberText(m_state.ore, 2) + QLatin1Char(':') + numberText(m_state.minuti, 2) +
           QLatin1Char(':') + numberText(static_cast<long long>(m_state.secondi), 2);
}

QString Game::GetSystemDir() const
{
    return m_record.directory();
}

void Game::creafilerecord()
{
    m_loaded = m_record.load();
    // Shown as empty (the loaded texts are), and never overwritten in this game: one box says
    // why.
    if (m_loaded.problem)
        say(loadMessage(m_loaded, m_record));
}

// The record files' bytes become text here, and the texts saved become bytes in salvarecord.
QString Game::Leggifiletxt(RecordFile file) const
{
    if (file == RecordFile::Score)
        return fromWindows1252(m_loaded.pair.score);
    // Another program, or a hand, may have written anything there.
    return cleanStoredName(fromWindows1252(m_loaded.pair.name));
}

bool Game::recordbattuto() const
{
    // A record that could not be read is never replaced: it may be higher than it looks.
    if (m_loaded.problem)
        return false;
    // lblpunti shows the score file's text, whatever it holds; lblScore the correct answers.
    const double record = leadingNumber(Leggifiletxt(RecordFile::Score));
    const auto score = static_cast<double>(m_state.esatte);
    return score > record;
}

bool Game::salvarecord()
{
    recordfiles::Problem problem;
    switch (m_record.save(toWindows1252(numberText(m_state.esatte)), toWindows1252(m_state.nome),
                          problem)) {
    case recordfiles::SaveOutcome::Saved:
        return true;
    case recordfiles::SaveOutcome::NotBeaten:
        // Another game saved a higher record meanwhile: as when the record is not beaten.
        return false;
    case recordfiles::SaveOutcome::Failed:
    case recordfiles::SaveOutcome::Interrupted:
        say(saveMessage(problem, m_record));
        return false;
    }
    return false;
}
