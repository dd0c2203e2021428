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

using SecondaryWidgets = DesktopTest;

// The buttons take the focus in their order; Enter on the first starts; the window has no close
// box and a close does not end it.
TEST_F(SecondaryWidgets, TheStartUpWindowStartsOnEnter) {
    post([this] { t.program.splash().show(); });
    ModelWindow* window = desktop.splash().window();
    ASSERT_TRUE(window->isVisible());
    EXPECT_FALSE(window->windowFlags() & Qt::WindowCloseButtonHint);
    QWidget* start_button = find<QWidget>(window, "Command1");
    EXPECT_EQ(start_button->nextInFocusChain(), find<QWidget>(window, "Command3"));
    EXPECT_EQ(find<QWidget>(window, "Command3")->nextInFocusChain(),
              find<QWidget>(window, "Command2"));
    window->close();
    handle();
    EXPECT_TRUE(window->isVisible());

    QTest::keyClick(start_button, Qt::Key_Return);
    handle();
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(desktop.main().window()->isVisible());
}

// The model's document and caret reach the text box, and the box follows the window's size.
TEST_F(SecondaryWidgets, TheViewerShowsTheDocumentFromTheStartAndFollowsTheWindow) {
    start();
    const auto open_manual = [this](const QString& text) {
        t.write_file("Video_Quelm_Skype.rtf", ("{\\rtf1\\ansi " + text + "\\par more}").toUtf8());
        post([this] { f.mnuInstructions.click(); });
    };
    open_manual("first edition");
    QTextEdit* box = desktop.viewer().text_box();
    EXPECT_TRUE(box->toPlainText().startsWith("first edition"));
    EXPECT_EQ(box->lineWrapColumnOrWidth(), 733);  // 11000 twips
    QTextCursor at_end = box->textCursor();
    at_end.movePosition(QTextCursor::End);
    box->setTextCursor(at_end);  // the user read to the end
    open_manual("second edition");
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
    t.scheduler.run_for(10'000);  // the watch sees the link up
    t.skype.login_status = 2;
    t.scheduler.run_for(10'000);  // then logged out
    post([this] { t.skype.on_notification("CONNSTATUS LOGGEDOUT"); });
    ModelWindow* window = desktop.problem().window();
    int shown = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        shown += w->objectName() == "Problem" && w->isVisible();
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(window->windowTitle(), "Disconnected from Skype!");
    EXPECT_TRUE(
        find<QLabel>(window, "Label1")->text().startsWith("You are disconnected from Skype"));
    click(find(window, "Command1"));
    EXPECT_FALSE(window->isVisible());
}

TEST_F(SecondaryWidgets, AClickInTheFriendPickerSetsTheTarget) {
    start();
    click(find(desktop.main().window(), "Command1"));
    post([this] { t.skype.on_notification("USERS alice, bob.cam, carol"); });
    QListWidget* list = desktop.user_find().list();
    ASSERT_EQ(list->count(), 3);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(1)).center());
    handle();
    EXPECT_EQ(f.Text1.text, "bob.cam");
    EXPECT_FALSE(desktop.user_find().window()->isVisible());
}

// The About window is made anew each time the model opens it: the view follows. It opens over the
// main window, and Escape, its OK button and its close box each close it.
TEST_F(SecondaryWidgets, AboutOpensOverTheMainWindowAndClosesEveryWay) {
    start();
    ModelWindow* window = desktop.about().window();
    const std::function<void()> closers[] = {
        [&] { window->close(); },
        [&] { QTest::keyClick(window, Qt::Key_Escape); },
        [&] { find(window, "OK")->click(); },
    };
    for (const auto& close : closers) {
        post([this] { f.mnuAbout.click(); });
        ASSERT_TRUE(window->isVisible());
        EXPECT_EQ(window->windowTitle(), "About Video Quelm");
        const QPoint off =
            window->frameGeometry().center() - desktop.main().window()->frameGeometry().center();
        EXPECT_LE(off.manhattanLength(), 4);
        close();
        handle();
        EXPECT_EQ(t.program.about(), nullptr);
    }
}

}  // namespace
