// SPDX-License-Identifier: GPL-3.0-or-later
// Turns played on the real window, with the mouse and the keyboard, and real boxes.

#include "game/angles.h"
#include "game/game.h"
#include "tests/support/testsupport.h"
#include "ui/canvas.h"
#include "ui/controls.h"
#include "ui/form1.h"
#include "ui/menustrip.h"
#include "ui/wiring.h"

#include <QAccessible>
#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <map>

namespace {

const QString bravo = QStringLiteral("Bravo è esatto");
const QString sbagliato = QStringLiteral("HAI SBAGLIATO");

// Whether the box is the one of its kind that a row of boxesHoldTheWholeWindow is about: the name
// box, or the message box whose text begins so.
bool isBox(const QString &kind, QWidget *box)
{
    static const std::map<QString, QString> beginnings = {
        {"greeting", " Ada vediamo"},
        {"help", "Per iniziare"},
        {"definition", " Un angolo si dice acuto"},
        {"wrong", sbagliato},
        {"correct", bravo},
        {"goodbye", "Ciao a presto"}};
    if (kind == QLatin1String("name"))
        return qobject_cast<QInputDialog *>(box);
    const auto *message = qobject_cast<QMessageBox *>(box);
    return message && message->text().startsWith(beginnings.at(kind));
}

} // namespace

class TestPlay : public QObject
{
    Q_OBJECT

    std::unique_ptr<Form1> form;
    std::unique_ptr<Game> game;
    ScriptedRandom random;
    FakeRecordStore record;

    // A game on the real window whose angles are the given drawn amplitudes.
    bool start(std::initializer_list<int> drawn)
    {
        random.numbers.clear();
        for (int d : drawn)
            random.numbers << rFor(d);
        form = std::make_unique<Form1>();
        game = std::make_unique<Game>(*form, random, record);
        connectGame(*form, *game);
        form->setLabelText(Label::lblScore, QStringLiteral("0"));
        form->setLabelText(Label::lblScore1, QStringLiteral("0"));
        game->nuovoturno();
        form->show();
        form->activateWindow();
        return QTest::qWaitForWindowActive(form.get());
    }

    // Moves the focus from "Nuova nota" with Tab onto the answer button Option1(index).
    void tabTo(int index)
    {
        // Offscreen, nothing gives the window back its activation when a box closes.
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        form->findChild<QWidget *>(QStringLiteral("Command2"))->setFocus(Qt::TabFocusReason);
        for (int i = 0; i < 1 + index; ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }

    QString label(Label l) const { return form->label(l)->text(); }
    bool goVisible() const
    {
        return form->findChild<QWidget *>(QStringLiteral("Command1"))->isVisible();
    }

    // What a box, or an action of the player while it is open, could change: the turn, the
    // counters, the labels, the drawing, the buttons, the focus, the menu and the boxes shown.
    QStringList state(const QStringList &boxes) const
    {
        const GameState &g = game->state();
        QStringList s = {QStringLiteral("angle %1, type %2, right %3, wrong %4, ended %5")
                             .arg(g.angolo)
                             .arg(g.tipoangolo)
                             .arg(g.esatte)
                             .arg(g.errate)
                             .arg(game->ended())};
        for (Label l : {Label::lblangolo, Label::lblScore, Label::lblScore1, Label::lblpunti,
                        Label::lblnome, Label::lblnome1})
            s << label(l);
        for (int i = 1; i <= 6; ++i) {
            const GraphicalButton *b = form->option(i);
            s << QStringLiteral("Option1(%1) selected %2, colours %3 %4, visible %5, enabled %6")
                     .arg(i)
                     .arg(b->isChecked())
                     .arg(b->backColor(), 0, 16)
                     .arg(b->foreColor(), 0, 16)
                     .arg(b->isVisibleTo(form.get()))
                     .arg(b->isEnabled());
        }
        const QImage drawing = form->canvas().image();
        s << QStringLiteral("Go %1, focus %2, menu %3, timer %4, drawing %5")
                 .arg(form->findChild<QWidget *>(QStringLiteral("Command1"))
                          ->isVisibleTo(form.get()))
                 .arg(nameOf(form->focusWidget()))
                 .arg(form->menuStrip()->isNavigating())
                 .arg(form->timer1().isActive())
                 .arg(qHashBits(drawing.constBits(), size_t(drawing.sizeInBytes())));
        return s << boxes;
    }

    // Every way to act on a control: all its accessible actions, and a click and keys from the
    // window system.
    void tryEverything(const QString &control, QWidget *box)
    {
        QWidget *target = control.startsWith(QLatin1String("Option1"))
                              ? form->option(control.at(8).digitValue())
                              : form->findChild<QWidget *>(control);
        QVERIFY2(target, qPrintable(control));
        QAccessibleActionInterface *actions =
            QAccessible::queryAccessibleInterface(target)->actionInterface();
        QVERIFY(actions);
        for (const QString &action :
             actions->actionNames() + QStringList{QAccessibleActionInterface::pressAction(),
                                                  QAccessibleActionInterface::toggleAction(),
                                                  QAccessibleActionInterface::setFocusAction()})
            actions->doAction(action);
        // The menu's key typed into the box must not wake the menu behind it.
        QTest::keyClick(box->focusWidget() ? box->focusWidget() : box, Qt::Key_F10);
        if (!form->isVisible())
            return;
        QWindow *window = form->windowHandle();
        QTest::mouseClick(window, Qt::LeftButton, {},
                          target->mapTo(form.get(), target->rect().center()));
        for (Qt::Key key : {Qt::Key_Space, Qt::Key_Return, Qt::Key_F10, Qt::Key_Tab})
            QTest::keyClick(window, key);
    }

    struct Played
    {
        QStringList beforeTrying, afterTrying, afterTheBox;
    };

    // A game up to the first box of the given kind and through it. While it is open, everything
    // is tried on the control (if one is given).
    Played playThrough(const QString &kind, const QString &control)
    {
        random.numbers = {rFor(40), rFor(300), rFor(120)};
        record = FakeRecordStore();
        game.reset();
        form = std::make_unique<Form1>();
        game = std::make_unique<Game>(*form, random, record);
        connectGame(*form, *game);

        Played played;
        QStringList boxes;
        bool tried = control.isEmpty();
        QWidget *tryingOver = nullptr; // the box open while everything is tried
        const auto answer = [&](QWidget *box) {
            const auto *message = qobject_cast<QMessageBox *>(box);
            boxes << (message ? message->text() : QStringLiteral("(the name box)"));
            if (auto *name = qobject_cast<QInputDialog *>(box))
                name->setTextValue(QStringLiteral("Ada"));
            QTest::keyClick(box, Qt::Key_Return);
        };
        const auto openBox = [] {
            QWidget *box = QApplication::activeModalWidget();
            return box && box->isVisible() ? box : nullptr;
        };
        QTimer closer;
        connect(&closer, &QTimer::timeout, this, [&] {
            QWidget *box = openBox();
            if (box && !tried && isBox(kind, box)) {
                tried = true;
                tryingOver = box;
                played.beforeTrying = state(boxes);
                tryEverything(control, box);
                played.afterTrying = state(boxes);
                tryingOver = nullptr;
            }
            if (box)
                answer(box);
        });
        // Closes any box that what was tried opens on top (a timer does not run inside itself).
        QTimer rescuer;
        connect(&rescuer, &QTimer::timeout, this, [&] {
            if (QWidget *box = openBox(); box && tryingOver && box != tryingOver)
                answer(box);
        });
        closer.start(5);
        rescuer.start(5);

        game->start();
        if (!game->ended()) {
            form->show();
            form->activateWindow();
            if (!QTest::qWaitForWindowActive(form.get()))
                qWarning("the window is not active");
        }
        const auto click = [this](QWidget *w) { QTest::mouseClick(w, Qt::LeftButton); };
        if (kind == QLatin1String("help"))
            click(form->menuStrip()->item(QStringLiteral("help")));
        else if (kind == QLatin1String("definition"))
            click(form->menuStrip()->item(QStringLiteral("acuto")));
        else if (kind == QLatin1String("wrong"))
            click(form->option(Obtuse));
        else if (kind == QLatin1String("correct"))
            click(form->option(Acute));
        else if (kind == QLatin1String("goodbye"))
            click(form->findChild<QWidget *>(QStringLiteral("Cmdexit1")));
        played.afterTheBox = state(boxes);
        if (game->ended()) {
            // The end of the program asked the event loop to stop: let the next box open.
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
            QCoreApplication::exec();
        }
        return played;
    }

    std::map<QString, QStringList> unhindered; // by kind of box: how the game goes on

private slots:
    void cleanup()
    {
        game.reset();
        form.reset();
    }

    // While a box of the game is open, no control of the window acts on anything the player or
    // assistive technology does, and the box is the only one; once it is closed, the game goes on
    // exactly as if nothing had been tried.
    void boxesHoldTheWholeWindow_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("control");
        const QStringList controls = {
            "Option1(1)", "Option1(2)", "Option1(3)", "Option1(4)", "Option1(5)", "Option1(6)",
            "Command1",   "Command4",   "Command2",   "Cmdexit1",   "help",       "acuto",
            "retto",      "ottuso",     "piatto",     "concavo",    "grio"};
        for (const char *kind :
             {"name", "greeting", "help", "definition", "wrong", "correct", "goodbye"}) {
            for (const QString &control : controls)
                QTest::addRow("%s box, %s", kind, qPrintable(control)) << kind << control;
        }
    }
    void boxesHoldTheWholeWindow()
    {
        QFETCH(QString, kind);
        QFETCH(QString, control);
        if (!unhindered.count(kind))
            unhindered[kind] = playThrough(kind, QString()).afterTheBox;
        const Played played = playThrough(kind, control);
        QVERIFY2(!played.beforeTrying.isEmpty(), "the box never opened");
        QCOMPARE(played.afterTrying, played.beforeTrying);
        QCOMPARE(played.afterTheBox, unhindered[kind]);
    }

    void answersByMouse_data()
    {
        QTest::addColumn<int>("drawn");
        QTest::addColumn<int>("correct");
        QTest::addColumn<int>("wrong");
        QTest::newRow("acute") << 40 << int(Acute) << int(Obtuse);
        QTest::newRow("right angle of 90") << 90 << int(Right) << int(Acute);
        QTest::newRow("drawn 70, shown as 90") << 70 << int(Right) << int(Acute);
        QTest::newRow("full turn, not concave") << 360 << int(Full) << int(Concave);
        QTest::newRow("concave") << 200 << int(Concave) << int(Full);
    }
    void answersByMouse()
    {
        QFETCH(int, drawn);
        QFETCH(int, correct);
        QFETCH(int, wrong);
        QVERIFY(start({drawn, 150}));
        BoxCloser boxes;
        const QString shown = label(Label::lblangolo);
        const QImage picture = form->canvas().image();

        QTest::mouseClick(form->option(wrong), Qt::LeftButton);
        QCOMPARE(boxes.texts(), QStringList{sbagliato});
        QCOMPARE(boxes.seen[0].title, QStringLiteral("Sferdoni"));
        QCOMPARE(boxes.seen[0].icon, QMessageBox::NoIcon);
        QCOMPARE(label(Label::lblScore1), QStringLiteral("1"));
        QCOMPARE(label(Label::lblScore), QStringLiteral("0"));
        QCOMPARE(label(Label::lblangolo), shown);
        QVERIFY(form->canvas().image() == picture);
        QVERIFY(form->isOptionSelected(wrong));
        QVERIFY(!goVisible());

        QTest::mouseClick(form->option(correct), Qt::LeftButton);
        QCOMPARE(boxes.texts(), (QStringList{sbagliato, bravo}));
        QCOMPARE(label(Label::lblScore), QStringLiteral("1"));
        QCOMPARE(label(Label::lblScore1), QStringLiteral("1"));
        QCOMPARE(label(Label::lblangolo), QStringLiteral("150"));
        QVERIFY(form->canvas().image() != picture);
        for (int i = 1; i <= 6; ++i)
            QVERIFY(!form->isOptionSelected(i));
        QVERIFY(goVisible());
    }

    void answersByKeyboard()
    {
        QVERIFY(start({200, 45}));
        BoxCloser boxes;
        tabTo(Full);
        QCOMPARE(QApplication::focusWidget(), form->option(Full));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        QCOMPARE(boxes.texts(), QStringList{sbagliato});
        tabTo(Concave);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        QCOMPARE(boxes.texts(), (QStringList{sbagliato, bravo}));
        QCOMPARE(label(Label::lblScore), QStringLiteral("1"));
        QCOMPARE(label(Label::lblangolo), QStringLiteral("45"));
    }

    void arrowKeysNeverAnswer_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("left") << int(Qt::Key_Left);
        QTest::newRow("right") << int(Qt::Key_Right);
        QTest::newRow("up") << int(Qt::Key_Up);
        QTest::newRow("down") << int(Qt::Key_Down);
    }
    void arrowKeysNeverAnswer()
    {
        QFETCH(int, key);
        QVERIFY(start({200}));
        BoxCloser boxes;
        tabTo(Straight);
        for (int i = 0; i < 8; ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
        QVERIFY(boxes.seen.isEmpty());
        for (int i = 1; i <= 6; ++i)
            QVERIFY(!form->isOptionSelected(i));
        QCOMPARE(label(Label::lblScore1), QStringLiteral("0"));
    }

    void clickingTheSelectedButtonAgainChangesNothing()
    {
        QVERIFY(start({200}));
        BoxCloser boxes;
        QTest::mouseClick(form->option(Acute), Qt::LeftButton);
        QCOMPARE(boxes.seen.size(), 1);
        QTest::mouseClick(form->option(Acute), Qt::LeftButton);
        QCOMPARE(form->focusWidget(), form->option(Acute));
        QTest::keyClick(form->option(Acute), Qt::Key_Space);
        QCOMPARE(boxes.seen.size(), 1);
        QCOMPARE(label(Label::lblScore1), QStringLiteral("1"));
        QVERIFY(form->isOptionSelected(Acute));
        // Another wrong button still counts.
        QTest::mouseClick(form->option(Straight), Qt::LeftButton);
        QCOMPARE(label(Label::lblScore1), QStringLiteral("2"));
        QVERIFY(!form->isOptionSelected(Acute));
    }

    void focusComingBackToTheWindowDoesNotStopTheNextTurn()
    {
        QVERIFY(start({40, 300}));
        BoxCloser boxes;
        // With a window manager the focus returns to the clicked button as its box closes.
        const auto focusReturns = [this] {
            QFocusEvent back(QEvent::FocusIn, Qt::ActiveWindowFocusReason);
            QApplication::sendEvent(form->option(Acute), &back);
        };
        boxes.whileOpen = focusReturns;
        QTest::mouseClick(form->option(Acute), Qt::LeftButton);
        focusReturns();
        QCOMPARE(boxes.texts(), QStringList{bravo});
        QCOMPARE(label(Label::lblScore), QStringLiteral("1"));
        QCOMPARE(label(Label::lblangolo), QStringLiteral("300"));
        QVERIFY(goVisible());
    }

    void tabbingOntoAnAnswerDeselectsTheCorrectOne()
    {
        QVERIFY(start({40}));
        form->setOptionSelected(Acute, true);
        form->setOptionBackColor(Acute, Game::highlightBack);
        tabTo(Right);
        QVERIFY(!form->isOptionSelected(Acute));
        QCOMPARE(form->option(Acute)->backColor(), Game::answerBack);
    }

    void keyboardOnlyButtons()
    {
        QVERIFY(start({40, 250, 100}));
        BoxCloser boxes;
        auto *go = form->findChild<QWidget *>(QStringLiteral("Command1"));
        QCOMPARE(QApplication::focusWidget(), go);

        // "Nuova nota": a practice angle; the shown amplitude and the turn stay.
        random.numbers.prepend(float(90.5 / 360)); // a practice draw of 90
        QTest::keyClick(go, Qt::Key_Tab);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        QCOMPARE(game->state().angolo, 90.f);
        QCOMPARE(label(Label::lblangolo), QStringLiteral("40"));

        // A wrong answer hides "Go"; Command4 starts a new turn and leaves it hidden.
        QTest::mouseClick(form->option(Right), Qt::LeftButton);
        QVERIFY(!goVisible());
        // Nor can assistive technology press the hidden "Go" to skip the angle.
        QAccessible::queryAccessibleInterface(go)->actionInterface()->doAction(
            QAccessibleActionInterface::pressAction());
        QCOMPARE(label(Label::lblangolo), QStringLiteral("40"));
        auto *command4 = form->findChild<QWidget *>(QStringLiteral("Command4"));
        command4->setFocus(Qt::TabFocusReason);
        QTest::keyClick(command4, Qt::Key_Space);
        QCOMPARE(label(Label::lblangolo), QStringLiteral("250"));
        QVERIFY(!goVisible());
        QCOMPARE(label(Label::lblScore1), QStringLiteral("1"));
        for (int i = 1; i <= 6; ++i)
            QVERIFY(!form->isOptionSelected(i));
    }

    void helpItemsShowTheirBoxesAndLeaveTheTurn()
    {
        QVERIFY(start({200}));
        BoxCloser boxes;
        QTest::mouseClick(form->option(Acute), Qt::LeftButton); // a wrong answer
        const QImage picture = form->canvas().image();
        for (const char *item : {"help", "acuto", "grio", "copy", "by", "oko"})
            QTest::mouseClick(form->menuStrip()->item(QLatin1String(item)), Qt::LeftButton);
        QCOMPARE(boxes.seen.size(), 4);
        QCOMPARE(boxes.seen[1].title, QStringLiteral("Riconosciamo gli Sferdoni"));
        QCOMPARE(boxes.seen[1].icon, QMessageBox::Information);
        QCOMPARE(boxes.seen[3].text,
                 QStringLiteral(" Un angolo si dice giro quando la sua ampezza è di 360°"));
        QCOMPARE(boxes.seen[3].title, QStringLiteral("Sferdoni"));
        QCOMPARE(boxes.seen[3].icon, QMessageBox::NoIcon);
        QVERIFY(form->isOptionSelected(Acute));
        QVERIFY(form->canvas().image() == picture);
        QCOMPARE(label(Label::lblScore1), QStringLiteral("1"));
        QCOMPARE(label(Label::lblangolo), QStringLiteral("200"));
    }
};

QTEST_MAIN(TestPlay)
#include "tst_play.moc"
