// The account file: what it refuses and why, and that what the dialog writes is read back.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "qt_printers.h"
#include "windows/xmpp_account.h"

namespace {

QString write_file(const QTemporaryDir& folder, const QByteArray& text,
                   QFileDevice::Permissions mode = QFileDevice::ReadOwner |
                                                   QFileDevice::WriteOwner) {
    const QString path = folder.filePath("xmpp.conf");
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(text);
    file.close();
    file.setPermissions(mode);
    return path;
}

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
        {good, mine | QFileDevice::ReadOther, "chmod 600"},
        {"[account]\npassword=hunter2\n", mine, "key \"jid\" is missing"},
        {"[account]\njid=m@example.org\n", mine, "key \"password\" is missing"},
        {"[other]\njid=m@example.org\npassword=hunter2\n", mine, "key \"jid\" is missing"},
        {"[account]\njid=example.org\npassword=hunter2\n", mine, "name@example.org"},
        {good + "port=70000\n", mine, "\"port\""},
        {good + "stale_minutes=0\n", mine, "\"stale_minutes\""},
        {good + "ca_file=/no/such/ca.pem\n", mine, "/no/such/ca.pem"},
    };
    for (const Case& c : cases) {
        QTemporaryDir folder;
        const QString path = write_file(folder, c.text, c.mode);
        const XmppAccount::Loaded loaded = XmppAccount::load(path);
        EXPECT_FALSE(loaded.account) << c.text.toStdString();
        EXPECT_TRUE(loaded.problem.contains(c.says)) << loaded.problem;
        EXPECT_TRUE(loaded.problem.contains(path)) << loaded.problem;
        EXPECT_FALSE(loaded.problem.contains("hunter2")) << loaded.problem;
    }
    QTemporaryDir folder;
    EXPECT_TRUE(XmppAccount::load(folder.filePath("none.conf")).problem.contains("none.conf"));
}

TEST(XmppAccountFile, WhatIsSavedIsPrivateAndReadsBack) {
    QTemporaryDir folder;
    const QString path = folder.filePath("xmpp.conf");
    XmppAccount account;
    account.jid = "machine@example.org";
    account.password = "pa;ss = word";
    account.host = "xmpp.example.org";
    account.port = 5223;
    account.stale_minutes = 3;
    ASSERT_TRUE(account.save(path));
    EXPECT_EQ(QFile::permissions(path), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                            QFileDevice::ReadUser | QFileDevice::WriteUser);
    const XmppAccount::Loaded loaded = XmppAccount::load(path);
    ASSERT_TRUE(loaded.account) << loaded.problem;
    EXPECT_EQ(loaded.account->jid, account.jid);
    EXPECT_EQ(loaded.account->password, account.password);
    EXPECT_EQ(loaded.account->host, account.host);
    EXPECT_EQ(loaded.account->port, 5223);
    EXPECT_EQ(loaded.account->stale_minutes, 3);
    EXPECT_EQ(loaded.account->domain(), "example.org");
}

}  // namespace
