#include "game.h"

#include "angles.h"
#include "numbers.h"
#include "randomsource.h"

#include <cmath>

Game::Game(GameWindow &window, RandomSource &random) : m_window(window), m_random(random) {}

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
    m_state.angolo = drawAmplitude(1.0f);
    classifyAmplitude(m_state.angolo, m_state.tipoangolo);
    m_window.setFillColor(sectorFill);
    m_window.pigrecoesettore(sectorX, sectorY, sectorRadius, sectorOutline, 0.0f, m_state.angolo);
    m_window.setLabelText(Label::lblangolo, numberText(static_cast<long long>(m_state.angolo)));
}

void Game::nuovanota()
{
    m_state.angolo = drawAmplitude(0.0f);
    m_window.setFillColor(sectorFill);
    m_window.pigrecoesettore(sectorX, sectorY, sectorRadius, sectorOutline, 0.0f, m_state.angolo);
}

void Game::nuovoturno()
{
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
    // While its boxes are open the focus may come back to the clicked button; that must not
    // deselect the correct one between the two tests below.
    m_judging = true;
    m_window.setCommand1Visible(false);

    if (correctButtonSelected()) {
        m_window.messageBox(texts::correct);
        m_window.setOptionBackColor(m_state.tipoangolo, highlightBack);
        m_window.setOptionForeColor(m_state.tipoangolo, highlightText);
        ++m_state.esatte;
        m_window.setLabelText(Label::lblScore, numberText(m_state.esatte));
    }
    if (index != m_state.tipoangolo) {
        ++m_state.errate;
        m_window.messageBox(texts::wrong);
        m_window.setLabelText(Label::lblScore1, numberText(m_state.errate));
    }
    if (correctButtonSelected()) {
        m_window.setCommand1Visible(true);
        nuovoturno();
    }
    m_judging = false;
}

void Game::deselezionagiusta(int /*index*/)
{
    const int t = m_state.tipoangolo;
    if (m_judging || t < 1 || t > 6)
        return;
    m_window.setOptionSelected(t, false);
    m_window.setOptionBackColor(t, answerBack);
}
