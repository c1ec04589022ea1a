// SPDX-License-Identifier: GPL-3.0-or-later
// What a screen reader finds in the window, through Qt's accessibility interfaces.

#include "game/angles.h"
#include "game/game.h"
#include "game/texts.h"
#include "tests/support/testsupport.h"
#include "ui/clientarea.h"
#include "ui/controls.h"
#include "ui/form1.h"
#include "ui/menustrip.h"
#include "ui/wiring.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <algorithm>

namespace {

QAccessibleInterface *accessible(QObject *o)
{
    return QAccessible::queryAccessibleInterface(o);
}

// Every accessible object below one, depth first.
void collect(QAccessibleInterface *iface, QList<QAccessibleInterface *> &out)
{
    for (int i = 0; i < iface->childCount(); ++i) {
        QAccessibleInterface *child = iface->child(i);
        if (!child)
            continue;
        out << child;
        collect(child, out);
    }
}

} // namespace

class TestAccessibility : public QObject
{
    Q_OBJECT

private slots:
    void answerButtonsHaveNamesRolesAndCheckedState()
    {
        Form1 form;
        ScriptedRandom random;
        FakeRecordStore record;
        Game game(form, random, record);
        connectGame(form, game);
        game.nuovoturno();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));

        const QStringList names = {"Angolo acuto",  "Angolo retto",   "Angolo ottuso",
                                   "Angolo piatto", "Angolo concavo", "Angolo giro"};
        for (int i = 1; i <= 6; ++i) {
            QAccessibleInterface *button = accessible(form.option(i));
            QVERIFY(button);
            QCOMPARE(button->text(QAccessible::Name), names[i - 1]);
            // One of a group of options.
            QCOMPARE(button->role(), QAccessible::RadioButton);
            QVERIFY(button->state().checkable);
            QVERIFY(!button->state().checked);
            QVERIFY(button->state().focusable);
            QVERIFY(!button->state().invisible);
        }
        form.setOptionSelected(Obtuse, true);
        for (int i = 1; i <= 6; ++i)
            QCOMPARE(bool(accessible(form.option(i))->state().checked), i == Obtuse);

        // Pressing it through the screen reader answers, like a click.
        QAccessibleActionInterface *action = accessible(form.option(Acute))->actionInterface();
        QVERIFY(action);
        QSignalSpy answered(&form, &Form1::optionClicked);
        QTimer::singleShot(0, [] {
            if (QWidget *box = QApplication::activeModalWidget())
                box->close();
        });
        action->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(answered.size(), 1);
        QCOMPARE(answered.at(0).at(0).toInt(), int(Acute));
    }

    // The amplitude asked is told once, by the window's name, which a screen reader says after
    // every box: not again by the control that has the focus, nor on every move between answers.
    void theAmplitudeIsToldOnce()
    {
        Form1 form;
        QAccessible::setActive(true); // a screen reader listens
        ScriptedRandom random;
        random.numbers = {rFor(135), rFor(300)};
        FakeRecordStore record;
        Game game(form, random, record);
        const auto tellers = [&form](const QString &amplitude) {
            QStringList t;
            QList<QAccessibleInterface *> all{accessible(&form)};
            collect(all[0], all);
            for (QAccessibleInterface *iface : all) {
                if (iface != all[0] && !iface->state().focusable)
                    continue;
                for (QAccessible::Text text : {QAccessible::Name, QAccessible::Description}) {
                    if (iface->text(text).contains(amplitude))
                        t << iface->text(text);
                }
            }
            return t;
        };
        game.nuovoturno();
        QCOMPARE(tellers(QStringLiteral("135")).size(), 1);
        game.nuovoangolo();
        QCOMPARE(tellers(QStringLiteral("300")).size(), 1);
        QCOMPARE(tellers(QStringLiteral("300")).first(),
                 accessible(&form)->text(QAccessible::Name));
    }

    // The window is a frame with a short name of its own: after a box closes, the amplitude asked
    // comes within the first words, and a new angle of the same amplitude is heard as new. The
    // title bar keeps its long title.
    void theWindowTellsTheAngleAskedFirst()
    {
        Form1 form;
        QAccessible::setActive(true); // a screen reader listens
        ScriptedRandom random;
        random.numbers = {rFor(135), rFor(135), rFor(20, 0), rFor(300)};
        FakeRecordStore record;
        Game game(form, random, record);
        const QString title = form.windowTitle();
        QAccessibleInterface *window = accessible(&form);
        QCOMPARE(window->role(), QAccessible::Window);
        const auto amplitudeAmongFirstWords = [&] {
            const QStringList words = window->text(QAccessible::Name).split(QLatin1Char(' '));
            return words.mid(0, 12)
                .join(QLatin1Char(' '))
                .contains(form.label(Label::lblangolo)->text());
        };
        game.nuovoturno();
        const QString first = window->text(QAccessible::Name);
        QVERIFY(amplitudeAmongFirstWords());
        game.nuovoturno(); // the same amplitude again
        QVERIFY(amplitudeAmongFirstWords());
        QVERIFY(window->text(QAccessible::Name) != first);
        const QString second = window->text(QAccessible::Name);
        game.nuovanota();
        QCOMPARE(window->text(QAccessible::Name), second);
        game.nuovoangolo();
        QVERIFY(amplitudeAmongFirstWords());
        QCOMPARE(form.windowTitle(), title);

        // A screen reader started in the middle of a game hears the angle asked now.
        QAccessible::setActive(false);
        game.nuovoturno();
        QAccessible::setActive(true);
        QVERIFY(amplitudeAmongFirstWords());
    }

    // The keyboard-only buttons say what they do with the amplitude asked, and what a press did
    // is announced, out of sight, once the game has done it.
    void keyboardButtonsTellWhatTheyDoAndDid_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("newAngle");
        QTest::newRow("Go") << "Command1" << true;
        QTest::newRow("Command4") << "Command4" << true;
        QTest::newRow("Nuova nota") << "Command2" << false;
    }
    void keyboardButtonsTellWhatTheyDoAndDid()
    {
        QFETCH(QString, button);
        QFETCH(bool, newAngle);
        Form1 form;
        QAccessible::setActive(true); // a screen reader listens
        ScriptedRandom random;
        random.numbers = {rFor(135), rFor(300), rFor(20, 0)};
        FakeRecordStore record;
        Game game(form, random, record);
        connectGame(form, game);
        game.nuovoturno();
        auto *control = form.findChild<QAbstractButton *>(button);
        QAccessibleInterface *iface = accessible(control);
        QVERIFY(!iface->text(QAccessible::Name).contains(QLatin1String("Command")));
        QVERIFY(!iface->text(QAccessible::Description).isEmpty());

        control->click();
        QCoreApplication::processEvents();
        const QString asked = newAngle ? QStringLiteral("300") : QStringLiteral("135");
        QCOMPARE(form.label(Label::lblangolo)->text(), asked);
        QList<QAccessibleInterface *> all;
        collect(accessible(&form), all);
        const auto announcer = std::find_if(all.begin(), all.end(), [](QAccessibleInterface *i) {
            return i->role() == QAccessible::Notification;
        });
        QVERIFY(announcer != all.end());
        QVERIFY((*announcer)->state().invisible);
        QVERIFY((*announcer)->text(QAccessible::Name).contains(asked));
    }

    // One status bar, taking no room (flat review reads the labels), always says the counters, each
    // by its name, the time left as time and the record as they are now; an empty record is no
    // record.
    void theStatusBarFollowsTheGame_data()
    {
        QTest::addColumn<int>("ticks");
        QTest::addColumn<QString>("timeLeft");
        QTest::addColumn<QStringList>("counters"); // correct, wrong
        QTest::addColumn<QStringList>("record");   // the files' score and holder
        const QStringList none = {"", ""};
        QTest::newRow("start, no record") << 0 << "15 minuti" << QStringList{"0", "3"} << none;
        QTest::newRow("empty record files")
            << 0 << "15 minuti" << QStringList{"1", "0"} << QStringList{"\r\n", "\r\n"};
        QTest::newRow("ticks and answers")
            << 61 << "13 minuti e 59 secondi" << QStringList{"4", "2"} << none;
        QTest::newRow("last minute, record set")
            << 839 << "1 minuto e 1 secondo" << QStringList{"1", "0"}
            << QStringList{"12\r\n", "Ada\r\n"};
    }
    void theStatusBarFollowsTheGame()
    {
        QFETCH(int, ticks);
        QFETCH(QString, timeLeft);
        QFETCH(QStringList, counters);
        QFETCH(QStringList, record);
        const QString &recordScore = record[0], &recordHolder = record[1];
        Form1 form;
        ScriptedRandom random;
        FakeRecordStore store;
        Game game(form, random, store);
        game.avviatempo();
        form.setLabelText(Label::lblpunti, recordScore);
        form.setLabelText(Label::lblnome, recordHolder);
        form.setLabelText(Label::lblScore, counters[0]);
        form.setLabelText(Label::lblScore1, counters[1]);
        for (int i = 0; i < ticks; ++i)
            game.tick();

        QList<QAccessibleInterface *> all;
        collect(accessible(&form), all);
        QList<QAccessibleInterface *> bars;
        std::copy_if(all.begin(), all.end(), std::back_inserter(bars),
                     [](QAccessibleInterface *i) { return i->role() == QAccessible::StatusBar; });
        QCOMPARE(bars.size(), 1);
        QVERIFY(!bars[0]->state().invisible);
        QVERIFY(bars[0]->rect().isEmpty());
        const QString said = bars[0]->text(QAccessible::Name);
        for (const QString &fact :
             {texts::spokenCorrect.arg(counters[0]), texts::spokenWrong.arg(counters[1]),
              texts::spokenClock.arg(timeLeft), recordScore.trimmed(), recordHolder.trimmed()})
            QVERIFY2(said.contains(fact), qPrintable(said));
        const bool noRecord = recordScore.trimmed().isEmpty();
        QCOMPARE(said.contains(texts::recordHeading), !noRecord);
        // Flat review reads the record once, from its label, as the status bar says it.
        QVERIFY(said.contains(accessible(form.label(Label::lblnome))->text(QAccessible::Name)));
    }

    void changingLabelsSayWhatTheyAre_data()
    {
        QTest::addColumn<int>("label");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("spoken");
        QTest::newRow("amplitude") << int(Label::lblangolo) << "135"
                                   << "Ampiezza dell'angolo: 135 gradi";
        QTest::newRow("correct") << int(Label::lblScore) << "4"
                                 << "Risposte esatte: 4";
        QTest::newRow("wrong") << int(Label::lblScore1) << "2"
                               << "Risposte errate: 2";
        QTest::newRow("clock") << int(Label::lblconto) << "00:14:59"
                               << "Tempo restante: 14 minuti e 59 secondi";
        QTest::newRow("clock, one minute") << int(Label::lblconto) << "00:01:00"
                                           << "Tempo restante: 1 minuto";
        QTest::newRow("clock at the end") << int(Label::lblconto) << "00:00:00"
                                          << "Tempo restante: 0 secondi";
        QTest::newRow("player") << int(Label::lblnome1) << "Bea"
                                << "Sfidante: Bea";
    }
    void changingLabelsSayWhatTheyAre()
    {
        QFETCH(int, label);
        QFETCH(QString, text);
        QFETCH(QString, spoken);
        Form1 form;
        form.setLabelText(Label(label), text);
        QAccessibleInterface *iface = accessible(form.label(Label(label)));
        QVERIFY(iface);
        QCOMPARE(iface->text(QAccessible::Name), spoken);
        QCOMPARE(iface->role(), QAccessible::StaticText);
    }

    // When the time runs out, the goodbye box is named by what happened, with the score, and a
    // screen reader says that before the goodbye; ended with "Esci", it is named as every box.
    void theEndOfTimeIsToldBeforeTheGoodbye_data()
    {
        QTest::addColumn<bool>("timeRunsOut");
        QTest::newRow("time runs out") << true;
        QTest::newRow("Esci") << false;
    }
    void theEndOfTimeIsToldBeforeTheGoodbye()
    {
        QFETCH(bool, timeRunsOut);
        Form1 form;
        ScriptedRandom random;
        random.numbers = {rFor(135), rFor(40), rFor(300)};
        FakeRecordStore record;
        Game game(form, random, record);
        BoxCloser boxes;
        QStringList names; // of each box, as a screen reader says it first
        boxes.whileOpen = [&names] {
            names << accessible(QApplication::activeModalWidget())->text(QAccessible::Name);
        };
        form.setLabelText(Label::lblScore, QStringLiteral("0"));
        form.setLabelText(Label::lblScore1, QStringLiteral("0"));
        game.avviatempo();
        game.nuovoturno();
        for (int index : {int(Acute), int(Obtuse), int(Acute)}) { // wrong, right, right
            form.setOptionSelected(index, true);
            game.verificarisposta(index);
        }
        names.clear();
        if (timeRunsOut) {
            for (int i = 0; i < 1000 && !game.ended(); ++i)
                game.tick();
        } else {
            game.exitSequence();
        }
        QVERIFY(game.ended());
        // The end asked the event loop to stop: the next test's boxes must open again.
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        QCoreApplication::exec();
        QVERIFY2(boxes.texts().size() >= 4, qPrintable(boxes.texts().join(u'|')));
        QVERIFY(boxes.seen[3].text.startsWith(texts::goodbye));
        const QString goodbye = names.value(0);
        QCOMPARE(goodbye.startsWith(QLatin1String("Tempo scaduto")), timeRunsOut);
        QCOMPARE(goodbye.contains(texts::spokenCorrect.arg(2)), timeRunsOut);
        QCOMPARE(goodbye.contains(texts::spokenWrong.arg(1)), timeRunsOut);
        for (const QString &later : names.mid(1))
            QVERIFY2(!later.contains(QLatin1String("Tempo scaduto")), qPrintable(later));
    }

    // Menu items are menu items, and say that they show a box rather than answer.
    void exitAndMenuAreReachable()
    {
        Form1 form;
        QAccessibleInterface *exit =
            accessible(form.findChild<QWidget *>(QStringLiteral("Cmdexit1")));
        QCOMPARE(exit->text(QAccessible::Name), QStringLiteral("Esci"));
        QCOMPARE(exit->role(), QAccessible::Button);
        QAccessibleInterface *menu = accessible(form.menuStrip());
        QCOMPARE(menu->role(), QAccessible::MenuBar);
        QCOMPARE(menu->childCount(), 10);
        QCOMPARE(menu->child(0)->text(QAccessible::Name), QStringLiteral("Help"));
        const QString answerSays = accessible(form.option(Acute))->text(QAccessible::Description);
        for (int i = 0; i < menu->childCount(); ++i) {
            QCOMPARE(menu->child(i)->role(), QAccessible::MenuItem);
            QVERIFY(!menu->child(i)->text(QAccessible::Description).isEmpty());
            QVERIFY(menu->child(i)->text(QAccessible::Description) != answerSays);
        }
    }

    // Every object is its parent's child (screen readers walk both ways); the drawing, the
    // answers' group and every control that takes the focus have names of their own, the area
    // holding them all has none; the six answer buttons sit in their group; no heading is a fact
    // of its own.
    void theTreeHoldsEachPartOnce()
    {
        Form1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QList<QAccessibleInterface *> all;
        collect(accessible(&form), all);
        int answers = 0;
        QStringList names;
        for (QAccessibleInterface *iface : all) {
            QAccessibleInterface *parent = iface->parent();
            QVERIFY(parent);
            QCOMPARE(parent->child(parent->indexOfChild(iface)), iface);
            if (iface->object() && iface->object()->objectName() == QLatin1String("Option1")) {
                ++answers;
                QVERIFY(parent->object() != form.clientArea());
                QVERIFY(!parent->text(QAccessible::Name).isEmpty());
            }
            if (iface->state().focusable || iface->role() == QAccessible::Graphic)
                QVERIFY(!iface->text(QAccessible::Name).isEmpty());
            names << iface->text(QAccessible::Name);
        }
        QCOMPARE(answers, 6);
        QVERIFY(accessible(form.clientArea())->text(QAccessible::Name).isEmpty());
        for (const QString &heading :
             {texts::correctHeading, texts::wrongHeading, texts::timeHeading,
              texts::challengerHeading, texts::recordPointsHeading, texts::amplitudeHeading})
            QVERIFY2(!names.contains(heading), qPrintable(heading));
    }
};

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
