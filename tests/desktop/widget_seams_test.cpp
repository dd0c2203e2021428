#include <gtest/gtest.h>
#include <QApplication>
#include <QEventLoop>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "client/client_core.h"
#include "desktop/owner_window.h"
#include "desktop/widget_file_dialogs.h"
#include "desktop/widget_messages.h"
#include "frames.h"
#include "qt_printers.h"
#include "time/qt_scheduler.h"
#include "time/timer.h"
#include "time/virtual_scheduler.h"
#include "wait_until.h"

namespace {

// An unattended alarm that shows a box is still an alarm: the program's timers run on while a
// box is open, boxes come one at a time, and one that says what another already says is dropped.
TEST(WidgetSeams, MessageBoxesNeitherHoldTheProgramNorPileUp) {
    QtScheduler scheduler;
    int ticks = 0;
    Timer timer(scheduler, "timer", 10, [&] { ++ticks; });
    timer.set_enabled(true);
    WidgetMessages messages;
    scheduler.post([&] {
        messages.message_box("Camera", "Can't open capture window");
        messages.message_box("Camera", "Can't open capture window");
        messages.message_box("No Users in Friends List", "No users found");
    });
    const auto spin = [](int ms) {
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec();
    };
    spin(150);
    EXPECT_GE(ticks, 5) << "the program stood still while the box was open";
    std::vector<QStringList> seen;
    while (QMessageBox* box = messages.open_box()) {
        seen.push_back({box->windowTitle(), box->text(), QString::number(messages.waiting())});
        EXPECT_TRUE(box->testAttribute(Qt::WA_ShowWithoutActivating));
        box->button(QMessageBox::Ok)->click();
        spin(20);
        if (seen.size() > 3) break;
    }
    EXPECT_EQ(seen,
              (std::vector<QStringList>{{"Camera", "Can't open capture window", "1"},
                                        {"No Users in Friends List", "No users found", "0"}}));
}

TEST(WidgetSeams, TheSaveDialogReturnsThePathOrNothingOnCancel) {
    QTemporaryDir folder;
    struct Case {
        bool accept;
        QString expected;
    };
    for (const Case& c : {Case{true, folder.path() + "/Future Capture Files"}, Case{false, ""}}) {
        QString chosen = "(none yet)";
        WidgetFileDialogs().save_file({"Set Directory for Saved JPEGs",
                                       "JPEG|*.jpg|WAV,AVI|*.WAV;*.AVI", "Future Capture Files"},
                                      [&chosen](const QString& path) { chosen = path; });
        EXPECT_EQ(chosen, "(none yet)") << "the call waits for nobody";
        QFileDialog* dialog = nullptr;
        for (QWidget* window : QApplication::topLevelWidgets())
            if (window->objectName() == "file_dialog" && window->isVisible())
                dialog = qobject_cast<QFileDialog*>(window);
        ASSERT_NE(dialog, nullptr);
        const QString title = dialog->windowTitle();
        // Either case of an extension matches: cameras write .JPG, the program .jpg.
        EXPECT_EQ(dialog->nameFilters(),
                  QStringList({"JPEG (*.jpg *.JPG)", "WAV,AVI (*.WAV *.wav *.AVI *.avi)"}));
        dialog->setDirectory(folder.path());
        dialog->selectFile("Future Capture Files");
        c.accept ? static_cast<QDialog*>(dialog)->accept() : dialog->reject();
        ASSERT_TRUE(wait_until([&] { return chosen != "(none yet)"; }, 5'000));
        EXPECT_EQ(title, "Set Directory for Saved JPEGs");
        EXPECT_EQ(chosen, c.expected);
    }
}

// A handler that waits for the user (a message box) runs a loop of its own: timers that come
// due meanwhile must wait for it, and then fire once.
TEST(WidgetSeams, NoHandlerStartsInsideAnotherThatWaitsForTheUser) {
    QtScheduler scheduler;
    bool waiting = false;
    int ticks_inside = 0, ticks = 0, events_inside = 0;
    Timer timer(scheduler, "timer", 10, [&] {
        ++ticks;
        if (waiting) ++ticks_inside;
    });
    timer.set_enabled(true);
    scheduler.post([&] {
        waiting = true;
        scheduler.post([&] { events_inside += waiting ? 1 : 0; });
        QEventLoop loop;
        QTimer::singleShot(100, &loop, &QEventLoop::quit);
        loop.exec();
        waiting = false;
    });
    QEventLoop outer;
    QTimer::singleShot(130, &outer, &QEventLoop::quit);
    outer.exec();
    EXPECT_EQ(ticks_inside, 0);
    EXPECT_EQ(events_inside, 0);
    EXPECT_GE(ticks, 1);
    EXPECT_LT(ticks, 8);  // the ticks missed while waiting came once, not ten times
}

// The owner's window on the simulated client, the machine's side played by the test.
TEST(WidgetSeams, TheOwnerChatsWithTheMachineAndSeesItsCamera) {
    VirtualScheduler scheduler;
    ClientCore client{scheduler};
    QStringList heard;  // by the machine
    client.notify = [&](const QString& line) { heard.append(line); };
    client.handle("NAME VideoQuelm");
    client.video_source = [] { return solid_frame(qRgb(0, 90, 0)); };
    OwnerWindow owner(client, scheduler);
    auto* message = owner.findChild<QLineEdit*>();
    QTest::keyClicks(message, "status");
    QTest::keyClick(message, Qt::Key_Return);
    scheduler.run_for(1'000);
    EXPECT_TRUE(owner.chat()->toPlainText().contains("vq.owner: status"));
    EXPECT_FALSE(heard.filter(" STATUS RECEIVED").isEmpty());

    for (QPushButton* button : owner.findChildren<QPushButton*>())
        if (button->text() == "Call the machine") QTest::mouseClick(button, Qt::LeftButton);
    scheduler.run_for(1'000);
    const QString call = heard.filter(" STATUS RINGING").value(0).section(' ', 1, 1);
    ASSERT_FALSE(call.isEmpty()) << heard.join('\n');
    client.handle("SET CALL " + call + " STATUS INPROGRESS");
    client.handle("ALTER CALL " + call + " START_VIDEO_SEND");
    scheduler.run_for(1'000);
    EXPECT_FALSE(owner.video()->pixmap().isNull());
}

}  // namespace
