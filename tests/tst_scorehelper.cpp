// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/recordmessage.h"
#include "record/helperrecordstore.h"
#include "record/recordfiles.h"
#include "record/recordlocation.h"
#include "record/recordstore.h"
#include "record/windows1252.h"
#include "tests/support/recordtesting.h"

#include <vector>

#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>

namespace {

const QString helper = QStringLiteral(SFERDONI_TEST_HELPER);
const QByteArray storedScore = "12\r\n";
const QByteArray storedName = "Ada\r\n";
const QStringList asNobody = {"--reuid=nobody", "--regid=nogroup", "--clear-groups"};
constexpr gid_t gamesGroup = 60;

struct Run
{
    int status = -1; // -1 when the program crashed
    QByteArray out;
};

// Runs a program to its end with the given standard input (left open when endless); through
// setpriv with the given options first when there are any.
Run run(const QString &program, const QStringList &arguments, const QByteArray &input = {},
        const QStringList &setpriv = {}, bool endless = false)
{
    QProcess process;
    if (setpriv.isEmpty())
        process.start(program, arguments);
    else
        process.start(QStringLiteral("setpriv"), setpriv + QStringList{program} + arguments);
    process.waitForStarted();
    process.write(input);
    if (!endless)
        process.closeWriteChannel();
    process.waitForFinished(120000);
    return Run{process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
               process.readAllStandardOutput()};
}

Run runOn(const RecordDir &d, const char *command, const QByteArray &input = {},
          bool endless = false)
{
    return run(helper, {QStringLiteral("--dir"), d.path, QLatin1String(command)}, input, {},
               endless);
}

void chmodTo(const QString &path, mode_t mode)
{
    ::chmod(QFile::encodeName(path).constData(), mode);
}

QString executable(const QString &path, const QByteArray &script)
{
    writeBytes(path, "#!/bin/sh\n" + script + '\n');
    chmodTo(path, 0755);
    return path;
}

// A copy of a program, set-group-id to "games", in a directory every user can reach; or empty,
// with the reason why it cannot be made or run here.
QString privilegedCopy(const QTemporaryDir &dir, const QString &program, QString &why)
{
    struct statvfs fs
    {};
    if (::geteuid() != 0)
        why = QStringLiteral("making a set-group-id copy of the program needs root");
#ifdef SFERDONI_TEST_SANITIZED
    why = QStringLiteral("LeakSanitizer cannot work in a set-group-id program");
#endif
    if (::statvfs(QFile::encodeName(dir.path()).constData(), &fs) != 0 || (fs.f_flag & ST_NOSUID))
        why = QStringLiteral("the temporary directory is mounted nosuid");
    if (!why.isEmpty())
        return QString();
    chmodTo(dir.path(), 0755);
    const QString copy = dir.path() + QStringLiteral("/sferdoni-record");
    const QByteArray path = QFile::encodeName(copy);
    if (!QFile::copy(program, copy) || ::chown(path.constData(), 0, gamesGroup) != 0 ||
        ::chmod(path.constData(), 02755) != 0)
        why = QStringLiteral("cannot make the copy");
    return why.isEmpty() ? copy : QString();
}

} // namespace

class TestScoreHelper : public QObject
{
    Q_OBJECT

    QTemporaryDir m_tools;
    // Runs the program as nobody when the tests run as root; the program itself otherwise.
    QString m_unprivilegedHelper;

private slots:
    void initTestCase()
    {
        m_unprivilegedHelper = helper;
        if (::geteuid() == 0) {
            // A copy that nobody can reach, wherever the build is.
            chmodTo(m_tools.path(), 0755);
            const QString copy = m_tools.path() + QStringLiteral("/sferdoni-record");
            QVERIFY(QFile::copy(helper, copy));
            m_unprivilegedHelper = executable(m_tools.path() + QStringLiteral("/as-nobody"),
                                              "exec setpriv " + asNobody.join(' ').toUtf8() + ' ' +
                                                  QFile::encodeName(copy) + " \"$@\"");
        }
    }

    void saveTakesTwoLinesAndOnlyAHigherScore_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("score"); // the files afterwards
        QTest::addColumn<QByteArray>("name");
        const auto saved = [](const char *row, const QByteArray &score, const QByteArray &name) {
            QTest::newRow(row) << score + '\n' + name + '\n'
                               << 0 << score + "\r\n"
                               << name + "\r\n";
        };
        const auto kept = [](const char *row, const QByteArray &input, int status) {
            QTest::newRow(row) << input << status << storedScore << storedName;
        };
        saved("higher", "13", "Bea");
        saved("longest name", "20", QByteArray(32767, 'N'));
        kept("equal", "12\nBea\n", 1);
        kept("letters", "1a\nBea\n", 65);
        kept("no input", "", 65);
        kept("overlong input", QByteArray(1 << 20, '9'), 65);
        kept("endless input", QByteArray(1 << 16, '9'), 65);
    }
    void saveTakesTwoLinesAndOnlyAHigherScore()
    {
        QFETCH(QByteArray, input);
        QFETCH(int, status);
        QFETCH(QByteArray, score);
        QFETCH(QByteArray, name);
        RecordDir d;
        d.setPair(storedScore, storedName);
        const Run r =
            runOn(d, "save", input, QTest::currentDataTag() == QByteArray("endless input"));
        QCOMPARE(r.status, status);
        QCOMPARE(r.out, QByteArray(status == 0 ? "saved\n" : status == 1 ? "notbeaten\n" : ""));
        QCOMPARE(d.score(), score);
        QCOMPARE(d.name(), name);
        QCOMPARE(entries(d.path), (QStringList{"ang.txt", "nang.txt"}));
    }

    void wrongArgumentsAreRefused_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("none") << QStringList{};
        QTest::newRow("unknown command") << QStringList{"write"};
        QTest::newRow("--dir alone") << QStringList{"--dir"};
        QTest::newRow("--dir empty") << QStringList{"--dir", "", "read"};
        QTest::newRow("two commands") << QStringList{"--dir", "DIR", "read", "save"};
        QTest::newRow("option after the command") << QStringList{"read", "--dir", "DIR"};
    }
    void wrongArgumentsAreRefused()
    {
        QFETCH(QStringList, arguments);
        RecordDir d;
        arguments.replaceInStrings(QStringLiteral("DIR"), d.path);
        const Run r = run(helper, arguments, "13\nBea\n");
        QCOMPARE(r.status, 64);
        QCOMPARE(r.out, QByteArray());
        QCOMPARE(entries(d.path), QStringList());
    }

    // Every fault, run against the program on a temporary directory, gives the player the same
    // texts and the same messages as the game writing the directory itself.
    void theGameSeesTheSameThroughTheHelper_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("seen"); // part of what the player sees
        const auto row = [](const char *tag, const char *kind, const QString &seen) {
            QTest::newRow(tag) << QString::fromLatin1(kind) << seen;
        };
        row("first start, a name outside the code page", "none",
            QStringLiteral("text:|text:|saved|text:99\r\n|text:?ukasz ?\u20AC\r\n"));
        row("CR LF and NUL bytes", "nul", QStringLiteral("text:4\r\n") + QChar(0));
        row("FIFO", "fifo", QStringLiteral("<dir>/ang.txt: non è un file normale"));
        row("read-only name file", "roname", QStringLiteral("nang.txt: permesso negato"));
        row("missing directory in a read-only one", "missing",
            QStringLiteral("in <dir>/: permesso negato"));
        row("staged name left by a crash", "crashname", QStringLiteral("text:50\r\n|text:Bea"));
        row("lock held for good by another process", "locked",
            QStringLiteral("text:12\r\n|text:Ada\r\n|Non riesco a salvare il record in <dir>/: "
                           "un altro gioco"));
    }
    void theGameSeesTheSameThroughTheHelper()
    {
        QFETCH(QString, kind);
        QFETCH(QString, seen);
        std::vector<int> lockHolders;
        const auto setUp = [&kind, &lockHolders](const RecordDir &d) {
            if (kind != QLatin1String("none"))
                d.setPair(kind == QLatin1String("nul") ? QByteArray("4\r\n\0", 4) : storedScore,
                          storedName);
            chmodTo(d.file("ang.txt"), 0666);
            chmodTo(d.file("nang.txt"), kind == QLatin1String("roname") ? 0444 : 0666);
            const QByteArray ang = QFile::encodeName(d.file("ang.txt"));
            writeBytes(d.base.path() + QStringLiteral("/outside.txt"), "secret\r\n");
            if (kind == QLatin1String("fifo")) {
                ::unlink(ang.constData());
                ::mkfifo(ang.constData(), 0666);
            }
            if (kind == QLatin1String("missing"))
                chmodTo(d.path, 0555);
            if (kind == QLatin1String("locked")) {
                lockHolders.push_back(
                    ::open(QFile::encodeName(d.path).constData(), O_RDONLY | O_DIRECTORY));
                ::flock(lockHolders.back(), LOCK_EX);
            }
            if (kind == QLatin1String("crashname")) {
                recordfiles::RecordFiles crashing(
                    QFile::encodeName(d.path).toStdString(),
                    {.fileMode = 0666, .crashBefore = [](recordfiles::SaveStep s) {
                         return s == recordfiles::SaveStep::CommitName;
                     }});
                recordfiles::Problem problem;
                crashing.save("50", "Bea", problem);
            }
        };
        const auto play = [](RecordStore &store) {
            QStringList seen;
            const auto text = [](const std::string &bytes) {
                return QStringLiteral("text:") + fromWindows1252(bytes);
            };
            for (int round = 0; round < 2; ++round) {
                const recordfiles::Loaded loaded = store.load();
                seen << (loaded.problem
                             ? loadMessage(loaded, store)
                             : text(loaded.pair.score) + QLatin1Char('|') + text(loaded.pair.name));
                if (round == 0) {
                    recordfiles::Problem problem;
                    const auto result = store.save("99", "?ukasz ?\x80", problem);
                    seen << (result == recordfiles::SaveOutcome::Saved ? QString("saved")
                             : result == recordfiles::SaveOutcome::NotBeaten
                                 ? QString("notbeaten")
                                 : saveMessage(problem, store));
                }
            }
            return seen.join(QLatin1Char('|')).replace(store.directory(), "<dir>/");
        };
        const QString sub = kind == QLatin1String("missing") ? QStringLiteral("/sub") : QString();

        RecordDir direct;
        setUp(direct);
        QString seenDirect;
        {
            AsUnprivileged nobody;
            DirectRecordStore store(direct.path + sub);
            seenDirect = play(store);
        }
        RecordDir helped;
        setUp(helped);
        HelperRecordStore store(m_unprivilegedHelper, {.directory = helped.path + sub});
        const QString seenHelped = play(store);
        chmodTo(direct.path, 0777);
        chmodTo(helped.path, 0777);
        for (const int fd : lockHolders)
            ::close(fd);

        QCOMPARE(seenHelped, seenDirect);
        QVERIFY2(seenHelped.contains(seen), qPrintable(seenHelped));
        if (kind != QLatin1String("fifo")) // which would block a reader
            QCOMPARE(helped.score(), direct.score());
        QCOMPARE(helped.name(), direct.name());
        QCOMPARE(entries(helped.path), entries(direct.path));
        QCOMPARE(fileBytes(helped.base.path() + QStringLiteral("/outside.txt")),
                 QByteArray("secret\r\n"));
    }

    void aHelperThatFailsIsAFailure_data()
    {
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing") << QByteArray() << "non esiste";
        QTest::newRow("hangs") << QByteArray("exec sleep 60") << "";
        QTest::newRow("crashes") << QByteArray("kill -SEGV $$") << "";
        QTest::newRow("babbles") << QByteArray("echo saved; echo record 0 0") << "";
    }
    void aHelperThatFailsIsAFailure()
    {
        QFETCH(QByteArray, script);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        QString program = dir.path() + QStringLiteral("/fake");
        if (!script.isEmpty())
            executable(program, script);
        RecordDir d;
        d.setPair(storedScore, storedName);
        HelperRecordStore store(program, {.directory = d.path, .timeoutMs = 300});
        const recordfiles::Loaded loaded = store.load();
        recordfiles::Problem problem;
        QCOMPARE(store.save("99", "Eve", problem), recordfiles::SaveOutcome::Failed);
        QVERIFY(loaded.problem);
        for (const QString &message : {loadMessage(loaded, store), saveMessage(problem, store)})
            QVERIFY2(message.contains(program + QStringLiteral(": ") + reason),
                     qPrintable(message));
        QVERIFY(loaded.pair == recordfiles::Pair{});
        QCOMPARE(d.score(), storedScore);
    }

    void theRecordLivesInTheFirstPlaceThatServes_data()
    {
        QTest::addColumn<QByteArray>("helperScript"); // empty: a file that is not a program
        QTest::addColumn<int>("sharedMode");          // 0: no shared directory
        QTest::addColumn<int>("kind");
        const QByteArray program = "exit 0";
        QTest::newRow("installed") << program << 0755 << int(RecordLocation::SharedThroughHelper);
        QTest::newRow("no program") << QByteArray() << 0777 << int(RecordLocation::SharedDirectly);
        QTest::newRow("shared, not ours") << QByteArray() << 0755 << int(RecordLocation::PlayerOwn);
        QTest::newRow("no directory") << program << 0 << int(RecordLocation::PlayerOwn);
    }
    void theRecordLivesInTheFirstPlaceThatServes()
    {
        QFETCH(QByteArray, helperScript);
        QFETCH(int, sharedMode);
        QFETCH(int, kind);
        RecordDir d;
        const RecordPlaces places{d.path + QStringLiteral("/sferdoni-record"),
                                  d.path + QStringLiteral("/shared"),
                                  d.path + QStringLiteral("/own")};
        if (helperScript.isEmpty())
            writeBytes(places.helper, "not a program");
        else
            executable(places.helper, helperScript);
        if (sharedMode != 0) {
            QDir().mkpath(places.sharedDirectory);
            chmodTo(places.sharedDirectory, mode_t(sharedMode));
        }
        RecordLocation found;
        {
            AsUnprivileged nobody;
            if (!nobody.effective())
                QSKIP("cannot drop privileges here: permissions are not enforced");
            found = findRecordLocation(places);
        }
        QCOMPARE(int(found.kind), kind);
        QCOMPARE(found.directory, kind == RecordLocation::PlayerOwn ? places.playerDirectory
                                                                    : places.sharedDirectory);
        QCOMPARE(found.helper,
                 kind == RecordLocation::SharedThroughHelper ? places.helper : QString());
    }

    void aPrivilegedRunRefusesAnotherDirectory()
    {
        QTemporaryDir tools;
        QString why;
        const QString copy = privilegedCopy(tools, helper, why);
        if (copy.isEmpty())
            QSKIP(qPrintable(why));
        RecordDir d;
        for (const QStringList &setpriv : {asNobody, QStringList{"--clear-groups"}}) {
            for (const char *command : {"read", "save"}) {
                const Run r = run(copy, {QStringLiteral("--dir"), d.path, QLatin1String(command)},
                                  "99\nEve\n", setpriv);
                QCOMPARE(r.status, 77);
                QCOMPARE(r.out, QByteArray());
            }
        }
        QCOMPARE(entries(d.path), QStringList());
    }

    void twoPlayersShareTheRecordThroughTheGroup()
    {
        QTemporaryDir tools;
        QString why;
        const QString copy =
            privilegedCopy(tools, QStringLiteral(SFERDONI_TEST_FIXTURE_HELPER), why);
        if (copy.isEmpty())
            QSKIP(qPrintable(why));
        const QString shared = QStringLiteral(SFERDONI_TEST_FIXTURE_DIR);
        const QByteArray sharedPath = QFile::encodeName(shared);
        {
            AsUnprivileged nobody;
            if (::faccessat(AT_FDCWD, QFile::encodeName(QFileInfo(shared).absolutePath()), X_OK,
                            AT_EACCESS) != 0)
                QSKIP("the build directory is out of reach of other users");
        }
        QDir(shared).removeRecursively();
        QVERIFY(QDir().mkpath(shared));
        QVERIFY(::chown(sharedPath.constData(), 0, gamesGroup) == 0);
        chmodTo(shared, 02770);
        const QStringList other = {"--reuid=1234", "--regid=1234", "--clear-groups"};

        QCOMPARE(run(copy, {"read"}, {}, asNobody).out, QByteArray("record 0 0\n"));
        QCOMPARE(run(copy, {"save"}, "5\nAda\n", asNobody).status, 0);
        QCOMPARE(run(copy, {"read"}, {}, other).out, QByteArray("record 3 5\n5\r\nAda\r\n"));
        QCOMPARE(run(copy, {"save"}, "3\nBea\n", other).status, 1);
        QCOMPARE(run(copy, {"save"}, "8\nBea\n", other).status, 0);
        QCOMPARE(run(copy, {"read"}, {}, asNobody).out, QByteArray("record 3 5\n8\r\nBea\r\n"));

        for (const char *file : {"ang.txt", "nang.txt"}) {
            struct stat st
            {};
            QVERIFY(::stat((sharedPath + '/' + file).constData(), &st) == 0);
            QCOMPARE(st.st_mode & 07777, mode_t(0660));
            QCOMPARE(st.st_gid, gamesGroup);
            QCOMPARE(st.st_uid, uid_t(1234));
        }
        {
            // Without the program, a player cannot even read the record.
            AsUnprivileged nobody;
            QVERIFY(::faccessat(AT_FDCWD, (sharedPath + "/ang.txt").constData(), R_OK,
                                AT_EACCESS) != 0);
        }
        QCOMPARE(entries(shared), (QStringList{"ang.txt", "nang.txt"}));
        QDir(shared).removeRecursively();
    }
};

QTEST_GUILESS_MAIN(TestScoreHelper)
#include "tst_scorehelper.moc"
