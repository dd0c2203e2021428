// The outbox in virtual time, with uploads the test ends when it likes: what leaves, in which
// order and with which time, across a stream that goes down and comes back, uploads that hang or
// fail, calls that are over before they could ring, and a restart of the program.
#include <gtest/gtest.h>

#include <QDomDocument>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <memory>

#include "platform/xmpp/xmpp_outbox.h"
#include "platform/xmpp/xmpp_stanzas.h"
#include "qt_printers.h"
#include "time/virtual_scheduler.h"

namespace {

const QString owner = "owner@example.org";

struct ScriptedUploads : XmppOutbox::Uploader {
    void upload(const QString& path, const Seal& seal, Done done) override {
        pending.push_back({path, std::move(done)});
        seals.push_back(seal);
    }
    void abandon() override { pending.clear(); }
    std::vector<std::pair<QString, Done>> pending;
    std::vector<Seal> seals;
};

// Encrypts by saying so in the body; "broken" cannot encrypt at all.
struct ScriptedPrivacy : XmppOutbox::Privacy {
    Route route(const QString&) override { return now; }
    QString sealed_message(const QString& to, const QString& body) override {
        return broken ? QString() : xmpp::chat_message(to, "sealed " + body);
    }
    Route now = Route::plain;
    bool broken = false;
};

// A sent stanza in short: "line <body>", "picture <n>", "sealed picture <n>" (its address with a
// key and IV, encrypted) or "<action> <sid>", then " late" when it carries a delay stamp.
QString in_short(const QString& stanza) {
    QDomDocument document;
    if (!document.setContent(stanza, true)) return "unreadable " + stanza;
    const QDomElement message = document.documentElement();
    const QDomElement jmi = xmpp::child(message, {}, xmpp::ns_jmi);
    const QDomElement oob = xmpp::child(message, QStringLiteral("x"), xmpp::ns_oob);
    QString text = "line " + message.firstChildElement("body").text();
    if (!jmi.isNull()) text = jmi.localName() + ' ' + jmi.attribute("id");
    if (!oob.isNull()) text = "picture " + oob.firstChildElement("url").text().section('/', -1);
    static const QRegularExpression sealed("^line sealed aesgcm://up/snap/(\\w+)#[0-9a-f]{88}$");
    if (const auto m = sealed.match(text); m.hasMatch()) text = "sealed picture " + m.captured(1);
    return text + (xmpp::delay_stamp(message).isValid() ? " late" : "");
}

struct OutboxTest : ::testing::Test {
    OutboxTest() { make({}); }
    void make(const QString& store) {
        outbox.reset();
        outbox = std::make_unique<XmppOutbox>(scheduler, uploads, [] { return 10'000; });
        if (!store.isEmpty()) outbox->keep_in(store);
        outbox->send = [this](const QString& stanza) { sent.append(in_short(stanza)); };
    }
    // Runs a script of steps: up, down, "pic N", "line WORD", "call ACTION SID", "wait MS", the
    // oldest upload under way ends (ok, fail: refused, flaky: may pass), "|" marks the moment;
    // how messages go: "privacy-" wait, plain, sealed or broken.
    void run(const QString& script) {
        const QStringList words = script.split(' ');
        for (qsizetype n = 0; n < words.size(); ++n) {
            const QString& w = words[n];
            if (w == "up") outbox->stream_up();
            if (w == "down") outbox->stream_down();
            if (w == "pic") outbox->picture(owner, "/snap/" + words[++n]);
            if (w == "line") outbox->line(owner, words[++n]);
            if (w == "call") {
                outbox->call(owner, words[n + 1], words[n + 2]);
                n += 2;
            }
            if (w == "wait") scheduler.run_for(words[++n].toInt());
            if (w == "|") sent.append(w);
            if (w.startsWith("privacy-")) {
                using Route = XmppOutbox::Privacy::Route;
                const QString how = w.section('-', 1);
                privacy.broken = how == "broken";
                privacy.now = how == "wait"    ? Route::wait
                              : how == "plain" ? Route::plain
                                               : Route::sealed;
                outbox->set_privacy(&privacy);
                outbox->privacy_changed();
            }
            if (w == "ok" || w == "fail" || w == "flaky") {
                ASSERT_FALSE(uploads.pending.empty()) << "no upload under way at step " << n;
                auto [path, done] = std::move(uploads.pending.front());
                uploads.pending.erase(uploads.pending.begin());
                const auto seal = uploads.seals.front();
                uploads.seals.erase(uploads.seals.begin());
                // A sealed upload is never the file itself.
                if (seal) {
                    ASSERT_NE(seal("jpeg").value_or("jpeg"), "jpeg");
                }
                if (w == "ok") done("https://up" + path, {}, false);
                if (w != "ok") done({}, "the reason", w == "flaky");
            }
        }
    }

    VirtualScheduler scheduler;
    ScriptedUploads uploads;
    ScriptedPrivacy privacy;
    std::unique_ptr<XmppOutbox> outbox;
    QStringList sent;
};

const QString flaky_four_times =
    "flaky wait 30000 flaky wait 30000 flaky wait 30000 flaky wait 30000";

TEST_F(OutboxTest, WhatLeavesAndWhenAcrossOutagesUploadsAndCalls) {
    struct Case {
        const char* name;
        QString script;
        QStringList out;
    };
    const Case cases[] = {
        {"what was made with the stream down leaves when it is back, with its time (first: the "
         "clock is at its start)",
         "up down pic 1 line a wait 75000 up | ok line b",
         {"|",
          "line Picture of the alarm at 2007-03-15 14:23:00, sent late: the server could not "
          "be reached then. late",
          "picture 1 late", "line a late", "line b"}},
        {"a picture holds what follows while it uploads, so the phone shows it before the ring",
         "up pic 1 line a call propose c1 | ok",
         {"|", "picture 1", "line a", "propose c1"}},
        {"but a picture whose upload hangs holds nothing longer than its hold",
         "up pic 1 line a wait 4999 | wait 1 | ok",
         {"|", "line a", "|", "picture 1"}},
        {"an upload cut off by the stream's loss starts again on the next stream",
         "up pic 1 line a down up | ok",
         {"|", "picture 1", "line a"}},
        {"a refused upload is told at once, with the real reason",
         "up pic 1 fail",
         {"line The picture could not be sent: the reason."}},
        {"one that may pass is tried again, five times in all",
         "up pic 1 " + flaky_four_times + " | flaky",
         {"|", "line The picture could not be sent: the reason. late"}},
        {"no ring for a call older than the ring time, nor for its end",
         "down call propose old wait 11000 up call retract old",
         {}},
        {"nor for a call that ended before it could ring",
         "down call propose c call retract c up",
         {}},
        {"a call still young rings",
         "down call propose c wait 2000 up call retract c",
         {"propose c late", "retract c"}},
        {"until it is known how they go, lines, pictures and calls wait in order; a picture for "
         "an encrypted chat is uploaded sealed and its address and key go encrypted",
         "privacy-wait up line a pic 1 call propose c | privacy-sealed ok",
         {"|", "line sealed a", "sealed picture 1", "propose c"}},
        {"what cannot be encrypted waits, never goes in clear, and goes once it can",
         "up privacy-broken line a line b | wait 30000 | privacy-sealed",
         {"|", "|", "line sealed a late", "line sealed b late"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        make({});
        sent.clear();
        uploads.pending.clear();
        uploads.seals.clear();
        run(c.script);
        EXPECT_EQ(sent, c.out);
        EXPECT_EQ(outbox->waiting(), 0u);
    }
}

TEST_F(OutboxTest, TheQueueIsBoundedDroppingTheOldest) {
    for (int n = 0; n <= int(XmppOutbox::limit); ++n) outbox->line(owner, QString::number(n));
    outbox->stream_up();
    EXPECT_EQ(sent.size(), qsizetype(XmppOutbox::limit));
    EXPECT_EQ(sent.value(0), "line 1 late");

    // With the stream up, answers held a moment (until the owner's devices are known) are a
    // burst's, not an outage's: none is dropped.
    make({});
    sent.clear();
    run("up privacy-wait");
    for (int n = 0; n < 3 * int(XmppOutbox::limit); ++n) outbox->line(owner, QString::number(n));
    run("privacy-plain");
    EXPECT_EQ(sent.size(), 3 * qsizetype(XmppOutbox::limit));
    EXPECT_EQ(sent.value(0), "line 0");
}

// A restart of the program while the server is away loses nothing, and what it keeps only the
// user may read.
TEST_F(OutboxTest, WhatWaitsOutlivesTheProgramInAFileOnlyTheUserMayRead) {
    QTemporaryDir folder;
    const QString file = folder.filePath("outbox.json");
    make(file);
    run("pic 1 line a call propose c1");
    EXPECT_FALSE(QFile::permissions(file) & (QFile::ReadGroup | QFile::ReadOther));
    make(file);
    run("up ok");
    EXPECT_EQ(sent.mid(1), (QStringList{"picture 1 late", "line a late"}))
        << "the call is over: not kept";
    sent.clear();
    make(file);
    run("up");
    EXPECT_TRUE(sent.isEmpty()) << "what was delivered is not sent again";

    QFile damaged(file);
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write("{\"waiting\": [{\"kind\": \"line\"}, 7");
    damaged.close();
    make(file);
    EXPECT_EQ(outbox->waiting(), 0u);
}

}  // namespace
