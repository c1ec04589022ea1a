// Turns played on the real window, with the mouse and the keyboard, and real boxes.

#include "angles.h"
#include "canvas.h"
#include "controls.h"
#include "form1.h"
#include "game.h"
#include "menustrip.h"
#include "recordingwindow.h"
#include "wiring.h"

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

float rFor(int drawn)
{
    return float((drawn - 0.5) / 360.0);
}

// Closes every message box as soon as it opens, noting its text, title and icon, and what the
// window showed at that moment.
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
    std::function<void()> whileOpen;

    BoxCloser()
    {
        m_timer.setInterval(5);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            seen << Seen{box->text(), box->windowTitle(), box->icon()};
            if (whileOpen)
                whileOpen();
            QTest::keyClick(box, Qt::Key_Return);
        });
        m_timer.start();
    }

    QStringList texts() const
    {
        QStringList t;
        for (const Seen &s : seen)
            t << s.text;
        return t;
    }

private:
    QTimer m_timer;
};

const QString bravo = QStringLiteral("Bravo è esatto");
const QString sbagliato = QStringLiteral("HAI SBAGLIATO");

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

    QString label(Label l) const { return form->labelText(l); }
    bool goVisible() const
    {
        return form->findChild<QWidget *>(QStringLiteral("Command1"))->isVisible();
    }

private slots:
    void cleanup()
    {
        game.reset();
        form.reset();
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
