// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the game is played with in tests and benchmarks instead of the real thing: a window that
// records what the game does to it, in order, and answers the boxes from a script; random numbers
// from a script; a record kept in memory; and a table that sets the three around a game.

#include "game/game.h"
#include "game/gamewindow.h"
#include "game/randomsource.h"
#include "record/recordstore.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <map>

class RecordingWindow : public GameWindow
{
public:
    struct Sector
    {
        float x, y, radius;
        BgrColor color;
        float start, end;
    };
    struct Option
    {
        BgrColor back = 0x00C0C000;
        BgrColor fore = 0;
        bool visible = true;
        bool enabled = true;
        bool selected = false;
        bool operator==(const Option &) const = default;
    };
    struct Box
    {
        QString text;
        MessageIcon icon;
        QString title;
    };

    QStringList log; // one line per operation, in order
    QList<Sector> sectors;
    QList<Box> boxes;
    std::map<Label, QString> labels;
    std::array<Option, 7> options{};
    BgrColor fillColor = 0;
    bool command1Visible = true;
    bool timerEnabled = true;
    bool ended = false;
    QStringList inputAnswers;               // what the input box returns, one per call
    std::function<void(const Box &)> onBox; // runs while a message box is "open"

    void clearDrawing() override
    {
        log << QStringLiteral("clear");
        sectors.clear();
    }
    void setFillColor(BgrColor color) override
    {
        fillColor = color;
        log << QStringLiteral("fill %1").arg(color, 8, 16, QLatin1Char('0'));
    }
    void pigrecoesettore(float X, float Y, float radius, BgrColor color, float start_ang,
                         float end_ang) override
    {
        sectors << Sector{X, Y, radius, color, start_ang, end_ang};
        log << QStringLiteral("sector %1 %2 %3 %4 %5 %6")
                   .arg(X)
                   .arg(Y)
                   .arg(radius)
                   .arg(color)
                   .arg(start_ang)
                   .arg(end_ang);
    }
    void setLabelText(Label label, const QString &text) override
    {
        labels[label] = text;
        log << QStringLiteral("label %1 %2").arg(int(label)).arg(text);
    }
    QString labelText(Label label) const
    {
        const auto it = labels.find(label);
        return it == labels.end() ? QString() : it->second;
    }
    void setOptionBackColor(int index, BgrColor color) override
    {
        options.at(index).back = color;
        log << QStringLiteral("back %1 %2").arg(index).arg(color, 8, 16, QLatin1Char('0'));
    }
    void setOptionForeColor(int index, BgrColor color) override
    {
        options.at(index).fore = color;
        log << QStringLiteral("fore %1 %2").arg(index).arg(color, 8, 16, QLatin1Char('0'));
    }
    void setOptionVisible(int index, bool visible) override { options.at(index).visible = visible; }
    void setOptionEnabled(int index, bool enabled) override { options.at(index).enabled = enabled; }
    // The player's click: select the button (deselecting the others), as the window does.
    void click(int index) { setOptionSelected(index, true); }

    void setOptionSelected(int index, bool selected) override
    {
        if (selected) {
            for (Option &o : options)
                o.selected = false;
        }
        options.at(index).selected = selected;
    }
    bool isOptionSelected(int index) const override { return options.at(index).selected; }
    void setCommand1Visible(bool visible) override
    {
        command1Visible = visible;
        log << (visible ? QStringLiteral("show Command1") : QStringLiteral("hide Command1"));
    }
    QString inputBox(const QString &prompt, const QString &title) override
    {
        log << QStringLiteral("input %1 | %2").arg(prompt, title);
        return inputAnswers.isEmpty() ? QString() : inputAnswers.takeFirst();
    }
    void setTimerEnabled(bool enabled) override
    {
        timerEnabled = enabled;
        log << (enabled ? QStringLiteral("timer on") : QStringLiteral("timer off"));
    }
    void endProgram() override
    {
        ended = true;
        log << QStringLiteral("end");
    }

protected:
    void showMessage(const QString &text, MessageIcon icon, const QString &title) override
    {
        boxes << Box{text, icon, title};
        log << QStringLiteral("box %1 | %2").arg(text, title);
        if (onBox)
            onBox(boxes.last());
    }
};

// A random source that returns the numbers it is given, in turn, and counts its seedings.
class ScriptedRandom : public RandomSource
{
public:
    QList<float> numbers;
    int seedings = 0;

    void randomize() override { ++seedings; }
    float next() override { return numbers.isEmpty() ? 0.0f : numbers.takeFirst(); }
};

// A record kept in memory as the bytes of its two files, whose failures a test chooses.
class FakeRecordStore : public RecordStore
{
public:
    QByteArray score;
    QByteArray name;
    recordfiles::Problem loadProblem; // met while reading
    recordfiles::Problem saveProblem;
    bool higherSavedMeanwhile = false;
    int saves = 0;

    FakeRecordStore() : RecordStore(QStringLiteral("/record/")) {}

    recordfiles::Loaded load() override
    {
        if (loadProblem)
            return recordfiles::Loaded{{}, loadProblem, recordfiles::Loaded::Read};
        return recordfiles::Loaded{{score.toStdString(), name.toStdString()}, {}};
    }
    recordfiles::SaveOutcome save(std::string_view newScore, std::string_view newName,
                                  recordfiles::Problem &problem) override
    {
        if (saveProblem) {
            problem = saveProblem;
            return recordfiles::SaveOutcome::Failed;
        }
        if (higherSavedMeanwhile)
            return recordfiles::SaveOutcome::NotBeaten;
        ++saves;
        score = QByteArray(newScore.data(), qsizetype(newScore.size())) + "\r\n";
        name = QByteArray(newName.data(), qsizetype(newName.size())) + "\r\n";
        return recordfiles::SaveOutcome::Saved;
    }
};

// A game over a recording window, scripted random numbers and a record kept in memory.
struct GameTable
{
    RecordingWindow window;
    ScriptedRandom random;
    FakeRecordStore record;
    Game game{window, random, record};
};
