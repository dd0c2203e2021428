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

TEST_F(MainWindowWidgets, DraggingOnTheCameraPictureSetsTheRectangle) {
    start();
    struct Case {
        const char* name;
        QPointF from, to;
        int left, top, right, bottom;
    };
    const Case cases[] = {
        {"drag down and right", {40, 30}, {200, 150}, 40, 30, 200, 150},
        {"reversed drag keeps its corners as dragged", {250, 200}, {60, 20}, 250, 200, 60, 20},
        {"a click watches the whole picture", {100, 100}, {100, 100}, 0, 0, 320, 240},
    };
    PictureView* picture = desktop.main().Picture3();
    for (const Case& c : cases) {
        mouse(picture, QEvent::MouseButtonPress, over(picture, c.from.x(), c.from.y()));
        if (c.from != c.to) {
            mouse(picture, QEvent::MouseMove, over(picture, (c.from.x() + c.to.x()) / 2, c.to.y()));
            mouse(picture, QEvent::MouseMove, over(picture, c.to.x(), c.to.y()));
        }
        mouse(picture, QEvent::MouseButtonRelease, over(picture, c.to.x(), c.to.y()));
        handle();
        EXPECT_NEAR(f.box_left, c.left, 1) << c.name;
        EXPECT_NEAR(f.box_top, c.top, 1) << c.name;
        EXPECT_NEAR(f.box_right, c.right, 1) << c.name;
        EXPECT_NEAR(f.box_bottom, c.bottom, 1) << c.name;
        EXPECT_FALSE(f.dragging) << c.name;
    }
    // The next tick draws the rectangle on the picture the user sees.
    t.scheduler.run_for(50);
    const QImage shown = picture->image();
    EXPECT_EQ(shown.pixel(0, 120), qRgb(255, 0, 0));
}

TEST_F(MainWindowWidgets, MotionSenseOnGreysTheDriverMenusAndStopsTheDrag) {
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
    EXPECT_TRUE(find(window, "cmdStop")->isEnabled());
    EXPECT_EQ(find<QLabel>(window, "Label1")->text(), "Camera Image");

    const auto box = std::array<int, 4>{f.box_left, f.box_top, f.box_right, f.box_bottom};
    QTest::mousePress(picture, Qt::LeftButton, {}, over(picture, 10, 10));
    QTest::mouseRelease(picture, Qt::LeftButton, {}, over(picture, 10, 10));
    handle();
    EXPECT_EQ((std::array<int, 4>{f.box_left, f.box_top, f.box_right, f.box_bottom}), box);

    click(find(window, "cmdStop"));
    EXPECT_TRUE(format->isEnabled());
    EXPECT_TRUE(settings->isEnabled());
    EXPECT_TRUE(picture->isEnabled());
    EXPECT_EQ(find<QLabel>(window, "Label5")->text(), "Motion Detect Off");
}

TEST_F(MainWindowWidgets, OptionsAndBoxesReachTheModelAndTheSliderFollows) {
    start();
    QWidget* window = desktop.main().window();
    auto* slider = find<QSlider>(window, "Slider1");
    EXPECT_EQ(slider->maximum(), 16);
    EXPECT_EQ(slider->orientation(), Qt::Vertical);
    click(find(window, "Option1"));
    EXPECT_TRUE(f.Option1.value);
    EXPECT_FALSE(f.Option4.value);
    EXPECT_TRUE(slider->isEnabled());
    slider->setValue(12);  // as the user's drag of the handle would
    handle();
    EXPECT_EQ(f.Slider1.value, 12);
    click(find(window, "Option2"));
    EXPECT_FALSE(slider->isEnabled());
    EXPECT_FALSE(find<QRadioButton>(window, "Option1")->isChecked());

    click(find(window, "Check2"));
    EXPECT_EQ(f.Check2.value, CheckBox::checked);
    auto* target = find<QLineEdit>(window, "Text1");
    QTest::keyClicks(target, "vq.owner");
    handle();
    EXPECT_EQ(f.Text1.text, "vq.owner");
}

TEST_F(MainWindowWidgets, TheCloseBoxEndsTheProgramOneSecondLater) {
    start();
    QWidget* window = desktop.main().window();
    window->close();
    handle();
    EXPECT_TRUE(window->isVisible());
    t.scheduler.run_for(999);
    EXPECT_FALSE(t.scheduler.has_quit());
    window->close();  // a second press is cancelled the same way
    t.scheduler.run_for(1);
    EXPECT_TRUE(t.scheduler.has_quit());
    EXPECT_TRUE(QFile::exists(t.path("vq.stp")));
}

TEST_F(MainWindowWidgets, TheSettingsButtonsStopAtTheirLimits) {
    start();
    QAction* options = menu_item(desktop.main().window(), "&User Options");
    options->trigger();
    handle();
    QWidget* dialog = desktop.setup().window();
    ASSERT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->windowTitle(), "Setup");
    struct Case {
        const char* box;
        TextBox Video_Quelm_Setup::*field;
        const char* button;
        const char* before;
        const char* after;
    };
    using S = Video_Quelm_Setup;
    const Case cases[] = {
        {"Text1", &S::Text1, "Command10", "10", "10"},
        {"Text1", &S::Text1, "Command9", "300", "300"},
        {"Text1", &S::Text1, "Command9", "290", "300"},
        {"Text2", &S::Text2, "Command4", "1", "1"},
        {"Text2", &S::Text2, "Command2", "998", "999"},
        {"Text2", &S::Text2, "Command2", "999", "999"},
        {"Text3", &S::Text3, "Command6", "11", "10"},
        {"Text3", &S::Text3, "Command6", "10", "10"},
        {"Text4", &S::Text4, "Command8", "100", "100"},
        {"Text4", &S::Text4, "Command7", "2", "1"},
    };
    for (const Case& c : cases) {
        t.scheduler.post([&] { (t.setup().*c.field).text = c.before; });
        handle();
        ASSERT_EQ(find<QLineEdit>(dialog, c.box)->text(), c.before) << c.button;
        click(find(dialog, c.button));
        EXPECT_EQ(find<QLineEdit>(dialog, c.box)->text(), c.after)
            << c.button << " at " << c.before;
    }
}

TEST_F(MainWindowWidgets, UserOptionsShowsTheFolderAsItIsNow) {
    start();
    QAction* options = menu_item(desktop.main().window(), "&User Options");
    QWidget* dialog = desktop.setup().window();
    options->trigger();
    handle();
    auto* folder = find<QLabel>(dialog, "Label1");
    EXPECT_EQ(folder->text(), t.folder.path() + "/");

    t.dialogs.answers = {"/srv/camera/Future Capture Files"};
    click(find(dialog, "Command1"));
    EXPECT_EQ(folder->text(), "/srv/camera/");
    dialog->close();  // the close box only hides it
    handle();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(t.program.has_setup());

    // Changed elsewhere meanwhile (a settings file, a remote command).
    t.scheduler.post([this] { f.snap_folder = "/srv/elsewhere/"; });
    handle();
    options->trigger();
    handle();
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(folder->text(), "/srv/elsewhere/");
}

}  // namespace
