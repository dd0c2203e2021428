#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "qt_printers.h"
#include "run/run_options.h"
#include "run/startup_checks.h"

namespace {

const QFileDevice::Permissions private_file = QFile::ReadOwner | QFile::WriteOwner;
const char* const complete = "[account]\njid=cam@example.org\npassword=secret\n";
const QString readable = "others can read it. Make it private with: chmod 600";

TEST(StartupChecks, TheAccountFileMustBePrivateAndComplete) {
    struct Case {
        const char* content;  // nullptr: no file at all
        QFileDevice::Permissions permissions;
        QString says;  // empty: the check passes
    };
    const Case cases[] = {
        {complete, private_file, {}},
        {nullptr, private_file, "missing"},
        {complete, private_file | QFile::ReadGroup, readable},
        {complete, private_file | QFile::ReadOther, readable},
        {"[account]\njid=cam@example.org\n", private_file, "key \"password\" is missing"},
        {"[account]\npassword=secret\n", private_file, "key \"jid\" is missing"},
        {"jid=cam@example.org\npassword=secret\n", private_file, "key \"jid\" is missing"},
    };
    for (const Case& c : cases) {
        QTemporaryDir folder;
        const QString path = folder.filePath("xmpp.conf");
        if (c.content) {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(c.content);
            file.close();
            ASSERT_TRUE(file.setPermissions(c.permissions));
        }
        const StartupCheck check = check_account_file(path);
        EXPECT_EQ(check.ok(), c.says.isEmpty())
            << (c.content ? c.content : "no file") << ": " << check.line();
        EXPECT_TRUE(check.line().startsWith("account file " + path)) << check.line();
        EXPECT_TRUE(check.problem.contains(c.says)) << check.line();
    }
}

// A missing camera and a folder that cannot be made are tried on the packed program
// (tests/package).
TEST(StartupChecks, TheRunChoosesTheChecksAndTheyLeaveNothingBehind) {
    QTemporaryDir folder;
    RunOptions options;
    options.app_folder = folder.filePath("new");
    options.camera = "demo";
    const auto lines = [&options](bool with_camera) {
        QStringList all;
        for (const StartupCheck& check : startup_checks(options, with_camera)) all << check.line();
        return all;
    };
    EXPECT_EQ(lines(true), QStringList({"camera demo: ok",
                                        "application folder " + options.app_folder + ": ok"}));
    EXPECT_EQ(
        QDir(options.app_folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        QStringList{});
    options.skype = "xmpp";
    EXPECT_EQ(lines(false), QStringList({"application folder " + options.app_folder + ": ok",
                                         "account file " + options.app_folder +
                                             "/xmpp.conf: missing: write the machine's jid and "
                                             "password there (see man videoquelm)"}));
}

}  // namespace
