// SPDX-License-Identifier: GPL-3.0-or-later
// The record's files as a game finds them at its start: made when missing, read without a lock
// and never mixed from two saves, odd entries refused, and their bytes as text.

#include "game/recordmessage.h"
#include "record/recordfiles.h"
#include "record/recordstore.h"
#include "record/windows1252.h"
#include "tests/support/recordtesting.h"

#include <QScopeGuard>
#include <QTest>

#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>

using recordfiles::Pair;
using recordfiles::Problem;
using recordfiles::RecordFiles;
using recordfiles::SaveOutcome;
using recordfiles::SaveStep;

class TestRecordReading : public QObject
{
    Q_OBJECT

private slots:
    void aFirstStartCreatesBothFilesEmpty()
    {
        RecordDir d;
        const QString missing = d.path + QStringLiteral("/share/games/sferdoni");
        RecordFiles files(QFile::encodeName(missing).toStdString());
        QCOMPARE(files.load(), recordfiles::Loaded{});
        QCOMPARE(entries(missing), (QStringList{"ang.txt", "nang.txt"}));
        QCOMPARE(fileBytes(missing + QStringLiteral("/ang.txt")), QByteArray());
        QCOMPARE(fileBytes(missing + QStringLiteral("/nang.txt")), QByteArray());
    }

    void aStartLeavesAnExistingRecordAlone()
    {
        RecordDir d;
        d.setPair(oldScore, oldName);
        RecordFiles files(QFile::encodeName(d.path).toStdString());
        QCOMPARE(files.load().pair, (Pair{bytes(oldScore), bytes(oldName)}));
        QCOMPARE(d.score(), oldScore);
        QCOMPARE(d.name(), oldName);
    }

    void everyByteOfTheCodePageReadsBackAsItself()
    {
        std::string all;
        for (int b = 0x20; b <= 0xFF; ++b)
            all += char(b);
        const QString text = fromWindows1252(all);
        QCOMPARE(size_t(text.size()), all.size());
        QVERIFY(toWindows1252(text) == all);
        QCOMPARE(text.at(0x80 - 0x20), QChar(0x20AC)); // €
        QCOMPARE(text.at(0x9F - 0x20), QChar(0x0178)); // Ÿ
        QCOMPARE(text.at(0xE8 - 0x20), QChar(0x00E8)); // è
    }

    void oddEntriesAreUnreadableWithoutHanging_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("symlink to a file outside") << "symlink";
        QTest::newRow("FIFO") << "fifo";
        QTest::newRow("directory") << "directory";
        QTest::newRow("10 MB file") << "large";
    }
    void oddEntriesAreUnreadableWithoutHanging()
    {
        QFETCH(QString, kind);
        RecordDir d;
        d.setPair(oldScore, oldName);
        const QByteArray ang = QFile::encodeName(d.file("ang.txt"));
        const QString outside = d.base.path() + QStringLiteral("/outside.txt");
        writeBytes(outside, "secret\r\n");
        ::unlink(ang.constData());
        if (kind == QLatin1String("symlink"))
            QVERIFY(::symlink(QFile::encodeName(outside).constData(), ang.constData()) == 0);
        else if (kind == QLatin1String("fifo"))
            QVERIFY(::mkfifo(ang.constData(), 0644) == 0);
        else if (kind == QLatin1String("directory"))
            QVERIFY(::mkdir(ang.constData(), 0755) == 0);
        else
            writeBytes(d.file("ang.txt"), QByteArray(qsizetype(10) * 1024 * 1024, '9'));

        DirectRecordStore store(d.path);
        const recordfiles::Loaded loaded = store.load();
        QVERIFY(loaded.problem);
        QCOMPARE(loaded.pair, Pair{});
        const QString read = loadMessage(loaded, store);
        QVERIFY2(read.contains(d.file("ang.txt")), qPrintable(read));
        const QString reason = kind == QLatin1String("large") ? QStringLiteral("troppo grande")
                                                              : QStringLiteral("non è un file");
        QVERIFY(read.contains(reason));
        {
            // The same when the start leaves the preparing to the holder of the lock.
            const int other = ::open(QFile::encodeName(d.path).constData(), O_RDONLY | O_DIRECTORY);
            ::flock(other, LOCK_EX);
            const recordfiles::Loaded locked = store.load();
            ::close(other);
            QVERIFY(locked.problem && loadMessage(locked, store).contains(reason));
        }

        Problem problem;
        QCOMPARE(store.save("99", "Eve", problem), SaveOutcome::Failed);
        QVERIFY(problem);
        QCOMPARE(fileBytes(outside), QByteArray("secret\r\n"));
        QCOMPARE(d.name(), oldName);
        QCOMPARE(entries(d.path), (QStringList{"ang.txt", "nang.txt"}));
    }

    // A save in another process stopped (as its player can stop it) before each of its steps,
    // holding the lock: another game reads the pair it has made so far, without waiting and
    // without changing the directory. Then the save goes on, or is killed and the next save
    // mends what it left.
    void aStoppedSaveNeverHidesTheRecord_data()
    {
        QTest::addColumn<int>("step");
        QTest::addColumn<bool>("newPair");
        QTest::addColumn<bool>("killed");
        const std::pair<const char *, SaveStep> steps[] = {
            {"staging the score", SaveStep::StageScore},
            {"staging the name", SaveStep::StageName},
            {"the score taking its place", SaveStep::CommitScore},
            {"the name taking its place", SaveStep::CommitName},
            {"the last sync", SaveStep::SyncDir}};
        for (const auto &[tag, step] : steps) {
            for (const bool killed : {false, true}) {
                QTest::addRow("before %s, %s", tag, killed ? "killed" : "continued")
                    << int(step) << (step >= SaveStep::CommitName) << killed;
            }
        }
    }
    void aStoppedSaveNeverHidesTheRecord()
    {
        QFETCH(int, step);
        QFETCH(bool, newPair);
        QFETCH(bool, killed);
        RecordDir d;
        d.setPair(oldScore, oldName);
        const std::string path = QFile::encodeName(d.path).toStdString();
        const pid_t saver = ::fork();
        if (saver == 0) {
            RecordFiles files(path, {.crashBefore = [step](SaveStep s) {
                                  if (int(s) == step)
                                      ::raise(SIGSTOP);
                                  return false;
                              }});
            Problem problem;
            ::_exit(files.save("9", "Bea", problem) == SaveOutcome::Saved ? 0 : 1);
        }
        // A failing check must not leave the saver stopped, holding the test's output open.
        auto reap = qScopeGuard([saver] {
            ::kill(saver, SIGKILL);
            ::waitpid(saver, nullptr, 0);
        });
        int status = 0;
        QVERIFY(::waitpid(saver, &status, WUNTRACED) == saver && WIFSTOPPED(status));
        const QStringList staged = entries(d.path);

        // Were it to wait for the lock, it would fail.
        RecordFiles reader(path, {.lockTimeoutMs = 600000});
        const recordfiles::Loaded loaded = reader.load();
        const QStringList afterReading = entries(d.path);
        ::kill(saver, killed ? SIGKILL : SIGCONT);
        QVERIFY(::waitpid(saver, &status, 0) == saver);
        reap.dismiss();

        const QByteArray newScore = "9\r\n";
        const QByteArray newName = "Bea\r\n";
        QCOMPARE(loaded, newPair ? found(newScore, newName) : found(oldScore, oldName));
        QCOMPARE(afterReading, staged);
        if (killed) {
            // 8 beats the old 7, not the 9 of a save that got its score in place.
            QCOMPARE(save(reader, "8", "Cy"),
                     newPair ? SaveOutcome::NotBeaten : SaveOutcome::Saved);
            QCOMPARE(reader.load(), newPair ? found(newScore, newName) : found("8\r\n", "Cy\r\n"));
        } else {
            QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
            QCOMPARE(reader.load(), found(newScore, newName));
        }
        QCOMPARE(entries(d.path), (QStringList{"ang.txt", "nang.txt"}));
    }

    void aReadRacingSavesNeverMixesTwoPairs()
    {
        RecordDir d;
        const std::string path = QFile::encodeName(d.path).toStdString();
        RecordFiles reader(path);
        QVERIFY(!reader.load().problem);
        std::atomic<bool> saving{true};
        std::thread saver([&] {
            RecordFiles files(path);
            for (int score = 1; score <= 1000; ++score) {
                Problem problem;
                const std::string s = std::to_string(score);
                files.save(s, "player" + s, problem);
            }
            saving = false;
        });
        int reads = 0;
        int failures = 0;
        QStringList mixed;
        while (saving) {
            Pair pair;
            if (reader.readPair(pair)) {
                ++failures;
                continue;
            }
            ++reads;
            const std::string score = pair.score.substr(0, pair.score.find('\r'));
            if (pair != Pair{} && pair.name != "player" + score + "\r\n")
                mixed << QString::fromStdString(pair.score + "|" + pair.name);
        }
        saver.join();
        QCOMPARE(mixed, QStringList());
        QCOMPARE(failures, 0);
        QVERIFY(reads > 0);
        QCOMPARE(d.score(), QByteArray("1000\r\n"));
        QCOMPARE(entries(d.path), (QStringList{"ang.txt", "nang.txt"}));
    }

    void anUnwritableMissingDirectoryIsReported()
    {
        RecordDir d;
        ::chmod(QFile::encodeName(d.path).constData(), 0555);
        recordfiles::Loaded loaded;
        QString message;
        {
            AsUnprivileged nobody;
            if (!nobody.effective())
                QSKIP("cannot drop privileges here: permissions are not enforced");
            DirectRecordStore store(d.path + QStringLiteral("/sferdoni"));
            loaded = store.load();
            message = loadMessage(loaded, store);
        }
        ::chmod(QFile::encodeName(d.path).constData(), 0777);
        QVERIFY(loaded.problem);
        QVERIFY2(message.contains(QStringLiteral("permesso negato")), qPrintable(message));
    }
};

QTEST_GUILESS_MAIN(TestRecordReading)
#include "tst_recordreading.moc"
