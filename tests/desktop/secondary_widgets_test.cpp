#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QTextBlock>
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
    EXPECT_EQ(window->windowTitle(), "Video Quelm");
    EXPECT_FALSE(window->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(find<QLabel>(window, "lblVersion")->text(), "Version 1.0.13");
    EXPECT_EQ(find<QLabel>(window, "lblProductName")->text(), "Video Quelm");
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
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_EQ(viewer->windowTitle(), "Video Quelm EULA");
    click(find(desktop.splash().window(), "Command3"));
    EXPECT_FALSE(desktop.splash().window()->isVisible());
    EXPECT_FALSE(t.scheduler.has_quit());
    viewer->close();
    handle();
    EXPECT_TRUE(t.scheduler.has_quit());
}

TEST_F(SecondaryWidgets, TheViewerReloadsAndPutsTheCaretAtTheStart) {
    start();
    write_manual("first edition");
    instructions();
    QTextEdit* box = desktop.viewer().text_box();
    EXPECT_TRUE(desktop.viewer().window()->isVisible());
    EXPECT_EQ(desktop.viewer().window()->windowTitle(), "Video Quelm Instructions and User Manual");
    EXPECT_TRUE(box->toPlainText().startsWith("first edition"));
    EXPECT_EQ(box->lineWrapColumnOrWidth(), 733);  // 11000 twips

    QTextCursor at_end = box->textCursor();
    at_end.movePosition(QTextCursor::End);
    box->setTextCursor(at_end);  // the user read to the end
    write_manual("second edition");
    instructions();
    EXPECT_TRUE(box->toPlainText().startsWith("second edition"));
    EXPECT_EQ(box->textCursor().position(), 0);
    EXPECT_FALSE(box->textCursor().hasSelection());
    EXPECT_EQ(visible_windows("VQ_EULA"), 1);
    const QTextBlockFormat first_paragraph = box->document()->begin().blockFormat();
    EXPECT_NEAR(first_paragraph.leftMargin(), 1000.0 / 15, 0.01);
}

TEST_F(SecondaryWidgets, AMissingDocumentShowsAnEmptyViewerUnderItsCaption) {
    start();
    instructions();
    EXPECT_TRUE(desktop.viewer().window()->isVisible());
    EXPECT_EQ(desktop.viewer().window()->windowTitle(), "Video Quelm Instructions and User Manual");
    EXPECT_TRUE(desktop.viewer().text_box()->toPlainText().isEmpty());
    EXPECT_TRUE(t.messages.boxes.empty());
}

TEST_F(SecondaryWidgets, TheTextBoxFollowsTheWindowsSize) {
    start();
    write_manual("text");
    instructions();
    ModelWindow* window = desktop.viewer().window();
    window->resize(700, 500);
    handle();
    const QSize outer = window->frameGeometry().size();
    const QRect box = desktop.viewer().text_box()->geometry();
    EXPECT_EQ(box.topLeft(), QPoint(16, 16));
    EXPECT_EQ(box.size(), outer - QSize(40, 40));
}

TEST_F(SecondaryWidgets, TwoProblemsLeaveOneWindowWithTheLaterText) {
    start();
    t.skype.login_status = 2;
    t.scheduler.run_for(10'000);  // the watch finds the user logged out
    ModelWindow* window = desktop.problem().window();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), "Logged out of Skype!");
    t.scheduler.post([this] { t.skype.on_notification("CONNSTATUS LOGGEDOUT"); });
    handle();
    EXPECT_EQ(visible_windows("Problem"), 1);
    EXPECT_EQ(window->windowTitle(), "Disconnected from Skype!");
    EXPECT_EQ(find<QLabel>(window, "Label1")->text(),
              "You are disconnected from Skype- you can not use remote features.  Start Skype up "
              "to fix");
    click(find(window, "Command1"));
    EXPECT_FALSE(window->isVisible());
}

TEST_F(SecondaryWidgets, TheFriendPickerFillsFromTheReplyAndAClickSetsTheTarget) {
    start();
    click(find(desktop.main().window(), "Command1"));
    EXPECT_EQ(t.skype.commands.last(), "Search friends ");
    ModelWindow* picker = desktop.user_find().window();
    QListWidget* list = desktop.user_find().list();
    EXPECT_TRUE(picker->isVisible());
    EXPECT_EQ(picker->windowTitle(), "Find Skype User");
    EXPECT_EQ(list->count(), 0);
    t.scheduler.post([this] { t.skype.on_notification("USERS alice, bob.cam, carol"); });
    handle();
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->item(1)->text(), "bob.cam");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(1)).center());
    handle();
    EXPECT_EQ(f.Text1.text, "bob.cam");
    EXPECT_EQ(find<QLineEdit>(desktop.main().window(), "Text1")->text(), "bob.cam");
    EXPECT_FALSE(picker->isVisible());
}

TEST_F(SecondaryWidgets, AboutComesBackFreshAfterItsCloseBox) {
    start();
    t.scheduler.post([this] { f.mnuAbout.click(); });
    handle();
    ModelWindow* window = desktop.about().window();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), "About Video Quelm");
    window->close();
    handle();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(t.program.about(), nullptr);
    t.scheduler.post([this] { f.mnuAbout.click(); });
    handle();
    EXPECT_TRUE(window->isVisible());
    QStringList texts;
    for (QLabel* label : window->findChildren<QLabel*>()) texts.append(label->text());
    EXPECT_TRUE(texts.contains("Version 1.0.13"));
    EXPECT_TRUE(texts.contains("Video Quelm"));
}

}  // namespace
