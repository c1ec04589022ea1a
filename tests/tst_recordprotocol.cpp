// SPDX-License-Identifier: GPL-3.0-or-later
// What the game and sferdoni-record say to each other, without starting either.

#include "record/protocol.h"

#include <QTest>

using namespace recordprotocol;
using recordfiles::Loaded;
using recordfiles::Problem;
using recordfiles::SaveOutcome;

Q_DECLARE_METATYPE(Loaded)

namespace {

Loaded found(const QByteArray &score, const QByteArray &name)
{
    Loaded loaded;
    loaded.pair = {score.toStdString(), name.toStdString()};
    return loaded;
}

Loaded failed(Loaded::Stage stage, Problem::Kind kind, int error, const char *file)
{
    Loaded loaded;
    loaded.stage = stage;
    loaded.problem = Problem{kind, error, file};
    return loaded;
}

} // namespace

class TestRecordProtocol : public QObject
{
    Q_OBJECT

private slots:
    void aSaveRequestIsAScoreAndAName_data()
    {
        QTest::addColumn<QByteArray>("score");
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<bool>("valid");
        const auto row = [](const char *tag, const QByteArray &score, const QByteArray &name,
                            bool valid) { QTest::newRow(tag) << score << name << valid; };
        row("higher", "13", "Bea", true);
        row("nine digits", "999999999", "Bea", true);
        row("leading zeros", "0000011", "Bea", true);
        row("empty name", "20", "", true);
        row("name in the code page", "20", "Niccol\xF2 \x80\x81\x9D", true);
        row("NUL in the name", "20", QByteArray("B\0a", 3), true);
        row("longest name", "20", QByteArray(32767, 'N'), true);
        row("letters", "1a", "Bea", false);
        row("ten digits", "1234567890", "Bea", false);
        row("empty score", "", "Bea", false);
        row("sign", "+13", "Bea", false);
        row("blank before the score", " 13", "Bea", false);
        row("CR LF line ends", "13\r", "Bea\r", false);
        row("CR in the name", "13", "B\rea", false);
        row("a third line", "13", "Bea\nCy", false);
        row("name of 32768 bytes", "13", QByteArray(32768, 'N'), false);
    }
    void aSaveRequestIsAScoreAndAName()
    {
        QFETCH(QByteArray, score);
        QFETCH(QByteArray, name);
        QFETCH(bool, valid);
        const std::string request = (score + '\n' + name + '\n').toStdString();
        QCOMPARE(encodeSaveRequest(score.toStdString(), name.toStdString()),
                 valid ? std::optional(request) : std::nullopt);
        std::string_view s;
        std::string_view n;
        QCOMPARE(decodeSaveRequest(request, s, n), valid);
        if (valid)
            QVERIFY(s == score.toStdString() && n == name.toStdString());
    }

    void aSaveRequestIsTwoWholeLines()
    {
        std::string_view s;
        std::string_view n;
        for (const char *request : {"13\nBea", "13\n", "13", ""})
            QVERIFY2(!decodeSaveRequest(request, s, n), request);
    }

    void aReadReplyCarriesThePairOrTheProblem_data()
    {
        QTest::addColumn<Loaded>("loaded");
        QTest::addColumn<int>("status");
        QTest::newRow("CR LF") << found("12\r\n", "Ada\r\n") << 0;
        QTest::newRow("empty files") << found("", "") << 0;
        QTest::newRow("NUL bytes, no line end")
            << found(QByteArray("4\0\0", 3), QByteArray("\0B\r\n\0", 5)) << 0;
        QByteArray every;
        for (int b = 0; b < 256; ++b)
            every += char(b);
        QTest::newRow("every byte") << found(every, every) << 0;
        QTest::newRow("largest files")
            << found(QByteArray(65536, '9'), QByteArray(65536, '\n')) << 0;
        const char *files[] = {"", "ang.txt", "nang.txt", ".ang.txt.new", ".nang.txt.new"};
        for (const char *file : files) {
            QTest::addRow("preparing %s, permission", file)
                << failed(Loaded::Prepare, Problem::System, EACCES, file) << 2;
            QTest::addRow("reading %s, busy", file)
                << failed(Loaded::Read, Problem::System, EWOULDBLOCK, file) << 2;
        }
        QTest::newRow("not a regular file")
            << failed(Loaded::Prepare, Problem::NotRegular, 0, "ang.txt") << 2;
        QTest::newRow("too large") << failed(Loaded::Read, Problem::TooLarge, 0, "nang.txt") << 2;
    }
    void aReadReplyCarriesThePairOrTheProblem()
    {
        QFETCH(Loaded, loaded);
        QFETCH(int, status);
        const Reply reply = encodeLoaded(loaded);
        QCOMPARE(reply.status, status);
        QVERIFY(reply.text.size() <= maxReply);
        const std::optional<Loaded> decoded = decodeLoaded(reply);
        QVERIFY(decoded);
        QVERIFY(*decoded == loaded);
    }

    void aSaveReplyCarriesTheOutcome_data()
    {
        QTest::addColumn<int>("outcome");
        QTest::addColumn<int>("error");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("status");
        QTest::newRow("saved") << int(SaveOutcome::Saved) << 0 << QByteArray("saved\n") << 0;
        QTest::newRow("not beaten")
            << int(SaveOutcome::NotBeaten) << 0 << QByteArray("notbeaten\n") << 1;
        QTest::newRow("disk full") << int(SaveOutcome::Failed) << ENOSPC
                                   << QByteArray("failed save ang.txt system 28\n") << 2;
        QTest::newRow("busy") << int(SaveOutcome::Failed) << EWOULDBLOCK
                              << QByteArray("failed save ang.txt system 11\n") << 2;
    }
    void aSaveReplyCarriesTheOutcome()
    {
        QFETCH(int, outcome);
        QFETCH(int, error);
        QFETCH(QByteArray, text);
        QFETCH(int, status);
        SaveReply saved{SaveOutcome(outcome), {}};
        if (error)
            saved.problem = Problem{Problem::System, error, "ang.txt"};
        const Reply reply = encodeSaved(saved);
        QCOMPARE(QByteArray::fromStdString(reply.text), text);
        QCOMPARE(reply.status, status);
        QVERIFY(decodeSaved(reply) == saved);
    }

    void anyOtherReplyIsRefused_data()
    {
        QTest::addColumn<bool>("read"); // a reply to read, or else to save
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("text");
        const auto row = [](const char *tag, bool read, int status, const QByteArray &text) {
            QTest::newRow(tag) << read << status << text;
        };
        row("babble", true, 0, "saved\nprepare ok\n");
        row("truncated file", true, 0, "record 10 0\n12");
        row("trailing bytes", true, 0, "record 0 0\nx");
        row("negative length", true, 0, "record -1 1\nxx");
        row("longer than a file", true, 0, "record 65537 0\n" + QByteArray(65537, '9'));
        row("good reply, wrong status", true, 3, "record 0 0\n");
        row("unknown file", true, 2, "failed read /etc/passwd system 13\n");
        row("unknown stage", true, 2, "failed write - system 13\n");
        row("a save's failure", true, 2, "failed save - system 13\n");
        row("unknown kind", true, 2, "failed read - odd 13\n");
        row("system without errno", true, 2, "failed read - system 0\n");
        row("errno that is not one", true, 2, "failed read - system 4096\n");
        row("not regular with errno", true, 2, "failed read ang.txt notregular 2\n");
        row("two failures", true, 2, "failed read - system 13\nfailed read - system 13\n");
        row("saved, wrong status", false, 0, "notbeaten\n");
        row("a read's failure", false, 2, "failed read - system 13\n");
        row("failure, wrong status", false, 1, "failed save - system 13\n");
        row("nothing", false, 0, "");
    }
    void anyOtherReplyIsRefused()
    {
        QFETCH(bool, read);
        QFETCH(int, status);
        QFETCH(QByteArray, text);
        const Reply reply{status, text.toStdString()};
        if (read)
            QVERIFY(!decodeLoaded(reply));
        else
            QVERIFY(!decodeSaved(reply));
    }
};

QTEST_APPLESS_MAIN(TestRecordProtocol)
#include "tst_recordprotocol.moc"
