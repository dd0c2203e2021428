// The outbox in virtual time, with uploads the test ends when it likes: what leaves, in which
// order and with which time, across a stream that goes down and comes back, uploads that hang or
// fail, calls that are over before they could ring, and a restart of the program.
#include <gtest/gtest.h>

#include <QDomDocument>
#include <QFile>
#include <QTemporaryDir>
#include <memory>

#include "platform/xmpp/xmpp_outbox.h"
#include "platform/xmpp/xmpp_stanzas.h"
#include "qt_printers.h"
#include "time/virtual_scheduler.h"

namespace {

const QString owner = "owner@example.org";

struct ScriptedUploads : XmppOutbox::Uploader {
    void upload(const QString& path, Done done) override {
        pending.push_back({path, std::move(done)});
    }
    void abandon() override {
        ++abandoned;
        pending.clear();
    }
    // Ends the oldest upload under way.
    void end(const QString& url, const QString& problem = {}, bool retry = false) {
        ASSERT_FALSE(pending.empty());
        auto [path, done] = std::move(pending.front());
        pending.erase(pending.begin());
        done(url, problem, retry);
    }
    std::vector<std::pair<QString, Done>> pending;
    int abandoned = 0;
};

// A sent stanza in short: "line <body>", "picture <url>" or "<action> <sid>", and "@hh:mm:ss"
// (UTC) when it carries a delay stamp.
QString in_short(const QString& stanza) {
    QDomDocument document;
    if (!document.setContent(stanza, true)) return "unreadable " + stanza;
    const QDomElement message = document.documentElement();
    QString text;
    const QDomElement jmi = xmpp::child(message, {}, xmpp::ns_jmi);
    const QDomElement oob = xmpp::child(message, QStringLiteral("x"), xmpp::ns_oob);
    if (!jmi.isNull())
        text = jmi.localName() + ' ' + jmi.attribute("id");
    else if (!oob.isNull())
        text = "picture " + oob.firstChildElement("url").text();
    else
        text = "line " + message.firstChildElement("body").text();
    const QDateTime stamp = xmpp::delay_stamp(message);
    if (stamp.isValid()) text += " @" + stamp.toUTC().toString("hh:mm:ss");
    return text;
}

struct OutboxTest : ::testing::Test {
    explicit OutboxTest(QString store = {}) { make(std::move(store)); }
    void make(QString store) {
        outbox.reset();
        outbox = std::make_unique<XmppOutbox>(
            scheduler, uploads, XmppOutbox::Options{std::move(store), [] { return 10'000; }});
        outbox->send = [this](const QString& stanza) { sent.append(in_short(stanza)); };
    }
    // What left since the last look.
    QStringList out() { return std::exchange(sent, {}); }
    // "@hh:mm:ss" of the virtual clock now, in UTC, as the stamps show it.
    QString at() const {
        return " @" + scheduler.current_date_time().toUTC().toString("hh:mm:ss");
    }

    VirtualScheduler scheduler;
    ScriptedUploads uploads;
    std::unique_ptr<XmppOutbox> outbox;
    QStringList sent;
};

// The picture holds the lines behind it while it uploads, so the phone shows it before the call
// rings; an upload that hangs holds them no longer than the hold.
TEST_F(OutboxTest, APictureHoldsWhatFollowsOnlyWhileItsUploadMayStillEnd) {
    outbox->stream_up();
    outbox->picture(owner, "/snap/1.jpg");
    outbox->line(owner, "Video Quelm is calling you");
    outbox->call(owner, "propose", "c1");
    EXPECT_TRUE(out().isEmpty());
    uploads.end("https://up/1.jpg");
    EXPECT_EQ(out(), (QStringList{"picture https://up/1.jpg", "line Video Quelm is calling you",
                                  "propose c1"}));

    outbox->picture(owner, "/snap/2.jpg");
    outbox->line(owner, "after the second");
    scheduler.run_for(XmppOutbox::hold_ms - 1);
    EXPECT_TRUE(out().isEmpty());
    scheduler.run_for(1);
    EXPECT_EQ(out(), QStringList{"line after the second"});
    uploads.end("https://up/2.jpg");
    EXPECT_EQ(out(), QStringList{"picture https://up/2.jpg"});
}

// Nothing is lost while the stream is down: the upload starts when it is back, and what was made
// long before says so, with its time.
TEST_F(OutboxTest, WhatWasMadeWhileTheStreamWasDownLeavesWhenItIsBackStampedWithItsTime) {
    outbox->stream_up();
    outbox->stream_down();
    const QString made = at();
    outbox->picture(owner, "/snap/1.jpg");
    outbox->line(owner, "Motion Sensing Now OFF");
    EXPECT_TRUE(uploads.pending.empty()) << "no upload without a stream";
    scheduler.run_for(75'000);
    outbox->stream_up();
    ASSERT_EQ(uploads.pending.size(), 1u);
    uploads.end("https://up/1.jpg");
    const QStringList delivered = out();
    ASSERT_EQ(delivered.size(), 3);
    EXPECT_TRUE(delivered[0].startsWith("line Picture of the alarm at 2007-03-15 14:23:00, sent "
                                        "late"))
        << delivered[0].toStdString();
    EXPECT_TRUE(delivered[0].endsWith(made));
    EXPECT_EQ(delivered[1], "picture https://up/1.jpg" + made);
    EXPECT_EQ(delivered[2], "line Motion Sensing Now OFF" + made);

    outbox->line(owner, "on time");
    EXPECT_EQ(out(), QStringList{"line on time"}) << "no stamp on what leaves at once";
}

// An upload cut off by the stream's loss is tried again on the next stream, and the lines behind
// it do not wait for answers that the lost stream will never bring.
TEST_F(OutboxTest, AnUploadCutOffByTheStreamsLossStartsAgainOnTheNextStream) {
    outbox->stream_up();
    outbox->picture(owner, "/snap/1.jpg");
    outbox->line(owner, "line");
    outbox->stream_down();
    EXPECT_EQ(uploads.abandoned, 1);
    scheduler.run_for(2'000);
    outbox->stream_up();
    ASSERT_EQ(uploads.pending.size(), 1u) << "uploaded again at once";
    uploads.end("https://up/1.jpg");
    EXPECT_EQ(out(), (QStringList{"picture https://up/1.jpg", "line line"}));
}

// A failure that may pass is tried again, a refusal is told at once, and the last failure is told
// with its own reason.
TEST_F(OutboxTest, AFailedUploadIsTriedAgainUnlessRefusedAndTheOwnerIsToldTheRealReason) {
    struct Case {
        const char* name;
        bool retry;
        int tries;  // uploads started before the owner is told
    };
    for (const Case& c : {Case{"refused", false, 1}, Case{"may pass", true, 5}}) {
        SCOPED_TRACE(c.name);
        outbox->stream_up();
        outbox->picture(owner, "/snap/1.jpg");
        int tries = 0;
        while (!uploads.pending.empty()) {
            ++tries;
            uploads.end({}, "the reason", c.retry);
            scheduler.run_for(XmppOutbox::retry_ms);
        }
        EXPECT_EQ(tries, c.tries);
        EXPECT_EQ(out().filter("picture could not").value(0).section(" @", 0, 0),
                  "line The picture could not be sent: the reason.");
        EXPECT_EQ(outbox->waiting(), 0u);
    }
}

// The phone does not ring for a call the program has given up on: one older than the ring time,
// or one that ended before its proposal could leave.
TEST_F(OutboxTest, NoProposalOlderThanTheRingTimeOrOfAnEndedCallIsSent) {
    outbox->stream_up();
    outbox->stream_down();
    outbox->call(owner, "propose", "old");
    scheduler.run_for(9'000);
    outbox->call(owner, "propose", "ended");
    outbox->call(owner, "retract", "ended");
    outbox->call(owner, "propose", "young");
    scheduler.run_for(2'000);
    outbox->stream_up();
    EXPECT_EQ(out(), QStringList{"propose young"});
    outbox->call(owner, "retract", "old");
    outbox->call(owner, "retract", "young");
    EXPECT_EQ(out(), QStringList{"retract young"});
}

TEST_F(OutboxTest, TheQueueIsBounded) {
    for (int n = 0; n <= int(XmppOutbox::limit); ++n) outbox->line(owner, QString::number(n));
    EXPECT_EQ(outbox->waiting(), XmppOutbox::limit);
    outbox->stream_up();
    const QStringList delivered = out();
    EXPECT_EQ(delivered.value(0), "line 1") << "the oldest went";
}

struct KeptOutboxTest : OutboxTest {
    KeptOutboxTest() : OutboxTest(folder.filePath("outbox.json")) {}
    QTemporaryDir folder;
    const QString file = folder.filePath("outbox.json");
};

// A restart of the program while the server is away loses nothing, and what it keeps only the
// user may read.
TEST_F(KeptOutboxTest, WhatWaitsOutlivesTheProgramInAFileOnlyTheUserMayRead) {
    outbox->picture(owner, "/snap/1.jpg");
    outbox->line(owner, "line");
    outbox->call(owner, "propose", "c1");
    ASSERT_TRUE(QFile::exists(file));
    const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther |
                                      QFile::WriteOther;
    EXPECT_FALSE(QFile::permissions(file) & others);
    make(file);
    outbox->stream_up();
    ASSERT_EQ(uploads.pending.size(), 1u);
    EXPECT_EQ(uploads.pending[0].first, "/snap/1.jpg");
    uploads.end("https://up/1.jpg");
    EXPECT_EQ(out(), (QStringList{"picture https://up/1.jpg", "line line"}))
        << "the call is not kept: it is over";

    make(file);
    outbox->stream_up();
    EXPECT_TRUE(out().isEmpty()) << "what was delivered is not sent again";

    QFile damaged(file);
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write("{\"waiting\": [{\"kind\": \"line\"}, 7");
    damaged.close();
    make(file);
    EXPECT_EQ(outbox->waiting(), 0u);
}

}  // namespace
