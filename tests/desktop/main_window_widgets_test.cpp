#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>

#include "desktop/picture_view.h"
#include "desktop/setup_view.h"
#include "desktop_fixture.h"

namespace {

struct MainWindowWidgets : DesktopTest {
    MainWindowWidgets() { start(); }
    QWidget* window = desktop.main().window();

    QAction* menu_item(const QString& caption) {
        for (QMenu* menu : window->findChildren<QMenu*>())
            for (QAction* item : menu->actions())
                if (item->text() == caption) return item;
        ADD_FAILURE() << caption.toStdString();
        return nullptr;
    }
};

// The widget maps its pixels to picture units; what a drag means is the model's.
TEST_F(MainWindowWidgets, DraggingOnTheCameraPictureSetsTheRectangle) {
    PictureView* picture = desktop.main().Picture3();
    const auto over = [picture](double x, double y) {
        const QRect inside = picture->contentsRect();
        return QPoint(inside.left() + qRound(x * inside.width() / 320),
                      inside.top() + qRound(y * inside.height() / 240));
    };
    QTest::mousePress(picture, Qt::LeftButton, {}, over(40, 30));
    QTest::mouseMove(picture, over(200, 150));
    QTest::mouseRelease(picture, Qt::LeftButton, {}, over(200, 150));
    handle();
    EXPECT_NEAR(f.box_left, 40, 1);
    EXPECT_NEAR(f.box_top, 30, 1);
    EXPECT_NEAR(f.box_right, 200, 1);
    EXPECT_NEAR(f.box_bottom, 150, 1);
    // The next tick draws the rectangle on the picture the user sees.
    t.scheduler.run_for(50);
    EXPECT_EQ(picture->image().pixel(120, f.box_top), qRgb(255, 0, 0));
}

// The buttons reach the model, and its captions and greyed controls reach the widgets.
TEST_F(MainWindowWidgets, MotionSenseOnGreysTheDriverMenusAndThePicture) {
    QAction* format = menu_item("Video &Format");
    click(find(window, "cmdCapture"));
    EXPECT_EQ(find<QLabel>(window, "Label5")->text(), "Motion Detect on Delay");
    EXPECT_FALSE(format->isEnabled());
    EXPECT_FALSE(desktop.main().Picture3()->isEnabled());
    EXPECT_FALSE(find(window, "cmdCapture")->isEnabled());
    click(find(window, "cmdStop"));
    EXPECT_TRUE(format->isEnabled());
    EXPECT_EQ(find<QLabel>(window, "Label5")->text(), "Motion Detect Off");
}

TEST_F(MainWindowWidgets, OptionsBoxesSliderAndTextReachTheModel) {
    auto* slider = find<QSlider>(window, "Slider1");
    EXPECT_EQ(slider->orientation(), Qt::Vertical);
    click(find(window, "Option1"));
    EXPECT_TRUE(f.Option1.value);
    slider->setValue(12);  // as the user's drag of the handle would
    handle();
    EXPECT_EQ(f.Slider1.value, 12);
    click(find(window, "Option2"));
    EXPECT_FALSE(slider->isEnabled());
    EXPECT_FALSE(find<QRadioButton>(window, "Option1")->isChecked());
    click(find(window, "Check2"));
    EXPECT_EQ(f.Check2.value, CheckBox::checked);
    QTest::keyClicks(find<QLineEdit>(window, "Text1"), "vq.owner");
    handle();
    EXPECT_EQ(f.Text1.text, "vq.owner");
    // Enter meant for a message box (which takes no focus) leaves the focused option alone.
    find(window, "Option4")->setFocus();
    QTest::keyClick(window, Qt::Key_Return);
    handle();
    EXPECT_FALSE(f.Option4.value);
}

TEST_F(MainWindowWidgets, TheCloseBoxReachesTheModel) {
    window->close();
    t.scheduler.run_for(1000);
    EXPECT_TRUE(t.scheduler.has_quit());
}

// The dialog opens from its menu, its buttons reach the model and show what it holds, and its
// close box only hides it.
TEST_F(MainWindowWidgets, UserOptionsOpensFromItsMenuAndShowsTheModel) {
    QWidget* dialog = desktop.setup().window();
    menu_item("&User Options")->trigger();
    handle();
    ASSERT_TRUE(dialog->isVisible());
    auto* ring = find<QLineEdit>(dialog, "Text2");
    EXPECT_EQ(ring->text(), "10");
    click(find(dialog, "Command2"));
    EXPECT_EQ(ring->text(), "11");
    EXPECT_EQ(t.setup().Text2.text, "11");
    t.dialogs.answers = {"/srv/camera/Future Capture Files"};
    click(find(dialog, "Command1"));
    EXPECT_EQ(find<QLabel>(dialog, "Label1")->text(), "/srv/camera/");
    dialog->close();
    handle();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(t.program.has_setup());
}

}  // namespace
