// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What several tests and the benchmarks share: the random numbers behind chosen amplitudes, the
// texts of the boxes a recording window was asked to show, and a player who answers real boxes.

#include "fakes.h"

#include <QEvent>
#include <QMessageBox>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <functional>

// The r in [0, 1) that a draw of lowest + int(360·r) turns into the given amplitude.
float rFor(int amplitude, int lowest = 1);

// A control by its designer name, with its index when it is one of an array: "Option1(3)".
QString nameOf(const QWidget *w);
// The control of that name (and, in a control array, that index) among the children of area.
QWidget *control(const QWidget *area, const QString &name, int index = -1);

// Counts the paint events a widget receives.
class PaintCounter : public QObject
{
public:
    explicit PaintCounter(QWidget *w) { w->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject *, QEvent *e) override
    {
        count += e->type() == QEvent::Paint;
        return false;
    }
};

// The texts of the message boxes the window showed, in order.
QStringList boxTexts(const RecordingWindow &window);

// Answers each modal box of the application as soon as it shows, as a player would: types its
// name into the name box (or cancels it), closes every message box with Return and notes what it
// said.
class BoxCloser : public QObject
{
public:
    struct Seen
    {
        QString text;
        QString title;
        QMessageBox::Icon icon;
    };
    QList<Seen> seen;
    QString name;                    // typed into the name box
    bool cancelName = false;         // the name box is cancelled instead
    QStringList nameBoxButtons;      // the captions of the name box's buttons
    std::function<void()> whileOpen; // runs while a message box is open, before it is closed

    explicit BoxCloser(QString playerName = {});

    QStringList texts() const;

private:
    void answer();

    QTimer m_timer;
};
