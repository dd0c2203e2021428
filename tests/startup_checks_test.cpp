#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "qt_printers.h"
#include "run/run_options.h"
#include "run/startup_checks.h"

namespace {

const QFileDevice::Permissions private_file = QFile::ReadOwner | QFile::WriteOwner;

TEST(StartupChecks, TheAccountFileMustBePrivateAndComplete) {
    struct Case {
        const char* content;  // nullptr: no file at all
        QFileDevice::Permissions permissions;
        QString says;  // empty: the check passes
    };
    const Case cases[] = {
        {"[account]\njid=cam@example.org\npassword=secret\n", private_file, {}},
        {nullptr, private_file, "missing"},
        {"[account]\njid=cam@example.org\npassword=secret\n", private_file | QFile::ReadGroup,
         "others may read it: chmod 600"},
        {"[account]\njid=cam@example.org\npassword=secret\n", private_file | QFile::ReadOther,
         "others may read it: chmod 600"},
        {"[account]\njid=cam@example.org\n", private_file, "no password="},
        {"[account]\npassword=secret\n", private_file, "no jid="},
        {"jid=cam@example.org\npassword=secret\n", private_file, "no jid="},
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

TEST(StartupChecks, TheFolderMustBeWritableAndTheCameraMustOpen) {
    QTemporaryDir root;
    QFile blocker(root.filePath("a-file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    EXPECT_TRUE(check_app_folder(root.filePath("new/folder")).ok());
    EXPECT_TRUE(QFile::exists(root.filePath("new/folder")));
    EXPECT_EQ(QDir(root.filePath("new/folder"))
                  .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{})
        << "the probe is removed";
    EXPECT_EQ(check_app_folder(root.filePath("a-file/sub")).problem, "cannot be made");

    EXPECT_TRUE(check_camera("demo").ok());
    const StartupCheck missing = check_camera(root.filePath("gone.avi"));
    EXPECT_EQ(missing.line(), "camera " + root.filePath("gone.avi") +
                                  ": cannot be opened (No such file: " + root.filePath("gone.avi") +
                                  ")");
}

TEST(StartupChecks, TheAccountIsCheckedOnlyForTheMessengerLink) {
    QTemporaryDir folder;
    RunOptions options;
    options.app_folder = folder.path();
    options.camera = "demo";
    const auto subjects = [&options](bool with_camera) {
        QStringList all;
        for (const StartupCheck& check : startup_checks(options, with_camera)) all << check.subject;
        return all;
    };
    EXPECT_EQ(subjects(true), QStringList({"camera demo", "application folder " + folder.path()}));
    options.skype = "xmpp";
    EXPECT_EQ(subjects(false), QStringList({"application folder " + folder.path(),
                                            "account file " + folder.filePath("xmpp.conf")}));
}

}  // namespace
