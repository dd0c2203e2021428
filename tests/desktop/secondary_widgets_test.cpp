#include <QLabel>
#include <QListWidget>
#include <QTextEdit>

#include "desktop/about_view.h"
#include "desktop/problem_view.h"
#include "desktop/splash_view.h"
#include "desktop/user_find_view.h"
#include "desktop/viewer_view.h"
#include "desktop_fixture.h"
#include "windows/quelm_splash.h"

namespace {

struct SecondaryWidgets : DesktopTest {
    Quelm_Splash& splash = t.program.splash();

    void show_splash() {
        t.scheduler.post([this] { splash.show(); });
        handle();
    }
    void instructions() {
        t.scheduler.post([this] { f.mnuInstructions.click(); });
        handle();
    }
    void write_manual(const QString& text) {
        t.write_file(
            "Video_Quelm_Skype.rtf",
            QStringLiteral("{\\rtf1\\ansi{\\b %1}\\par more\\par and more}").arg(text).toUtf8());
    }
    int visible_windows(const char* name) {
        int count = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == name && w->isVisible()) ++count;
        return count;
    }
};

TEST_F(SecondaryWidgets, TheStartUpWindowStartsOnEnter) {
    show_splash();
    ModelWindow* window = desktop.splash().window();
    ASSERT_TRUE(window->isVisible());
    EXPECT_FALSE(window->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(find<QLabel>(window, "lblVersion")->text(), "Version 1.0.13");
    QWidget* start_button = find<QWidget>(window, "Command1");
    EXPECT_EQ(start_button->nextInFocusChain(), find<QWidget>(window, "Command3"));
    EXPECT_EQ(find<QWidget>(window, "Command3")->nextInFocusChain(),
              find<QWidget>(window, "Command2"));

    window->close();  // no close box: it stays
    handle();
    EXPECT_TRUE(window->isVisible());

    QTest::keyClick(start_button, Qt::Key_Return);
    handle();
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(desktop.main().window()->isVisible());
    EXPECT_EQ(desktop.main().window()->windowTitle(), "Video Quelm Version 1.0.13");
}

TEST_F(SecondaryWidgets, ExitWithTheAgreementOpenEndsWhenTheViewerCloses) {
    show_splash();
    t.write_file("VideoQuelm_EULA.rtf", "{\\rtf1 terms}");
    click(find(desktop.splash().window(), "Command2"));
    ModelWindow* viewer = desktop.viewer().window();
    EXPECT_EQ(viewer->windowTitle(), "Video Quelm EULA");
    click(find(desktop.splash().window(), "Command3"));
    EXPECT_FALSE(t.scheduler.has_quit());
    viewer->close();
    handle();
    EXPECT_TRUE(t.scheduler.has_quit());
}

// The model's caret and wrap width reach the text box; the box follows the window's size.
TEST_F(SecondaryWidgets, TheViewerShowsTheDocumentFromTheStartAndFollowsTheWindow) {
    start();
    write_manual("first edition");
    instructions();
    QTextEdit* box = desktop.viewer().text_box();
    EXPECT_TRUE(box->toPlainText().startsWith("first edition"));
    EXPECT_EQ(box->lineWrapColumnOrWidth(), 733);  // 11000 twips

    QTextCursor at_end = box->textCursor();
    at_end.movePosition(QTextCursor::End);
    box->setTextCursor(at_end);  // the user read to the end
    write_manual("second edition");
    instructions();
    EXPECT_TRUE(box->toPlainText().startsWith("second edition"));
    EXPECT_EQ(box->textCursor().position(), 0);

    ModelWindow* window = desktop.viewer().window();
    window->resize(700, 500);
    handle();
    EXPECT_EQ(box->geometry(),
              QRect(QPoint(16, 16), window->frameGeometry().size() - QSize(40, 40)));
}

TEST_F(SecondaryWidgets, TwoProblemsLeaveOneWindowWithTheLaterText) {
    start();
    t.skype.login_status = 2;
    t.scheduler.run_for(10'000);  // the watch finds the user logged out
    ModelWindow* window = desktop.problem().window();
    EXPECT_EQ(window->windowTitle(), "Logged out of Skype!");
    t.scheduler.post([this] { t.skype.on_notification("CONNSTATUS LOGGEDOUT"); });
    handle();
    EXPECT_EQ(visible_windows("Problem"), 1);
    EXPECT_EQ(window->windowTitle(), "Disconnected from Skype!");
    EXPECT_TRUE(
        find<QLabel>(window, "Label1")->text().startsWith("You are disconnected from Skype"));
    click(find(window, "Command1"));
    EXPECT_FALSE(window->isVisible());
}

TEST_F(SecondaryWidgets, AClickInTheFriendPickerSetsTheTarget) {
    start();
    click(find(desktop.main().window(), "Command1"));
    QListWidget* list = desktop.user_find().list();
    EXPECT_TRUE(desktop.user_find().window()->isVisible());
    t.scheduler.post([this] { t.skype.on_notification("USERS alice, bob.cam, carol"); });
    handle();
    ASSERT_EQ(list->count(), 3);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(1)).center());
    handle();
    EXPECT_EQ(find<QLineEdit>(desktop.main().window(), "Text1")->text(), "bob.cam");
    EXPECT_FALSE(desktop.user_find().window()->isVisible());
}

TEST_F(SecondaryWidgets, AboutComesBackFreshAfterItsCloseBox) {
    start();
    t.scheduler.post([this] { f.mnuAbout.click(); });
    handle();
    ModelWindow* window = desktop.about().window();
    EXPECT_EQ(window->windowTitle(), "About Video Quelm");
    window->close();
    handle();
    EXPECT_EQ(t.program.about(), nullptr);
    t.scheduler.post([this] { f.mnuAbout.click(); });
    handle();
    EXPECT_TRUE(window->isVisible());
}

}  // namespace
