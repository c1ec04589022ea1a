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

    // The amplitude is heard from wherever the focus is: each answer button tells it, for every
    // new angle, and a practice drawing leaves it as it is.
    void eachAnswerButtonTellsTheAmplitude()
    {
        Form1 form;
        QAccessible::setActive(true); // a screen reader listens
        ScriptedRandom random;
        random.numbers = {rFor(135), rFor(90), rFor(20, 0), rFor(300)};
        FakeRecordStore record;
        Game game(form, random, record);
        const auto told = [&form] {
            QStringList t;
            for (int i = 1; i <= 6; ++i)
                t << accessible(form.option(i))->text(QAccessible::Description);
            return t;
        };
        const auto everyButton = [](const char *text) {
            return QStringList(6, QString::fromUtf8(text));
        };
        game.nuovoturno();
        QCOMPARE(told(), everyButton("Ampiezza: 135 gradi"));
        game.nuovoangolo();
        QCOMPARE(told(), everyButton("Ampiezza: 90 gradi"));
        game.nuovanota(); // a practice drawing of 20
        QCOMPARE(told(), everyButton("Ampiezza: 90 gradi"));
        game.nuovoturno();
        QCOMPARE(told(), everyButton("Ampiezza: 300 gradi"));
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
        QVERIFY(accessible(form.option(1))
                    ->text(QAccessible::Description)
                    .contains(form.label(Label::lblangolo)->text()));
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
        QVERIFY(iface->text(QAccessible::Description).contains(QLatin1String("135")));
        const QString before = iface->text(QAccessible::Description);

        control->click();
        QCoreApplication::processEvents();
        const QString asked = newAngle ? QStringLiteral("300") : QStringLiteral("135");
        QCOMPARE(form.label(Label::lblangolo)->text(), asked);
        QVERIFY(iface->text(QAccessible::Description).contains(asked));
        QCOMPARE(iface->text(QAccessible::Description) == before, !newAngle);
        QList<QAccessibleInterface *> all;
        collect(accessible(&form), all);
        const auto announcer = std::find_if(all.begin(), all.end(), [](QAccessibleInterface *i) {
            return i->role() == QAccessible::Notification;
        });
        QVERIFY(announcer != all.end());
        QVERIFY((*announcer)->state().invisible);
        QVERIFY((*announcer)->text(QAccessible::Name).contains(asked));
    }

    // One status bar, taking no room (flat review reads the labels), always says the counters, the
    // time left and the record as they are now; an empty record is no record.
    void theStatusBarFollowsTheGame_data()
    {
        QTest::addColumn<int>("ticks");
        QTest::addColumn<QStringList>("counters"); // correct, wrong
        QTest::addColumn<QStringList>("record");   // the files' score and holder
        const QStringList none = {"", ""};
        QTest::newRow("start, no record") << 0 << QStringList{"0", "0"} << none;
        QTest::newRow("empty record files")
            << 0 << QStringList{"0", "0"} << QStringList{"\r\n", "\r\n"};
        QTest::newRow("ticks and answers") << 61 << QStringList{"4", "2"} << none;
        QTest::newRow("record set")
            << 3 << QStringList{"1", "0"} << QStringList{"12\r\n", "Ada\r\n"};
    }
    void theStatusBarFollowsTheGame()
    {
        QFETCH(int, ticks);
        QFETCH(QStringList, counters);
        QFETCH(QStringList, record);
        const QString &correct = counters[0], &wrong = counters[1];
        const QString &recordScore = record[0], &recordHolder = record[1];
        Form1 form;
        ScriptedRandom random;
        FakeRecordStore store;
        Game game(form, random, store);
        game.avviatempo();
        form.setLabelText(Label::lblpunti, recordScore);
        form.setLabelText(Label::lblnome, recordHolder);
        form.setLabelText(Label::lblScore, correct);
        form.setLabelText(Label::lblScore1, wrong);
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
        QVERIFY2(said.contains(form.label(Label::lblconto)->text()), qPrintable(said));
        QVERIFY(form.label(Label::lblconto)->text() != texts::clockAtCreation);
        for (const QString &fact : {correct, wrong, recordScore.trimmed(), recordHolder.trimmed()})
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
                               << "Tempo restante: 00:14:59";
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
                QCOMPARE(parent->role(), QAccessible::Grouping);
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
