// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "game/gamewindow.h"

#include <QList>
#include <QTimer>
#include <QWidget>

#include <array>
#include <vector>

class Canvas;
class ClientArea;
class GraphicalButton;
class MenuStrip;
class Narrator;
class QAbstractButton;
class QLabel;
class TextLabel;

// The game's one window: the drawing, the answer buttons Option1(1..6), the labels, the hidden
// keyboard-only buttons, the menu bar and the one-second timer. It turns the player's actions into
// signals and carries out the game's operations on its controls.
class Form1 : public QWidget, public GameWindow
{
    Q_OBJECT
public:
    explicit Form1(QWidget *parent = nullptr);
    ~Form1() override;

    // GameWindow
    void clearDrawing() override;
    void setFillColor(BgrColor color) override;
    void pigrecoesettore(float X, float Y, float radius, BgrColor color, float start_ang,
                         float end_ang) override;
    void setLabelText(Label label, const QString &text) override;
    void setOptionBackColor(int index, BgrColor color) override;
    void setOptionForeColor(int index, BgrColor color) override;
    void setOptionVisible(int index, bool visible) override;
    void setOptionEnabled(int index, bool enabled) override;
    void setOptionSelected(int index, bool selected) override;
    bool isOptionSelected(int index) const override;
    void setCommand1Visible(bool visible) override;
    QString inputBox(const QString &prompt, const QString &title) override;
    void setTimerEnabled(bool enabled) override;
    void endProgram() override;

    // Shows the window in the middle of the screen, or from its top-left corner when it is larger.
    void showCentred();

    // The parts of the window, for the wiring and for tests.
    ClientArea *clientArea() const { return m_client; }
    MenuStrip *menuStrip() const { return m_menu; }
    const Canvas &canvas() const;
    GraphicalButton *option(int index) const;
    QLabel *label(Label label) const;
    const QTimer &timer1() const { return m_timer1; }

signals:
    void goClicked();
    void practiceClicked();
    void newTurnClicked();
    void exitClicked();
    // The player selected the answer button Option1(index) (a click on the one already selected
    // selects nothing).
    void optionClicked(int index);
    // The answer button Option1(index) received the focus, for the given reason.
    void optionFocused(int index, Qt::FocusReason reason);
    // A menu item was chosen, by its name ("help", "acuto", ... "oko").
    void menuTriggered(const QString &name);
    void timerTicked();
    // The window is being closed with its close box: the program ends without the goodbye.
    void closing();

protected:
    void showMessage(const QString &text, MessageIcon icon, const QString &title) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildShapesAndLabels();
    void buildButtons();
    void buildMenu();
    void selectOption(int index);
    void paintOnlyUncovered();
    QWidget *boxParent();

    QTimer m_timer1;
    MenuStrip *m_menu = nullptr;
    ClientArea *m_client = nullptr;
    std::array<GraphicalButton *, 7> m_options{}; // Option1(1..6); index 0 is left out
    std::array<TextLabel *, 7> m_labels{};        // by Label
    QAbstractButton *m_command1 = nullptr;
    QAbstractButton *m_practice = nullptr;
    QAbstractButton *m_newTurn = nullptr;
    QAbstractButton *m_exit = nullptr;
    QWidget *m_picture = nullptr;
    QList<QAbstractButton *> m_menuItems;
    Narrator *m_narrator = nullptr;   // what assistive technology hears besides the controls
    std::vector<QWidget *> m_covered; // the buttons that answer buttons may cover
};
