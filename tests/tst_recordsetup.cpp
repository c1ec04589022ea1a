// SPDX-License-Identifier: GPL-3.0-or-later
// The helper's setup mode as the install script runs it, on the directory built into the test
// copy of the helper. Root only.
#include "record/recordfiles.h"
#include "tests/support/recordtesting.h"

#include <QProcess>
#include <QScopeGuard>
#include <QTest>

#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <thread>

using recordfiles::SaveStep;

namespace {

const QString helper = QStringLiteral(SFERDONI_TEST_FIXTURE_HELPER);
const QString shared = QStringLiteral(SFERDONI_TEST_FIXTURE_DIR);
constexpr gid_t gamesGroup = 60;
constexpr uid_t player = 1234;

QByteArray at(const char *name)
{
    return QFile::encodeName(shared) + '/' + name;
}

// inode, owner, group and mode of an entry, as text: "" when there is none.
QString statusOf(const char *name)
{
    struct stat st
    {};
    if (::lstat(at(name).constData(), &st) != 0)
        return QString();
    return QStringLiteral("%1 %2:%3 %4")
        .arg(st.st_ino)
        .arg(st.st_uid)
        .arg(st.st_gid)
        .arg(st.st_mode & 0777777, 0, 8);
}

void setFile(const char *name, const QByteArray &bytes, uid_t owner, mode_t mode)
{
    writeBytes(QString::fromLocal8Bit(at(name)), bytes);
    QVERIFY(::chown(at(name).constData(), owner, gamesGroup) == 0);
    QVERIFY(::chmod(at(name).constData(), mode) == 0);
}

struct Setup
{
    int status = -1;
    QByteArray errors;
};

// The install script's call, with the mode wanted for both record files.
QProcess *startSetup(const char *mode = "0660")
{
    auto *process = new QProcess;
    process->start(
        helper, {"setup", "root", "games", "2770", "root", "games", mode, "root", "games", mode});
    return process;
}

Setup finish(QProcess *process)
{
    process->waitForFinished(60000);
    Setup setup{process->exitStatus() == QProcess::NormalExit ? process->exitCode() : -1,
                process->readAllStandardError()};
    delete process;
    return setup;
}

} // namespace

class TestRecordSetup : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        if (::geteuid() != 0)
            QSKIP("setup runs as root only");
        QDir(shared).removeRecursively();
        QCOMPARE(finish(startSetup()).status, 0);
    }
    void cleanupTestCase() { QDir(shared).removeRecursively(); }

    void aFileAsASaveLeftItIsLeftAlone_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QByteArray>("mode");  // wanted
        QTest::addColumn<QByteArray>("after"); // "kept", or the score file's content
        QTest::newRow("saved by a player") << "player" << QByteArray("0660") << QByteArray("kept");
        QTest::newRow("saved, then an override asks another mode")
            << "player" << QByteArray("0640") << QByteArray("12\r\n");
        QTest::newRow("made by an older version")
            << "0644" << QByteArray("0660") << QByteArray("12\r\n");
        QTest::newRow("with a second link")
            << "linked" << QByteArray("0660") << QByteArray("12\r\n");
    }
    void aFileAsASaveLeftItIsLeftAlone()
    {
        QFETCH(QString, kind);
        QFETCH(QByteArray, mode);
        QFETCH(QByteArray, after);
        setFile("ang.txt", "12\r\n", kind == QLatin1String("player") ? player : 0,
                kind == QLatin1String("0644") ? 0644 : 0660);
        setFile("nang.txt", "Ada\r\n", player, 0660);
        if (kind == QLatin1String("linked"))
            QVERIFY(::link(at("ang.txt").constData(), at("other").constData()) == 0);
        const QString before = statusOf("ang.txt");

        const Setup setup = finish(startSetup(mode.constData()));
        QCOMPARE(setup.status, 0);
        if (after == "kept") {
            QCOMPARE(statusOf("ang.txt"), before);
            QCOMPARE(setup.errors, QByteArray());
        } else {
            QCOMPARE(statusOf("ang.txt").section(' ', 1),
                     QStringLiteral("0:%1 100%2").arg(gamesGroup).arg(mode.mid(1)));
            QCOMPARE(fileBytes(QString::fromLocal8Bit(at("ang.txt"))), after);
        }
        QCOMPARE(fileBytes(QString::fromLocal8Bit(at("nang.txt"))), QByteArray("Ada\r\n"));
        ::unlink(at("other").constData());
        QCOMPARE(entries(shared), (QStringList{"ang.txt", "nang.txt"}));
    }

    // A lock kept by another process: set-up replaces nothing and renames nothing.
    void aBusyLockLeavesEveryEntryAlone_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("missing files") << "missing";
        QTest::newRow("files of an older version") << "0644";
        QTest::newRow("a link at the score's name") << "link";
        QTest::newRow("files as a save left them") << "player";
    }
    void aBusyLockLeavesEveryEntryAlone()
    {
        QFETCH(QString, kind);
        if (kind != QLatin1String("missing")) {
            setFile("ang.txt", "12\r\n", 0, kind == QLatin1String("0644") ? 0644 : 0660);
            setFile("nang.txt", "Ada\r\n", 0, kind == QLatin1String("0644") ? 0644 : 0660);
        } else {
            ::unlink(at("ang.txt").constData());
            ::unlink(at("nang.txt").constData());
        }
        if (kind == QLatin1String("link")) {
            ::unlink(at("ang.txt").constData());
            QVERIFY(::symlink("/nowhere", at("ang.txt").constData()) == 0);
        }
        const QString before = statusOf("ang.txt") + '|' + statusOf("nang.txt");
        const recordfiles::Fd dir(::open(QFile::encodeName(shared).constData(), O_RDONLY));
        QVERIFY(::flock(dir.get(), LOCK_EX) == 0);

        const Setup setup = finish(startSetup());
        QCOMPARE(setup.status, 0);
        if (kind == QLatin1String("missing")) {
            for (const char *name : {"ang.txt", "nang.txt"})
                QCOMPARE(statusOf(name).section(' ', 1), QStringLiteral("0:60 100660"));
        } else {
            QCOMPARE(statusOf("ang.txt") + '|' + statusOf("nang.txt"), before);
        }
        if (kind == QLatin1String("player"))
            QCOMPARE(setup.errors, QByteArray());
        else
            QCOMPARE(setup.errors,
                     "sferdoni-record: " + QFile::encodeName(shared) +
                         ": another program holds the record's lock; the record files there "
                         "are left as they are\n");
        QCOMPARE(entries(shared), (QStringList{"ang.txt", "nang.txt"}));
    }

    // A save stopped inside the lock, by a crash hook here as by its user's SIGSTOP, and let go
    // while set-up waits for the lock or after it gave up: the save's pair stands.
    void aStoppedSaveIsNeverUndone_data()
    {
        QTest::addColumn<int>("step");
        QTest::addColumn<bool>("duringSetup");
        for (const SaveStep step : {SaveStep::CommitScore, SaveStep::CommitName}) {
            for (const bool during : {true, false})
                QTest::addRow("stopped before %s, continued %s",
                              step == SaveStep::CommitScore ? "the score" : "the name",
                              during ? "while set-up waits" : "after set-up")
                    << int(step) << during;
        }
    }
    void aStoppedSaveIsNeverUndone()
    {
        QFETCH(int, step);
        QFETCH(bool, duringSetup);
        setFile("ang.txt", "12\r\n", 0, 0644);
        setFile("nang.txt", "Ada\r\n", 0, 0644);
        const pid_t saver = ::fork();
        if (saver == 0) {
            recordfiles::RecordFiles files(QFile::encodeName(shared).toStdString(),
                                           {.fileMode = 0660, .crashBefore = [step](SaveStep s) {
                                                if (int(s) == step)
                                                    ::raise(SIGSTOP);
                                                return false;
                                            }});
            recordfiles::Problem problem;
            ::_exit(files.save("13", "Bea", problem) == recordfiles::SaveOutcome::Saved ? 0 : 1);
        }
        auto reap = qScopeGuard([saver] {
            ::kill(saver, SIGKILL);
            ::waitpid(saver, nullptr, 0);
        });
        int status = 0;
        QVERIFY(::waitpid(saver, &status, WUNTRACED) == saver && WIFSTOPPED(status));

        QProcess *setup = startSetup("0640");
        if (duringSetup) {
            QTest::qWait(300);
            ::kill(saver, SIGCONT);
        }
        QCOMPARE(finish(setup).status, 0);
        ::kill(saver, SIGCONT);
        QVERIFY(::waitpid(saver, &status, 0) == saver);
        reap.dismiss();
        QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        QCOMPARE(fileBytes(QString::fromLocal8Bit(at("ang.txt"))) +
                     fileBytes(QString::fromLocal8Bit(at("nang.txt"))),
                 QByteArray("13\r\nBea\r\n"));
        QCOMPARE(entries(shared), (QStringList{"ang.txt", "nang.txt"}));
    }

    // Whatever a member of group games leaves at a staging name: set-up removes what no save
    // left there (and rolls back with a misplaced staged score), and saves work again.
    void aStagingNameIsRepaired_data()
    {
        QTest::addColumn<QString>("score"); // what stands at the staged score's name
        QTest::addColumn<QString>("name");  // and at the staged name's
        QTest::addColumn<int>("removed");
        QTest::addColumn<QStringList>("after"); // every entry of the directory
        const QStringList pair{"ang.txt", "nang.txt"};
        QTest::newRow("directories") << "directory"
                                     << "directory" << 2 << pair;
        QTest::newRow("a link, a FIFO") << "link"
                                        << "fifo" << 2 << pair;
        QTest::newRow("a file with other links")
            << ""
            << "linked" << 1 << QStringList{"ang.txt", "nang.txt", "other"};
        QTest::newRow("a name a stopped save staged")
            << ""
            << "saved" << 0 << QStringList{".nang.txt.new", "ang.txt", "nang.txt"};
        QTest::newRow("the same, beside a directory") << "directory"
                                                      << "saved" << 2 << pair;
    }
    void aStagingNameIsRepaired()
    {
        QFETCH(QString, score);
        QFETCH(QString, name);
        QFETCH(int, removed);
        QFETCH(QStringList, after);
        setFile("ang.txt", "12\r\n", player, 0660);
        setFile("nang.txt", "Ada\r\n", player, 0660);
        const QTemporaryDir outside;
        const QByteArray bait = QFile::encodeName(outside.filePath("bait"));
        writeBytes(QString::fromLocal8Bit(bait), "untouched");
        const auto plant = [&](const char *staged, const QString &kind) {
            const QByteArray path = at(staged);
            if (kind == QLatin1String("directory")) {
                QVERIFY(QDir().mkpath(QString::fromLocal8Bit(path + "/deeper/still")));
                QVERIFY(::symlink(bait.constData(), (path + "/deeper/link").constData()) == 0);
                QVERIFY(::link(bait.constData(), (path + "/hard").constData()) == 0);
            } else if (kind == QLatin1String("link")) {
                QVERIFY(::symlink(bait.constData(), path.constData()) == 0);
            } else if (kind == QLatin1String("fifo")) {
                QVERIFY(::mkfifo(path.constData(), 0660) == 0);
            } else if (kind == QLatin1String("linked")) {
                setFile(staged, "Eve\r\n", player, 0660);
                QVERIFY(::link(path.constData(), at("other").constData()) == 0);
            } else if (kind == QLatin1String("saved")) {
                setFile(staged, "Bea\r\n", player, 0660);
            }
        };
        plant(recordfiles::stagedScore, score);
        plant(recordfiles::stagedName, name);

        const Setup setup = finish(startSetup());
        QCOMPARE(setup.status, 0);
        QCOMPARE(setup.errors.count("it is removed\n"), removed);
        QCOMPARE(entries(shared), after);
        QCOMPARE(fileBytes(QString::fromLocal8Bit(bait)), QByteArray("untouched"));
        QCOMPARE(statusOf("ang.txt").section(' ', 1), QStringLiteral("%1:60 100660").arg(player));
        recordfiles::RecordFiles files(QFile::encodeName(shared).toStdString(), {.fileMode = 0660});
        recordfiles::Problem problem;
        QCOMPARE(files.save("13", "Cid", problem), recordfiles::SaveOutcome::Saved);
        QCOMPARE(problem, recordfiles::Problem());
        ::unlink(at("other").constData());
    }

    // A member of group games renaming the files away and back, or taking set-up's fresh file
    // away before it takes its place: set-up looks again, makes it again, and always ends.
    void anEntryThatChangesIsLookedAtAgain_data()
    {
        QTest::addColumn<bool>("taking");
        QTest::newRow("record renamed away and back") << false;
        QTest::newRow("fresh file taken away") << true;
    }
    void anEntryThatChangesIsLookedAtAgain()
    {
        QFETCH(bool, taking);
        std::atomic<bool> racing{true};
        std::thread renamer([&] {
            while (racing && !taking) {
                ::rename(at("ang.txt").constData(), at("away").constData());
                ::rename(at("away").constData(), at("ang.txt").constData());
            }
            while (racing) {
                for (const QString &entry : entries(shared)) {
                    if (entry.contains(QLatin1String(".setup-")))
                        ::rename(at(entry.toLocal8Bit().constData()).constData(),
                                 at("taken").constData());
                }
            }
        });
        QList<Setup> failed;
        for (int run = 0; run < 40; ++run) {
            const Setup setup = finish(startSetup(run % 2 ? "0660" : "0640"));
            if (setup.status != 0)
                failed << setup;
        }
        racing = false;
        renamer.join();
        for (const Setup &setup : failed)
            qWarning() << setup.errors;
        QCOMPARE(failed.size(), 0);
        ::unlink(at("taken").constData());
    }
};

QTEST_GUILESS_MAIN(TestRecordSetup)
#include "tst_recordsetup.moc"
