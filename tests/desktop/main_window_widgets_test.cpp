#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>

#include "desktop/picture_view.h"
#include "desktop/setup_view.h"
#include "desktop_fixture.h"

namespace {

// A point of the camera picture's widget over the given picture units.
QPoint over(PictureView* view, double x, double y) {
    const QRect inside = view->contentsRect();
    return QPoint(inside.left() + qRound(x * inside.width() / 320),
                  inside.top() + qRound(y * inside.height() / 240));
}

QAction* menu_item(QWidget* window, const QString& caption) {
    for (QMenu* menu : window->findChildren<QMenu*>())
        for (QAction* item : menu->actions())
            if (item->text() == caption) return item;
    ADD_FAILURE() << caption.toStdString();
    return nullptr;
}

using MainWindowWidgets = DesktopTest;

// The widget maps its pixels to picture units; what a drag means is the model's.
TEST_F(MainWindowWidgets, DraggingOnTheCameraPictureSetsTheRectangle) {
    start();
    struct Case {
        QPointF from, to;
        int left, top, right, bottom;
    };
    PictureView* picture = desktop.main().Picture3();
    for (const Case& c : {Case{{40, 30}, {200, 150}, 40, 30, 200, 150},
                          Case{{100, 100}, {100, 100}, 0, 0, 320, 240}}) {
        mouse(picture, QEvent::MouseButtonPress, over(picture, c.from.x(), c.from.y()));
        if (c.from != c.to) mouse(picture, QEvent::MouseMove, over(picture, c.to.x(), c.to.y()));
        mouse(picture, QEvent::MouseButtonRelease, over(picture, c.to.x(), c.to.y()));
        handle();
        EXPECT_NEAR(f.box_left, c.left, 1);
        EXPECT_NEAR(f.box_top, c.top, 1);
        EXPECT_NEAR(f.box_right, c.right, 1);
        EXPECT_NEAR(f.box_bottom, c.bottom, 1);
    }
    // The next tick draws the rectangle (now the whole picture) on the picture the user sees.
    t.scheduler.run_for(50);
    EXPECT_EQ(picture->image().pixel(0, 120), qRgb(255, 0, 0));
}

TEST_F(MainWindowWidgets, MotionSenseOnGreysTheDriverMenusAndThePicture) {
    start();
    QWidget* window = desktop.main().window();
    PictureView* picture = desktop.main().Picture3();
    QAction* format = menu_item(window, "Video &Format");
    QAction* settings = menu_item(window, "&Video Settings");
    click(find(window, "cmdCapture"));
    EXPECT_EQ(find<QLabel>(window, "Label5")->text(), "Motion Detect on Delay");
    EXPECT_FALSE(format->isEnabled());
    EXPECT_FALSE(settings->isEnabled());
    EXPECT_FALSE(picture->isEnabled());
    EXPECT_FALSE(find(window, "cmdCapture")->isEnabled());

    click(find(window, "cmdStop"));
    EXPECT_TRUE(format->isEnabled());
    EXPECT_TRUE(picture->isEnabled());
    EXPECT_EQ(find<QLabel>(window, "Label5")->text(), "Motion Detect Off");
}

TEST_F(MainWindowWidgets, OptionsAndBoxesReachTheModelAndTheSliderFollows) {
    start();
    QWidget* window = desktop.main().window();
    auto* slider = find<QSlider>(window, "Slider1");
    EXPECT_EQ(slider->orientation(), Qt::Vertical);
    click(find(window, "Option1"));
    EXPECT_TRUE(f.Option1.value);
    EXPECT_TRUE(slider->isEnabled());
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
}

TEST_F(MainWindowWidgets, TheCloseBoxEndsTheProgramOneSecondLater) {
    start();
    QWidget* window = desktop.main().window();
    window->close();
    handle();
    EXPECT_TRUE(window->isVisible());
    t.scheduler.run_for(1000);
    EXPECT_TRUE(t.scheduler.has_quit());
}

// The dialog opens from its menu, its buttons reach the model, its close box only hides it, and
// it shows the folder as it is when it opens again.
TEST_F(MainWindowWidgets, UserOptionsOpensFromItsMenuAndShowsTheModel) {
    start();
    QAction* options = menu_item(desktop.main().window(), "&User Options");
    QWidget* dialog = desktop.setup().window();
    options->trigger();
    handle();
    ASSERT_TRUE(dialog->isVisible());
    auto* ring = find<QLineEdit>(dialog, "Text2");
    EXPECT_EQ(ring->text(), "10");
    click(find(dialog, "Command2"));
    EXPECT_EQ(ring->text(), "11");
    EXPECT_EQ(t.setup().Text2.text, "11");

    auto* folder = find<QLabel>(dialog, "Label1");
    EXPECT_EQ(folder->text(), t.folder.path() + "/");
    t.dialogs.answers = {"/srv/camera/Future Capture Files"};
    click(find(dialog, "Command1"));
    EXPECT_EQ(folder->text(), "/srv/camera/");
    dialog->close();
    handle();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(t.program.has_setup());

    t.scheduler.post([this] { f.snap_folder = "/srv/elsewhere/"; });  // a remote command, say
    handle();
    options->trigger();
    handle();
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(folder->text(), "/srv/elsewhere/");
}

}  // namespace
