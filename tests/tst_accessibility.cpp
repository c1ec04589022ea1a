// SPDX-License-Identifier: GPL-3.0-or-later
// What a screen reader finds in the window, through Qt's accessibility interfaces.

#include "angles.h"
#include "controls.h"
#include "form1.h"
#include "game.h"
#include "menustrip.h"
#include "testsupport.h"
#include "wiring.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

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

    // Screen readers announce the title of a window that becomes active only for a frame.
    void theWindowIsAFrame()
    {
        Form1 form;
        const Qt::WindowFlags flags = form.windowFlags();
        QAccessibleInterface *window = accessible(&form);
        QCOMPARE(window->role(), QAccessible::Window);
        QCOMPARE(window->text(QAccessible::Name), form.windowTitle());
        QCOMPARE(form.windowFlags(), flags);
        QVERIFY(form.windowFlags() & Qt::Tool);
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
        QTest::newRow("record score") << int(Label::lblpunti) << "12\r\n"
                                      << "Punti del record: 12";
        QTest::newRow("record holder") << int(Label::lblnome) << "Ada\r\n"
                                       << "Il record è di: Ada";
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
        QCOMPARE(menu->child(0)->role(), QAccessible::MenuItem);
        QCOMPARE(menu->child(0)->text(QAccessible::Name), QStringLiteral("Help"));
    }

    void theTreeHoldsSixAnswerButtonsAndNoHiddenOnes()
    {
        Form1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QList<QAccessibleInterface *> all;
        collect(accessible(&form), all);
        int answers = 0;
        for (QAccessibleInterface *iface : all) {
            if (iface->object() && iface->object()->objectName() == QLatin1String("Option1"))
                ++answers;
        }
        QCOMPARE(answers, 6);
    }
};

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
