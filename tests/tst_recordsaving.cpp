// SPDX-License-Identifier: GPL-3.0-or-later
// Saving the record's files: only a higher score of one line, and always a whole pair, through
// crashes, stopped and racing saves, held locks, full disks and other owners.

#include "game/recordmessage.h"
#include "record/recordfiles.h"
#include "record/recordstore.h"
#include "tests/support/recordtesting.h"

#include <QTest>

#include <atomic>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <thread>

using recordfiles::Pair;
using recordfiles::Problem;
using recordfiles::RecordFiles;
using recordfiles::SaveOutcome;
using recordfiles::SaveStep;

class TestRecordSaving : public QObject
{
    Q_OBJECT

private slots:
    void onlyAStrictlyHigherScoreOfOneLineIsSaved_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QByteArray>("score");
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<int>("outcome");
        const auto row = [](const char *tag, const QByteArray &stored, const QByteArray &score,
                            SaveOutcome outcome, const QByteArray &name = "Bea") {
            QTest::newRow(tag) << stored << score << name << int(outcome);
        };
        row("0 against nothing", {}, "0", SaveOutcome::NotBeaten);
        row("1 against nothing", {}, "1", SaveOutcome::Saved);
        row("equal", "12\r\n", "12", SaveOutcome::NotBeaten);
        row("one more", "12\r\n", "13", SaveOutcome::Saved);
        row("lower", "12\r\n", "11", SaveOutcome::NotBeaten);
        row("a huge stored score", "99999999999999999999\r\n", "5", SaveOutcome::NotBeaten);
        row("NUL bytes after the number", QByteArray("4\0\0\0", 4), "5", SaveOutcome::Saved);
        row("no number", "abc\r\n", "1", SaveOutcome::Saved);
        row("too large for a double", QByteArray(400, '9') + "\r\n", "999999999",
            SaveOutcome::NotBeaten);
        // Whoever calls it, each file stays one line.
        row("LF in the name", "12\r\n", "13", SaveOutcome::Failed, "A\nB");
        row("CR in the name", "12\r\n", "13", SaveOutcome::Failed, "Bea\r");
        row("a line end in the score", "12\r\n", "13\r\n", SaveOutcome::Failed);
    }
    void onlyAStrictlyHigherScoreOfOneLineIsSaved()
    {
        QFETCH(QByteArray, stored);
        QFETCH(QByteArray, score);
        QFETCH(QByteArray, name);
        QFETCH(int, outcome);
        RecordDir d;
        d.setPair(stored, oldName);
        RecordFiles files(QFile::encodeName(d.path).toStdString());
        Problem problem;
        QCOMPARE(int(save(files, bytes(score), bytes(name), &problem)), outcome);
        QCOMPARE(problem.error, outcome == int(SaveOutcome::Failed) ? EINVAL : 0);
        const bool saved = outcome == int(SaveOutcome::Saved);
        QCOMPARE(d.score(), saved ? score + "\r\n" : stored);
        QCOMPARE(d.name(), saved ? name + "\r\n" : oldName);
    }

    void aDirectoryAtAStagingNameHidesNothing_data()
    {
        QTest::addColumn<QString>("staged");
        QTest::newRow("score") << ".ang.txt.new";
        QTest::newRow("name") << ".nang.txt.new";
    }
    void aDirectoryAtAStagingNameHidesNothing()
    {
        QFETCH(QString, staged);
        RecordDir d;
        d.setPair(oldScore, oldName);
        QVERIFY(QDir(d.path).mkpath(staged + QStringLiteral("/inside")));
        RecordFiles files(QFile::encodeName(d.path).toStdString());
        QCOMPARE(files.load(), found(oldScore, oldName));
        Problem problem;
        QCOMPARE(save(files, "8", "Bea", &problem), SaveOutcome::Failed);
        QCOMPARE(QString::fromStdString(problem.file), staged);
        QCOMPARE(d.score(), oldScore);
        QCOMPARE(d.name(), oldName);
    }

    void aPlantedStagingLinkIsNotFollowed()
    {
        RecordDir d;
        d.setPair(oldScore, oldName);
        const QString outside = d.base.path() + QStringLiteral("/outside.txt");
        writeBytes(outside, "secret\r\n");
        QVERIFY(::symlink(QFile::encodeName(outside).constData(),
                          QFile::encodeName(d.file(".nang.txt.new")).constData()) == 0);
        RecordFiles files(QFile::encodeName(d.path).toStdString());
        QCOMPARE(save(files, "8", "Bea"), SaveOutcome::Saved);
        QCOMPARE(fileBytes(outside), QByteArray("secret\r\n"));
        QCOMPARE(d.score(), QByteArray("8\r\n"));
        QCOMPARE(d.name(), QByteArray("Bea\r\n"));
        QCOMPARE(entries(d.path), (QStringList{"ang.txt", "nang.txt"}));
    }

    void aCrashAtAnyStepLeavesOneWholePair_data()
    {
        QTest::addColumn<int>("step");
        QTest::addColumn<bool>("newPair");
        QTest::newRow("before staging the score") << int(SaveStep::StageScore) << false;
        QTest::newRow("before staging the name") << int(SaveStep::StageName) << false;
        QTest::newRow("before the score takes its place") << int(SaveStep::CommitScore) << false;
        QTest::newRow("between the two renames") << int(SaveStep::CommitName) << true;
        QTest::newRow("before the last sync") << int(SaveStep::SyncDir) << true;
    }
    void aCrashAtAnyStepLeavesOneWholePair()
    {
        QFETCH(int, step);
        QFETCH(bool, newPair);
        RecordDir d;
        d.setPair(oldScore, oldName);
        RecordFiles crashing(QFile::encodeName(d.path).toStdString(),
                             {.crashBefore = [step](SaveStep s) { return int(s) == step; }});
        QCOMPARE(save(crashing, "9", "Bea"), SaveOutcome::Interrupted);

        // A start that finds the lock free finishes or rolls back what the crash left.
        const QByteArray score = newPair ? QByteArray("9\r\n") : oldScore;
        const QByteArray name = newPair ? QByteArray("Bea\r\n") : oldName;
        RecordFiles next(QFile::encodeName(d.path).toStdString());
        QCOMPARE(next.load().pair, (Pair{bytes(score), bytes(name)}));
        QCOMPARE(d.score(), score);
        QCOMPARE(d.name(), name);
        QCOMPARE(entries(d.path), (QStringList{"ang.txt", "nang.txt"}));
    }

    void aSaveWithItsScoreFileGoneStillSaves()
    {
        RecordDir d;
        d.setPair(oldScore, oldName);
        ::unlink(QFile::encodeName(d.file("ang.txt")).constData());
        RecordFiles files(QFile::encodeName(d.path).toStdString());
        QCOMPARE(save(files, "1", "Bea"), SaveOutcome::Saved);
        QCOMPARE(d.score(), QByteArray("1\r\n"));
        QCOMPARE(d.name(), QByteArray("Bea\r\n"));
    }

    void aLockHeldForGoodStopsOnlyTheSave()
    {
        RecordDir d;
        d.setPair(oldScore, oldName);
        // Another process holds the directory's lock and does not let go.
        const int other = ::open(QFile::encodeName(d.path).constData(), O_RDONLY | O_DIRECTORY);
        QVERIFY(other >= 0);
        QVERIFY(::flock(other, LOCK_EX) == 0);
        RecordFiles files(QFile::encodeName(d.path).toStdString(), {.lockTimeoutMs = 100});
        const recordfiles::Loaded loaded = files.load();
        Problem saved;
        const SaveOutcome outcome = save(files, "99", "Eve", &saved);
        ::close(other);
        QCOMPARE(loaded, found(oldScore, oldName));
        QCOMPARE(outcome, SaveOutcome::Failed);
        QCOMPARE(saved.error, EWOULDBLOCK);
        QCOMPARE(d.score(), oldScore);
        QVERIFY(saveMessage(saved, DirectRecordStore(d.path))
                    .contains(QStringLiteral("un altro gioco")));
        QCOMPARE(save(files, "99", "Eve"), SaveOutcome::Saved);
    }

    void aStickyDirectoryDoesNotLetOneGameBreakAnothersPair()
    {
        if (::geteuid() != 0)
            QSKIP("files of two owners need root to set up");
        RecordDir d;
        d.setPair(oldScore, oldName);
        // Both files belong to someone else, in a sticky directory everyone may write.
        for (const char *f : {"ang.txt", "nang.txt"}) {
            const QByteArray path = QFile::encodeName(d.file(f));
            QVERIFY(::chown(path.constData(), 1, 1) == 0);
            QVERIFY(::chmod(path.constData(), 0666) == 0);
        }
        QVERIFY(::chmod(QFile::encodeName(d.path).constData(), 01777) == 0);
        SaveOutcome outcome;
        Problem problem;
        {
            AsUnprivileged nobody;
            RecordFiles files(QFile::encodeName(d.path).toStdString());
            outcome = save(files, "99", "Eve", &problem);
        }
        QCOMPARE(outcome, SaveOutcome::Failed);
        QCOMPARE(problem.error, EPERM);
        QCOMPARE(d.score(), oldScore);
        QCOMPARE(d.name(), oldName);
        QCOMPARE(entries(d.path), (QStringList{"ang.txt", "nang.txt"}));
    }

    void permissionsAreRespected_data()
    {
        QTest::addColumn<QString>("locked");
        QTest::newRow("read-only directory") << "directory";
        QTest::newRow("read-only score file") << "score";
        QTest::newRow("read-only name file") << "name";
    }
    void permissionsAreRespected()
    {
        QFETCH(QString, locked);
        RecordDir d;
        d.setPair(oldScore, oldName);
        const auto chmodTo = [](const QString &p, mode_t m) {
            ::chmod(QFile::encodeName(p).constData(), m);
        };
        chmodTo(d.file("ang.txt"), locked == QLatin1String("score") ? 0444 : 0666);
        chmodTo(d.file("nang.txt"), locked == QLatin1String("name") ? 0444 : 0666);
        if (locked == QLatin1String("directory"))
            chmodTo(d.path, 0555);

        SaveOutcome result;
        QString error;
        {
            AsUnprivileged nobody;
            if (!nobody.effective())
                QSKIP("cannot drop privileges here: permissions are not enforced");
            DirectRecordStore store(d.path);
            // Both files exist: nothing to create.
            QCOMPARE(store.load().pair.score, bytes(oldScore));
            Problem problem;
            result = store.save("99", "Eve", problem);
            error = saveMessage(problem, store);
        }
        chmodTo(d.path, 0777);
        QCOMPARE(result, SaveOutcome::Failed);
        QVERIFY2(error.contains(QStringLiteral("permesso negato")), qPrintable(error));
        QCOMPARE(d.score(), oldScore);
        QCOMPARE(d.name(), oldName);
        QCOMPARE(entries(d.path), (QStringList{"ang.txt", "nang.txt"}));
    }

    void aFullDiskKeepsTheOldPair_data()
    {
        QTest::addColumn<bool>("crashWhileDiscarding");
        QTest::newRow("the save cleans up") << false;
        QTest::newRow("a crash while it cleans up") << true;
    }
    void aFullDiskKeepsTheOldPair()
    {
        QFETCH(bool, crashWhileDiscarding);
        if (::geteuid() != 0)
            QSKIP("mounting a small tmpfs needs root");
        QTemporaryDir mountPoint;
        const QByteArray mp = QFile::encodeName(mountPoint.path());
        if (::mount("tmpfs", mp.constData(), "tmpfs", 0, "size=64k") != 0)
            QSKIP("cannot mount a tmpfs here");
        const QString dir = mountPoint.path() + QStringLiteral("/record");
        QDir().mkpath(dir);
        writeBytes(dir + QStringLiteral("/ang.txt"), oldScore);
        writeBytes(dir + QStringLiteral("/nang.txt"), oldName);
        // Fill the disk but for a few blocks, outside the record directory.
        writeBytes(mountPoint.path() + QStringLiteral("/filler"),
                   QByteArray(qsizetype(48) * 1024, 'x'));

        RecordFiles files(QFile::encodeName(dir).toStdString(),
                          {.crashBefore = [crashWhileDiscarding](SaveStep s) {
                              return crashWhileDiscarding && s == SaveStep::Discard;
                          }});
        Problem problem;
        const std::string longName(32767, 'N');
        const SaveOutcome outcome = save(files, "9", longName, &problem);
        // The next start mends whatever the crash left.
        RecordFiles(QFile::encodeName(dir).toStdString()).load();
        const QByteArray score = fileBytes(dir + QStringLiteral("/ang.txt"));
        const QByteArray name = fileBytes(dir + QStringLiteral("/nang.txt"));
        const QStringList left = entries(dir);
        ::umount(mp.constData());

        QCOMPARE(outcome, crashWhileDiscarding ? SaveOutcome::Interrupted : SaveOutcome::Failed);
        QCOMPARE(problem.error, ENOSPC);
        QCOMPARE(score, oldScore);
        QCOMPARE(name, oldName);
        QCOMPARE(left, (QStringList{"ang.txt", "nang.txt"}));
    }

    void racingSavesKeepTheHighestWholePair()
    {
        RecordDir d;
        RecordFiles(QFile::encodeName(d.path).toStdString()).load();
        const std::string path = QFile::encodeName(d.path).toStdString();
        std::atomic<int> failures{0};
        std::atomic<int> lastError{0};
        const auto player = [&](int first) {
            // Whole pairs are tested here, not the bounded wait: saving in a tight loop, one
            // player can keep the other out for longer than a game would ever wait.
            RecordFiles files(path, {.lockTimeoutMs = 60000});
            for (int score = first; score < 400; score += 2) {
                Problem problem;
                const std::string s = std::to_string(score);
                if (files.save(s, "player" + s, problem) == SaveOutcome::Failed) {
                    ++failures;
                    lastError = problem.error;
                }
            }
        };
        std::thread a(player, 1);
        std::thread b(player, 2);
        a.join();
        b.join();
        QVERIFY2(failures.load() == 0, std::strerror(lastError));
        QCOMPARE(d.score(), QByteArray("399\r\n"));
        QCOMPARE(d.name(), QByteArray("player399\r\n"));
        QCOMPARE(entries(d.path), (QStringList{"ang.txt", "nang.txt"}));
    }

    void aLowerScoreSavedLaterDoesNotWinTheRace()
    {
        // Two games read the same empty record at their start; the one that ends later with a
        // lower score must not overwrite the higher one.
        RecordDir d;
        DirectRecordStore first(d.path);
        DirectRecordStore second(d.path);
        QVERIFY(!first.load().problem);
        QVERIFY(!second.load().problem);
        Problem error;
        QCOMPARE(first.save("20", "Ada", error), SaveOutcome::Saved);
        QCOMPARE(second.save("5", "Bea", error), SaveOutcome::NotBeaten);
        QCOMPARE(d.score(), QByteArray("20\r\n"));
        QCOMPARE(d.name(), QByteArray("Ada\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestRecordSaving)
#include "tst_recordsaving.moc"
