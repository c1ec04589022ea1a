// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/angles.h"
#include "game/game.h"
#include "tests/support/testsupport.h"
#include "ui/help.h"

#include <QTest>

namespace {

// A game over a recording window whose next angles are the given drawn amplitudes.
struct Table : GameTable
{
    explicit Table(std::initializer_list<int> drawn)
    {
        for (int d : drawn)
            random.numbers << rFor(d);
        game.nuovoturno();
        window.log.clear();
    }

    // The player clicks Option1(index), as the window reports it.
    void answer(int index)
    {
        window.click(index);
        game.verificarisposta(index);
    }
};

const QString bravo = QStringLiteral("Bravo è esatto");
const QString sbagliato = QStringLiteral("HAI SBAGLIATO");

} // namespace

class TestTurn : public QObject
{
    Q_OBJECT

private slots:
    void aFreshTurnResetsEveryAnswerButton()
    {
        Table t{40};
        t.window.options[3] = {0x00404000, 0x00FF00FF, false, false, true};
        t.game.nuovoturno();
        for (int i = 1; i <= 6; ++i) {
            const auto &o = t.window.options[size_t(i)];
            QCOMPARE(o.back, BgrColor(0x00C0C000));
            QCOMPARE(o.fore, BgrColor(0x00FFFF80));
            QVERIFY(o.visible && o.enabled && !o.selected);
        }
        // Buttons first, in index order, then the new angle.
        QCOMPARE(t.window.log.first(), QStringLiteral("back 1 00c0c000"));
        QCOMPARE(t.window.log.indexOf(QStringLiteral("clear")), 12);
    }

    void aCorrectAnswerIsPraisedCountedAndStartsTheNextTurn()
    {
        Table t{40, 200};
        QCOMPARE(t.game.state().tipoangolo, int(Acute));
        long long esatteDuringBox = -1;
        QString scoreDuringBox;
        t.window.onBox = [&](const RecordingWindow::Box &) {
            esatteDuringBox = t.game.state().esatte;
            scoreDuringBox = t.window.labelText(Label::lblScore);
        };
        t.answer(Acute);

        QCOMPARE(boxTexts(t.window), QStringList{bravo});
        QCOMPARE(t.window.boxes[0].title, QStringLiteral("Sferdoni"));
        QCOMPARE(t.window.boxes[0].icon, MessageIcon::None);
        QCOMPARE(esatteDuringBox, 0); // counted only after the box is closed
        QCOMPARE(scoreDuringBox, QString());
        QCOMPARE(t.game.state().esatte, 1);
        QCOMPARE(t.game.state().errate, 0);
        QCOMPARE(t.window.labelText(Label::lblScore), QStringLiteral("1"));
        QVERIFY(!t.window.labels.count(Label::lblScore1));
        QCOMPARE(t.game.state().angolo, 200.0f); // the next turn's angle
        QVERIFY(t.window.command1Visible);

        // Hidden first; the highlight comes after the box, then the counter, then Command1
        // again and the fresh turn that removes the highlight.
        const QStringList &log = t.window.log;
        const qsizetype box = log.indexOf(QStringLiteral("box Bravo è esatto | Sferdoni"));
        QCOMPARE(log.indexOf(QStringLiteral("hide Command1")), 0);
        QCOMPARE(log.indexOf(QStringLiteral("back 1 00404000")), box + 1);
        QCOMPARE(log.indexOf(QStringLiteral("fore 1 00ff00ff")), box + 2);
        QCOMPARE(log.indexOf(QStringLiteral("label %1 1").arg(int(Label::lblScore))), box + 3);
        QCOMPARE(log.indexOf(QStringLiteral("show Command1")), box + 4);
        QCOMPARE(t.window.options[1].back, BgrColor(0x00C0C000));
        QVERIFY(!t.window.options[1].selected);
    }

    void aWrongAnswerIsCountedBeforeItsBoxAndLeavesTheTurnOpen()
    {
        Table t{40};
        long long errateDuringBox = -1;
        QString errorsDuringBox = QStringLiteral("unset");
        t.window.onBox = [&](const RecordingWindow::Box &) {
            errateDuringBox = t.game.state().errate;
            errorsDuringBox = t.window.labelText(Label::lblScore1);
        };
        t.answer(Concave);

        QCOMPARE(boxTexts(t.window), QStringList{sbagliato});
        QCOMPARE(t.window.boxes[0].title, QStringLiteral("Sferdoni"));
        QCOMPARE(errateDuringBox, 1);         // already counted...
        QCOMPARE(errorsDuringBox, QString()); // ...but the label still shows the old count
        QCOMPARE(t.window.labelText(Label::lblScore1), QStringLiteral("1"));
        QCOMPARE(t.game.state().esatte, 0);
        QVERIFY(!t.window.command1Visible);
        QVERIFY(t.window.options[Concave].selected);
        QVERIFY(!t.window.log.contains(QStringLiteral("clear"))); // the same angle
        QCOMPARE(t.game.state().angolo, 40.0f);
    }

    void wrongAnswersThenTheRightOne()
    {
        Table t{40, 300};
        t.answer(Right);
        t.answer(Obtuse);
        t.answer(Full);
        QCOMPARE(t.game.state().errate, 3);
        QVERIFY(!t.window.command1Visible);
        t.answer(Acute);
        QCOMPARE(boxTexts(t.window), (QStringList{sbagliato, sbagliato, sbagliato, bravo}));
        QCOMPARE(t.game.state().errate, 3);
        QCOMPARE(t.game.state().esatte, 1);
        QCOMPARE(t.window.labelText(Label::lblScore1), QStringLiteral("3"));
        QCOMPARE(t.window.labelText(Label::lblScore), QStringLiteral("1"));
        QVERIFY(t.window.command1Visible);
        QCOMPARE(t.game.state().angolo, 300.0f);
    }

    void theCorrectButtonIsTheClassOfTheShownAmplitude_data()
    {
        QTest::addColumn<int>("drawn");
        QTest::addColumn<int>("correct");
        QTest::addColumn<int>("wrong");
        QTest::newRow("right angle") << 90 << int(Right) << int(Acute);
        QTest::newRow("70 is shown as 90") << 70 << int(Right) << int(Acute);
        QTest::newRow("full turn") << 360 << int(Full) << int(Concave);
        QTest::newRow("340 is shown as 360") << 340 << int(Full) << int(Concave);
        QTest::newRow("straight") << 180 << int(Straight) << int(Obtuse);
        QTest::newRow("181") << 181 << int(Concave) << int(Straight);
    }
    void theCorrectButtonIsTheClassOfTheShownAmplitude()
    {
        QFETCH(int, drawn);
        QFETCH(int, correct);
        QFETCH(int, wrong);
        Table t{drawn, 10};
        t.answer(wrong);
        QCOMPARE(boxTexts(t.window), QStringList{sbagliato});
        t.answer(correct);
        QCOMPARE(boxTexts(t.window), (QStringList{sbagliato, bravo}));
    }

    void command4StartsATurnWithoutCountingOrShowingGo()
    {
        Table t{40, 250};
        t.answer(Right);
        t.game.nuovoturno(); // Command4
        QCOMPARE(t.game.state().angolo, 250.0f);
        QCOMPARE(t.game.state().errate, 1);
        QCOMPARE(t.game.state().esatte, 0);
        QVERIFY(!t.window.command1Visible);
        QVERIFY(!t.window.options[Right].selected);
    }

    void goSkipsTheAngleWithoutTouchingButtonsOrCounters()
    {
        Table t{40, 250};
        t.window.log.clear();
        t.game.nuovoangolo(); // Go
        QCOMPARE(t.game.state().tipoangolo, int(Concave));
        QVERIFY(!t.window.log.join(QLatin1Char('\n')).contains(QStringLiteral("back")));
        QCOMPARE(t.game.state().esatte + t.game.state().errate, 0);
    }

    void focusReturningDuringTheJudgementDoesNotStopTheNextTurn()
    {
        Table t{40, 200};
        // As the box closes the focus comes back to the clicked (correct) button.
        t.window.onBox = [&](const RecordingWindow::Box &) { t.game.deselezionagiusta(Acute); };
        t.answer(Acute);
        QCOMPARE(t.game.state().esatte, 1);
        QCOMPARE(t.game.state().angolo, 200.0f);
        QVERIFY(t.window.command1Visible);
    }

    void theFocusStepDeselectsTheCorrectButton()
    {
        Table t{40};
        t.window.click(Acute);
        t.window.options[Acute].back = 0x00404000;
        t.game.deselezionagiusta(Obtuse);
        QVERIFY(!t.window.options[Acute].selected);
        QCOMPARE(t.window.options[Acute].back, BgrColor(0x00C0C000));
        QCOMPARE(t.window.options[Acute].fore, BgrColor(0x00FFFF80)); // the text keeps its colour
    }

    void countersGoPastSixteenBits()
    {
        RecordingWindow window;
        ScriptedRandom random;
        FakeRecordStore record;
        Game game(window, random, record);
        game.nuovoturno(); // r = 0 every time: amplitude 1, acute
        for (int i = 0; i < 32768; ++i) {
            window.click(Acute);
            game.verificarisposta(Acute);
        }
        for (int i = 0; i < 32768; ++i) {
            window.click(Right);
            game.verificarisposta(Right);
        }
        QCOMPARE(game.state().esatte, 32768);
        QCOMPARE(window.labelText(Label::lblScore), QStringLiteral("32768"));
        QCOMPARE(window.labelText(Label::lblScore1), QStringLiteral("32768"));
    }

    void practiceDrawingsLeaveTheTurnAlone_data()
    {
        QTest::addColumn<int>("drawn");
        QTest::addColumn<float>("amplitude");
        QTest::newRow("0 stays 0") << 0 << 0.f;
        for (int d : {1, 9, 65, 85, 115, 125, 155, 175, 315, 325, 335, 355, 359})
            QTest::addRow("%d stays", d) << d << float(d);
        for (int d : {2, 8, 66, 84})
            QTest::addRow("%d to 90", d) << d << 90.f;
        for (int d : {116, 124, 156, 174})
            QTest::addRow("%d to 180", d) << d << 180.f;
        for (int d : {316, 324, 336, 354})
            QTest::addRow("%d to 360", d) << d << 360.f;
    }
    void practiceDrawingsLeaveTheTurnAlone()
    {
        QFETCH(int, drawn);
        QFETCH(float, amplitude);
        Table t{200};
        t.answer(Acute); // a wrong answer: the turn is open
        const auto options = t.window.options;
        t.window.log.clear();
        t.random.numbers = {rFor(drawn, 0)};
        t.game.nuovanota();

        QCOMPARE(t.game.state().angolo, amplitude);
        QCOMPARE(t.window.log.size(), 3);
        QCOMPARE(t.window.log[0], QStringLiteral("clear"));
        QCOMPARE(t.window.log[1], QStringLiteral("fill 00800000"));
        QCOMPARE(t.window.sectors.size(), 1);
        QCOMPARE(t.window.sectors[0].start, 0.f);
        QCOMPARE(t.window.sectors[0].end, amplitude);
        QCOMPARE(t.random.seedings, 2); // the first turn, then the practice
        QCOMPARE(t.game.state().tipoangolo, int(Concave));
        QCOMPARE(t.window.labelText(Label::lblangolo), QStringLiteral("200"));
        for (int i = 1; i <= 6; ++i)
            QCOMPARE(t.window.options[size_t(i)].selected, options[size_t(i)].selected);

        // The next answer is judged against the last real angle.
        t.answer(Concave);
        QCOMPARE(boxTexts(t.window), (QStringList{sbagliato, bravo}));
    }

    void theLargestRandomNumberGivesAPracticeOf359()
    {
        Table t{10};
        t.random.numbers = {std::nextafter(1.0f, 0.0f)};
        t.game.nuovanota();
        QCOMPARE(t.game.state().angolo, 359.f);
    }

    void helpItemsShowTheirBox_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("icon");
        const QString sferdoni = QStringLiteral("Sferdoni");
        const int none = int(MessageIcon::None);
        QTest::newRow("help") << "help"
                              << "Per iniziare a giocare clicca  sul pulsante con l'angolo "
                                 "corrispondente "
                              << "Riconosciamo gli Sferdoni" << int(MessageIcon::Information);
        QTest::newRow("acuto") << "acuto"
                               << " Un angolo si dice acuto se è minore di un angolo retto"
                               << sferdoni << none;
        QTest::newRow("retto") << "retto"
                               << " Un angolo si dice retto se la sua ampiezza è di 90°" << sferdoni
                               << none;
        QTest::newRow("ottuso") << "ottuso"
                                << " Un angolo si dice ottuso se è maggiore di un angolo retto, ma "
                                   "è minore di un angolo piatto"
                                << sferdoni << none;
        QTest::newRow("piatto") << "piatto"
                                << " Un angolo si dice piatto se la sua ampiezza è di 180°"
                                << sferdoni << none;
        QTest::newRow("concavo, no leading blank")
            << "concavo"
            << "Un angolo si dice concavo se contiene i prolungamenti dei suoi lati ed è quindi "
               "maggiore di un angolo piatto"
            << sferdoni << none;
        QTest::newRow("giro, ampezza")
            << "grio"
            << " Un angolo si dice giro quando la sua ampezza è di 360°" << sferdoni << none;
    }
    void helpItemsShowTheirBox()
    {
        QFETCH(QString, item);
        QFETCH(QString, text);
        QFETCH(QString, title);
        QFETCH(int, icon);
        Table t{200};
        t.answer(Acute); // a turn in progress, answered wrongly
        const auto options = t.window.options;
        const GameState before = t.game.state();
        t.window.log.clear();

        showHelp(t.window, item);
        QCOMPARE(t.window.boxes.size(), 2);
        QCOMPARE(t.window.boxes.last().text, text);
        QCOMPARE(t.window.boxes.last().title, title);
        QCOMPARE(int(t.window.boxes.last().icon), icon);
        QCOMPARE(t.window.log.size(), 1); // the box and nothing else
        QCOMPARE(t.game.state().angolo, before.angolo);
        QCOMPARE(t.game.state().errate, before.errate);
        QVERIFY(t.window.options == options);
        QVERIFY(text.contains(QChar(0xB0)) ==
                (item == QLatin1String("retto") || item == QLatin1String("piatto") ||
                 item == QLatin1String("grio")));
    }

    void creditItemsDoNothing_data()
    {
        QTest::addColumn<QString>("item");
        QTest::newRow("copy") << "copy";
        QTest::newRow("by") << "by";
        QTest::newRow("oko") << "oko";
    }
    void creditItemsDoNothing()
    {
        QFETCH(QString, item);
        RecordingWindow window;
        showHelp(window, item);
        QVERIFY(window.log.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestTurn)
#include "tst_turn.moc"
