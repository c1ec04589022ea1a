// SPDX-License-Identifier: GPL-3.0-or-later
// A whole game through the recording window: the start, the countdown and the exit.

#include "game/angles.h"
#include "game/game.h"
#include "tests/support/recordtesting.h"
#include "tests/support/testsupport.h"

#include <QTest>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>

namespace {

using recordfiles::Problem;

const QString greetingEnd = QStringLiteral(" vediamo se sei un vero campione  ");
const QString startTitle = QStringLiteral("Riconosciamo gli Sferdoni");
const QString saved = QStringLiteral("Ok ho registrato il tuo record, C A M P I O N E");

struct Table : GameTable
{
    explicit Table(const QString &name = QStringLiteral("Ada"))
    {
        window.inputAnswers = {name};
        random.numbers = {rFor(40), rFor(200), rFor(40), rFor(200), rFor(40)};
    }

    void winOnce()
    {
        const int t = game.state().tipoangolo;
        window.click(t);
        game.verificarisposta(t);
    }
};

} // namespace

class TestGame : public QObject
{
    Q_OBJECT

private slots:
    void theStartRunsInOrder()
    {
        Table t;
        t.record.score = "12\r\n";
        t.record.name = "Bea\r\n";
        QString nameDuringGreeting = QStringLiteral("unset");
        t.window.onBox = [&](const RecordingWindow::Box &) {
            nameDuringGreeting = t.window.labelText(Label::lblnome1);
        };
        t.game.start();

        QCOMPARE(t.random.seedings, 2); // at the start, and for the first angle
        const QStringList &log = t.window.log;
        QCOMPARE(log.mid(0, 4),
                 (QStringList{"timer off", "input Come ti chiami? | Riconosciamo gli Sferdoni",
                              "box  Ada vediamo se sei un vero campione   | Riconosciamo gli "
                              "Sferdoni",
                              QStringLiteral("label %1 Ada").arg(int(Label::lblnome1))}));
        QCOMPARE(t.window.boxes[0].icon, MessageIcon::Exclamation);
        QCOMPARE(nameDuringGreeting, QString());
        QCOMPARE(log.mid(4, 2),
                 (QStringList{"timer on",
                              QStringLiteral("label %1 00:15:00").arg(int(Label::lblconto))}));
        QCOMPARE(log.mid(6, 4),
                 (QStringList{QStringLiteral("label %1 12\r\n").arg(int(Label::lblpunti)),
                              QStringLiteral("label %1 Bea\r\n").arg(int(Label::lblnome)),
                              QStringLiteral("label %1 0").arg(int(Label::lblScore1)),
                              QStringLiteral("label %1 0").arg(int(Label::lblScore))}));
        QCOMPARE(log.at(10), QStringLiteral("back 1 00c0c000")); // the first turn
        QCOMPARE(t.game.state().tipoangolo, int(Acute));
        QCOMPARE(t.game.state().cartella, QStringLiteral("/record/"));
        QVERIFY(t.window.timerEnabled);
        QVERIFY(!t.game.ended());
    }

    void cancellingTheNameGivesAnEmptyName()
    {
        Table t{QString()};
        t.game.start();
        QCOMPARE(t.window.boxes[0].text, QStringLiteral("  vediamo se sei un vero campione  "));
        QCOMPARE(t.window.labelText(Label::lblnome1), QString());
        t.winOnce();
        t.game.exitSequence();
        QCOMPARE(boxTexts(t.window),
                 (QStringList{t.window.boxes[0].text, "Bravo è esatto", "Ciao a presto ", saved}));
        QCOMPARE(t.record.name, QByteArray("\r\n"));
    }

    void controlCharactersInTheNameBecomeBlanks()
    {
        Table t(QStringLiteral("Ada\nLovelace\t!\u202Eabc\u2066\u200F"));
        // Written by another program: only the line end that ends the file stays.
        t.record.name = "Bea\x1b[2J\rB\x7f\x81\r\n";
        t.game.start();
        QCOMPARE(t.window.labelText(Label::lblnome1), QStringLiteral("Ada Lovelace ! abc  "));
        QCOMPARE(t.window.boxes[0].text, QStringLiteral(" Ada Lovelace ! abc  ") + greetingEnd);
        QCOMPARE(t.window.labelText(Label::lblnome), QStringLiteral("Bea [2J B  \r\n"));
    }

    void theClockCountsDownFifteenMinutes()
    {
        Table t;
        t.game.start();
        QCOMPARE(t.window.labelText(Label::lblconto), QStringLiteral("00:15:00"));
        const std::map<int, QString> expected = {
            {1, "00:14:59"},  {59, "00:14:01"},  {60, "00:14:00"},
            {61, "00:13:59"}, {899, "00:00:01"}, {900, "00:00:00"},
        };
        for (int tick = 1; tick <= 900; ++tick) {
            t.game.tick();
            const QString text = t.window.labelText(Label::lblconto);
            if (const auto it = expected.find(tick); it != expected.end())
                QCOMPARE(text, it->second);
            // hh:mm:ss, two digits each, never 60 seconds.
            QCOMPARE(text.size(), 8);
            QVERIFY2(text.mid(6) != QLatin1String("60") && !text.contains(QLatin1Char('-')),
                     qPrintable(text));
        }
        QVERIFY(t.window.boxes.size() == 1 && !t.game.ended());

        t.game.tick(); // the 901st
        QCOMPARE(t.window.labelText(Label::lblconto), QStringLiteral("00:00:00"));
        QCOMPARE(t.window.boxes.last().text, QStringLiteral("Ciao a presto Ada"));
        QVERIFY(t.game.ended());
        QVERIFY(t.window.ended);
    }

    void theExitSavesOnlyABeatenRecord_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<int>("wins");
        QTest::addColumn<bool>("beaten");
        QTest::newRow("nothing against no record") << QByteArray("") << 0 << false;
        QTest::newRow("one against no record") << QByteArray("") << 1 << true;
        QTest::newRow("equal") << QByteArray("2\r\n") << 2 << false;
        QTest::newRow("one more") << QByteArray("2\r\n") << 3 << true;
        // Written by hand: the number at its start counts.
        QTest::newRow("below an edited record") << QByteArray(" 2.5 punti\r\n") << 2 << false;
        QTest::newRow("above an edited record") << QByteArray(" 2.5 punti\r\n") << 3 << true;
    }
    void theExitSavesOnlyABeatenRecord()
    {
        QFETCH(QByteArray, stored);
        QFETCH(int, wins);
        QFETCH(bool, beaten);
        Table t;
        t.record.score = stored;
        t.game.start();
        for (int i = 0; i < wins; ++i)
            t.winOnce();
        t.window.boxes.clear();
        t.game.exitSequence();

        QStringList want{QStringLiteral("Ciao a presto Ada")};
        if (beaten)
            want << saved;
        QCOMPARE(boxTexts(t.window), want);
        QCOMPARE(t.record.saves, beaten ? 1 : 0);
        if (beaten) {
            QCOMPARE(t.record.score, QByteArray::number(wins) + "\r\n");
            QCOMPARE(t.record.name, QByteArray("Ada\r\n"));
        }
        QCOMPARE(t.window.boxes[0].title, QStringLiteral("Sferdoni"));
        QCOMPARE(t.window.log.last(), QStringLiteral("end"));
        QVERIFY(t.game.ended());
    }

    void theExitRunsAtMostOnce()
    {
        Table t;
        t.game.start();
        t.winOnce();
        for (int i = 0; i < 899; ++i)
            t.game.tick();
        t.window.boxes.clear();
        // Behind the goodbye of "Esci" the clock reaches 00:00:00, and ticks on.
        t.window.onBox = [&](const RecordingWindow::Box &) {
            for (int i = 0; i < 3; ++i)
                t.game.tick();
            t.game.exitSequence();
        };
        t.game.exitSequence();
        QCOMPARE(boxTexts(t.window), (QStringList{"Ciao a presto Ada", saved}));
        QCOMPARE(t.record.saves, 1);
        QCOMPARE(t.window.log.count(QStringLiteral("end")), 1);
    }

    void theEndOfTheTimeBehindAnAnswerBoxEndsTheGameThere()
    {
        Table t;
        t.game.start();
        for (int i = 0; i < 900; ++i)
            t.game.tick();
        t.window.boxes.clear();
        t.window.onBox = [&](const RecordingWindow::Box &box) {
            if (box.text == QLatin1String("HAI SBAGLIATO"))
                t.game.tick(); // the 901st tick arrives while the box is open
        };
        t.window.click(Straight);
        t.game.verificarisposta(Straight);
        QCOMPARE(boxTexts(t.window), (QStringList{"HAI SBAGLIATO", "Ciao a presto Ada"}));
        QVERIFY(t.game.ended());
        // Nothing of the answer runs after the end.
        QCOMPARE(t.window.log.last(), QStringLiteral("end"));
        QCOMPARE(t.window.labelText(Label::lblScore1), QStringLiteral("0"));
    }

    void nothingRunsAfterTheEnd()
    {
        Table t;
        t.game.start();
        t.game.exitSequence();
        const qsizetype logged = t.window.log.size();
        t.game.tick();
        t.game.exitSequence();
        QCOMPARE(t.window.log.size(), logged);
    }

    void aRecordThatCannotBeReadIsShownEmptyAndNeverReplaced()
    {
        Table t;
        t.record.loadProblem = Problem{Problem::TooLarge, 0, "ang.txt"};
        t.game.start();

        QCOMPARE(t.window.boxes.size(), 2); // the greeting, then one box about the record
        QCOMPARE(t.window.boxes[1].text,
                 QStringLiteral("Non riesco a leggere il record da /record/ang.txt: è troppo "
                                "grande. Il gioco continua, ma il record non sarà salvato."));
        QCOMPARE(t.window.labelText(Label::lblpunti), QString());
        QCOMPARE(t.window.labelText(Label::lblnome), QString());
        QCOMPARE(t.game.state().tipoangolo, int(Acute)); // the game goes on

        for (int i = 0; i < 5; ++i)
            t.winOnce();
        t.window.boxes.clear();
        t.game.exitSequence();
        QCOMPARE(boxTexts(t.window), QStringList{"Ciao a presto Ada"});
        QCOMPARE(t.record.saves, 0);
        QVERIFY(t.game.ended());
    }

    void aFailedSaveSaysSoAndConfirmsNothing()
    {
        Table t;
        t.record.saveProblem = Problem{Problem::System, ENOSPC, ""};
        t.game.start();
        t.winOnce();
        t.window.boxes.clear();
        t.game.exitSequence();
        QCOMPARE(boxTexts(t.window),
                 (QStringList{"Ciao a presto Ada",
                              "Non riesco a salvare il record in /record/: il disco è pieno. Il "
                              "record di prima resta com'era."}));
        QVERIFY(t.game.ended());
    }

    void aHigherRecordSavedMeanwhileIsNotConfirmed()
    {
        Table t;
        t.record.higherSavedMeanwhile = true;
        t.game.start();
        t.winOnce();
        t.window.boxes.clear();
        t.game.exitSequence();
        QCOMPARE(boxTexts(t.window), QStringList{"Ciao a presto Ada"});
        QVERIFY(t.game.ended());
    }

    void aLockHeldForGoodByAnotherProcessHidesNothing()
    {
        RecordDir d;
        d.setPair("3\r\n", "Bea\r\n");
        const int other = ::open(QFile::encodeName(d.path).constData(), O_RDONLY | O_DIRECTORY);
        QVERIFY(other >= 0);
        QVERIFY(::flock(other, LOCK_EX) == 0);
        struct Player
        {
            RecordingWindow window;
            ScriptedRandom random;
            DirectRecordStore record;
            Game game{window, random, record};
            explicit Player(const QString &dir) : record(dir, {.lockTimeoutMs = 100}) {}
        };
        Player early(d.path);
        Player late(d.path);
        for (Player *p : {&early, &late}) {
            p->game.start();
            QCOMPARE(p->window.boxes.size(), 1); // the greeting alone
            QCOMPARE(p->window.labelText(Label::lblpunti), QStringLiteral("3\r\n"));
            QCOMPARE(p->window.labelText(Label::lblnome), QStringLiteral("Bea\r\n"));
            for (int i = 0; i < 4; ++i) {
                p->window.click(p->game.state().tipoangolo);
                p->game.verificarisposta(p->game.state().tipoangolo);
            }
        }
        early.game.exitSequence(); // while the lock is held: nothing saved, nothing lost
        QVERIFY2(early.window.boxes.last().text.contains(QStringLiteral("un altro gioco")),
                 qPrintable(early.window.boxes.last().text));
        QCOMPARE(d.score(), QByteArray("3\r\n"));
        ::close(other);
        late.game.exitSequence();
        QCOMPARE(late.window.boxes.last().text, saved);
        QCOMPARE(d.score(), QByteArray("4\r\n"));
        QVERIFY(early.game.ended() && late.game.ended());
    }

    void theNameFileGetsTheNameInItsCodePage_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("stored");
        QTest::newRow("plain") << "Ada" << QByteArray("Ada\r\n");
        QTest::newRow("empty") << "" << QByteArray("\r\n");
        QTest::newRow("outside the code page")
            << QStringLiteral("Łukasz") << QByteArray("\x3F\x75\x6B\x61\x73\x7A\x0D\x0A");
        QTest::newRow("accents and euro")
            << QStringLiteral("Niccolò €") << QByteArray("Niccol\xF2 \x80\r\n");
        QTest::newRow("emoji is one question mark")
            << QStringLiteral("A\U0001F600") << QByteArray("A?\r\n");
        QTest::newRow("line breaks become blanks")
            << QStringLiteral("A\nB\tC\r\u2028D\u0081") << QByteArray("A B C  D \r\n");
        QTest::newRow("turning marks become blanks")
            << QStringLiteral("\u202Eabc\u2066") << QByteArray(" abc \r\n");
        QTest::newRow("very long") << QString(40000, u'N') << QByteArray(40000, 'N') + "\r\n";
    }
    void theNameFileGetsTheNameInItsCodePage()
    {
        QFETCH(QString, typed);
        QFETCH(QByteArray, stored);
        RecordDir d;
        RecordingWindow window;
        ScriptedRandom random;
        DirectRecordStore record(d.path);
        Game game(window, random, record);
        window.inputAnswers = {typed};
        game.start();
        window.click(game.state().tipoangolo);
        game.verificarisposta(game.state().tipoangolo);
        game.exitSequence();
        QCOMPARE(d.score(), QByteArray("1\r\n"));
        QCOMPARE(d.name(), stored);
        QCOMPARE(entries(d.path), (QStringList{"ang.txt", "nang.txt"}));
    }

    void twoGamesOnTheRealRecordFiles()
    {
        RecordDir d;
        {
            RecordingWindow window;
            ScriptedRandom random;
            DirectRecordStore record(d.path);
            Game game(window, random, record);
            window.inputAnswers = {QStringLiteral("Łukasz")};
            game.start();
            QCOMPARE(d.score(), QByteArray());
            QCOMPARE(window.labelText(Label::lblpunti), QString());
            for (int i = 0; i < 12; ++i) {
                window.click(game.state().tipoangolo);
                game.verificarisposta(game.state().tipoangolo);
            }
            game.exitSequence();
            QCOMPARE(window.boxes.last().text, saved);
        }
        QCOMPARE(d.score(), QByteArray("\x31\x32\x0D\x0A"));
        QCOMPARE(d.name(), QByteArray("?ukasz\r\n"));
        {
            RecordingWindow window;
            ScriptedRandom random;
            DirectRecordStore record(d.path);
            Game game(window, random, record);
            game.start();
            QCOMPARE(window.labelText(Label::lblpunti), QStringLiteral("12\r\n"));
            QCOMPARE(window.labelText(Label::lblnome), QStringLiteral("?ukasz\r\n"));
            for (int i = 0; i < 12; ++i) {
                window.click(game.state().tipoangolo);
                game.verificarisposta(game.state().tipoangolo);
            }
            window.boxes.clear();
            game.exitSequence(); // 12 is not more than 12
            QCOMPARE(window.boxes.size(), 1);
        }
        QCOMPARE(d.score(), QByteArray("12\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestGame)
#include "tst_game.moc"
