// The account file: what it refuses and why, and that what the dialog writes is read back.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <tuple>

#include "account/xmpp_account.h"
#include "files.h"
#include "qt_printers.h"

namespace {

TEST(XmppAccountFile, RefusesWhatItCannotSafelyUseAndSaysWhy) {
    const QByteArray good = "[account]\njid=m@example.org\npassword=hunter2\n";
    struct Case {
        QByteArray text;
        QFileDevice::Permissions mode;
        QString says;
    };
    const auto mine = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    const Case cases[] = {
        {good, mine | QFileDevice::ReadGroup, "chmod 600"},
        {good, mine | QFileDevice::ReadOther,
         "others can read it. Make it private with: chmod 600"},
        {good, mine | QFileDevice::WriteOther,
         "others can change it. Make it private with: chmod 600"},
        {"[account]\npassword=hunter2\n", mine, "key \"jid\" is missing"},
        {"[account]\njid=m@example.org\n", mine, "key \"password\" is missing"},
        {"[other]\njid=m@example.org\npassword=hunter2\n", mine, "key \"jid\" is missing"},
        {"[account]\njid=example.org\npassword=hunter2\n", mine, "name@example.org"},
        {good + "port=70000\n", mine, "\"port\""},
        {good + "stale_minutes=0\n", mine, "\"stale_minutes\""},
        {good + "ca_file=/no/such/ca.pem\n", mine, "/no/such/ca.pem"},
        {good + "encryption=sometimes\n", mine, "\"encryption\" must be omemo, optional or off"},
        {good + "owner_fingerprints=" + QByteArray(64, 'a') + ", 05" + QByteArray(64, 'b') + "\n",
         mine, "\"05" + QByteArray(64, 'b') + "\" in \"owner_fingerprints\""},
        {good + "owner_fingerprints=" + QByteArray(63, 'a') + "g\n", mine, "owner_fingerprints"},
    };
    QTemporaryDir folder;
    for (const Case& c : cases) {
        // A file of its own for each case: Qt keeps what it read by path and may miss a rewrite.
        const QString path = folder.filePath(QString("%1.conf").arg(&c - cases));
        ASSERT_TRUE(write_file(path, c.text));
        ASSERT_TRUE(QFile::setPermissions(path, c.mode));
        const XmppAccount::Loaded loaded = XmppAccount::load(path);
        EXPECT_FALSE(loaded.account) << c.text.toStdString();
        EXPECT_TRUE(loaded.problem.contains(c.says)) << loaded.problem;
        EXPECT_TRUE(loaded.problem.contains(path)) << loaded.problem;
        EXPECT_FALSE(loaded.problem.contains("hunter2")) << loaded.problem;
    }
    EXPECT_TRUE(XmppAccount::load(folder.filePath("none.conf")).problem.contains("none.conf"));
}

TEST(XmppAccountFile, WhatIsSavedIsPrivateAndReadsBack) {
    QTemporaryDir folder;
    const QString path = folder.filePath("xmpp.conf");
    const XmppAccount account{.jid = "machine@example.org",
                              .password = "pa;ss = word",
                              .host = "xmpp.example.org",
                              .port = 5223,
                              .ca_file = {},
                              .stale_minutes = 3,
                              .stun = "stun.example.org:3478",
                              .turn = "turn:turn.example.org:5349",
                              .turn_user = "me",
                              .turn_password = "se;cret",
                              .encryption = XmppAccount::Encryption::optional,
                              .owner_fingerprints = {QString(64, 'a'), QString(64, 'b')}};
    ASSERT_TRUE(account.save(path));
    EXPECT_EQ(QFile::permissions(path), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                            QFileDevice::ReadUser | QFileDevice::WriteUser);
    const XmppAccount::Loaded loaded = XmppAccount::load(path);
    ASSERT_TRUE(loaded.account) << loaded.problem;
    auto fields = [](const XmppAccount& a) {
        return std::tuple(a.jid, a.password, a.host, a.port, a.ca_file, a.stale_minutes, a.stun,
                          a.turn, a.turn_user, a.turn_password, a.encryption, a.owner_fingerprints);
    };
    EXPECT_EQ(fields(*loaded.account), fields(account));
}

// Fingerprints as the apps show them (in groups, either case) name the same devices.
TEST(XmppAccountFile, FingerprintsReadAsTheAppsShowThem) {
    const QString a(64, 'a'), b = "0123456789abcdef" + QString(48, 'f');
    QTemporaryDir folder;
    const QString path = folder.filePath("xmpp.conf");
    ASSERT_TRUE(write_file(path,
                           "[account]\njid=m@example.org\npassword=p\nencryption = OFF\n"
                           "owner_fingerprints=01234567 89ABCDEF " +
                               QByteArray(48, 'F') + " ,  " + a.toLatin1() + ",\n"));
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    const XmppAccount::Loaded loaded = XmppAccount::load(path);
    ASSERT_TRUE(loaded.account) << loaded.problem;
    EXPECT_EQ(loaded.account->encryption, XmppAccount::Encryption::off);
    EXPECT_EQ(loaded.account->owner_fingerprints, QStringList({b, a}));
}

}  // namespace
