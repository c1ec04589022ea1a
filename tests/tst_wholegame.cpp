// SPDX-License-Identifier: GPL-3.0-or-later
// Whole games on the real window with the real boxes: the name typed, the greeting, answers,
// "Esci", the goodbye and the saved record that the next game shows.

#include "game/game.h"
#include "tests/support/recordtesting.h"
#include "tests/support/testsupport.h"
#include "ui/controls.h"
#include "ui/form1.h"
#include "ui/translations.h"
#include "ui/wiring.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

struct Session
{
    Form1 form;
    ScriptedRandom random;
    DirectRecordStore record;
    Game game{form, random, record};

    explicit Session(const QString &dir) : record(dir) { connectGame(form, game); }

    void answer(int index) { QTest::mouseClick(form.option(index), Qt::LeftButton); }
    int correct() const { return game.state().tipoangolo; }
    int wrong() const { return correct() == 1 ? 2 : 1; }
};

// Once the game has ended the program, Qt remembers the request to leave the event loop until
// the next exec(): let one start and stop so that the next game's boxes open again.
void forgetTheEnd()
{
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    QCoreApplication::exec();
}

// The close box, in a process of its own: the program must really end, and save nothing.
int closeBoxChild(const QString &dir)
{
    BoxCloser player(QStringLiteral("Zed"));
    Session s(dir);
    s.game.start();
    s.form.show();
    QTimer::singleShot(50, &s.form, [&] {
        s.answer(s.correct());
        s.form.close();
    });
    return QApplication::exec();
}

} // namespace

class TestWholeGame : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(installItalianTranslation(*qApp)); }

    void aWholeGameThenTheNextOneSeesTheRecord()
    {
        RecordDir d;
        {
            BoxCloser player(QStringLiteral("Niccolò"));
            Session s(d.path);
            s.game.start();
            QVERIFY(!s.form.isVisible()); // shown only after the start
            s.form.show();
            QVERIFY(QTest::qWaitForWindowExposed(&s.form));
            QCOMPARE(s.form.label(Label::lblnome1)->text(), QStringLiteral("Niccolò"));
            QCOMPARE(s.form.label(Label::lblconto)->text(), QStringLiteral("00:15:00"));
            QVERIFY(s.form.timer1().isActive());
            QCOMPARE(d.score(), QByteArray()); // created empty

            s.answer(s.wrong());
            s.answer(s.correct());
            s.answer(s.correct());
            QCOMPARE(s.form.label(Label::lblScore)->text(), QStringLiteral("2"));
            QCOMPARE(s.form.label(Label::lblScore1)->text(), QStringLiteral("1"));

            QTest::mouseClick(s.form.findChild<QWidget *>(QStringLiteral("Cmdexit1")),
                              Qt::LeftButton);
            QCOMPARE(player.texts(),
                     (QStringList{" Niccolò vediamo se sei un vero campione  ", "HAI SBAGLIATO",
                                  "Bravo è esatto", "Bravo è esatto", "Ciao a presto Niccolò",
                                  "Ok ho registrato il tuo record, C A M P I O N E"}));
            QVERIFY(s.game.ended());
            QVERIFY(!s.form.isVisible());
            QVERIFY(!s.form.timer1().isActive());
            QVERIFY(player.nameBoxButtons.contains(QStringLiteral("Annulla")));
        }
        forgetTheEnd();
        QCOMPARE(d.score(), QByteArray("2\r\n"));
        QCOMPARE(d.name(), QByteArray("Niccol\xF2\r\n"));
        {
            BoxCloser player(QStringLiteral("Bea"));
            player.cancelName = true;
            Session s(d.path);
            s.game.start();
            s.form.show();
            QCOMPARE(s.form.label(Label::lblpunti)->text(), QStringLiteral("2\r\n"));
            QCOMPARE(s.form.label(Label::lblnome)->text(), QStringLiteral("Niccolò\r\n"));
            QCOMPARE(s.form.label(Label::lblnome1)->text(), QString());
            QCOMPARE(player.texts().first(), QStringLiteral("  vediamo se sei un vero campione  "));
            s.answer(s.correct());
            s.game.exitSequence(); // 1 does not beat 2
            QCOMPARE(player.texts().last(), QStringLiteral("Ciao a presto "));
        }
        forgetTheEnd();
        QCOMPARE(d.score(), QByteArray("2\r\n"));
    }

    void namesAreShownAsTyped()
    {
        RecordDir d;
        // A name stored by another program, with markup and control bytes.
        d.setPair("3\r\n", "<i>Bea</i>\x1b\x01<br>\r\n");
        BoxCloser player(QStringLiteral("<b>Ada</b> <img src=x>"));
        Session s(d.path);
        s.game.start();
        QCOMPARE(player.texts().first(),
                 QStringLiteral(" <b>Ada</b> <img src=x> vediamo se sei un vero campione  "));
        for (const Label label : {Label::lblnome1, Label::lblnome})
            QCOMPARE(s.form.label(label)->textFormat(), Qt::PlainText);
        QCOMPARE(s.form.label(Label::lblnome1)->text(), player.name);
        QCOMPARE(s.form.label(Label::lblnome)->text(), QStringLiteral("<i>Bea</i>  <br>\r\n"));
    }

    void aRecordProblemIsToldAndTheGameGoesOn()
    {
        RecordDir d;
        ::mkdir(QFile::encodeName(d.file("ang.txt")).constData(), 0755);
        BoxCloser player(QStringLiteral("Ada"));
        Session s(d.path);
        s.game.start();
        QCOMPARE(player.texts().size(), 2);
        QVERIFY2(player.texts()[1].contains(d.file("ang.txt")), qPrintable(player.texts()[1]));
        QVERIFY(!s.game.ended());
        QCOMPARE(s.form.label(Label::lblpunti)->text(), QString());
        s.answer(s.correct());
        QCOMPARE(s.form.label(Label::lblScore)->text(), QStringLiteral("1"));
    }

    void theCloseBoxEndsTheProcessWithoutSaving()
    {
        RecordDir d;
        d.setPair("", "");
        QProcess child;
        child.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--close-box-child"), d.path});
        QVERIFY(child.waitForStarted());
        QVERIFY2(child.waitForFinished(20000), "the program did not end");
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 0);
        QCOMPARE(d.score(), QByteArray());
        QCOMPARE(d.name(), QByteArray());
    }
};

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--close-box-child")
        return closeBoxChild(QFile::decodeName(argv[2]));
    TestWholeGame test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_wholegame.moc"
