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

namespace {

// Acts on the modal window that the code under test opens, once it is up.
void when_modal(std::function<void(QWidget*)> act) {
    QTimer::singleShot(0, [act] {
        QWidget* modal = QApplication::activeModalWidget();
        ASSERT_NE(modal, nullptr);
        act(modal);
    });
}

TEST(WidgetSeams, AMessageBoxShowsItsTitleAndTextUntilClosed) {
    QString title, text;
    when_modal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        title = box->windowTitle();
        text = box->text();
        box->button(QMessageBox::Ok)->click();
    });
    WidgetMessages().message_box("No Users in Friends List", "No users found");
    EXPECT_EQ(title, "No Users in Friends List");
    EXPECT_EQ(text, "No users found");
}

TEST(WidgetSeams, TheSaveDialogReturnsThePathOrNothingOnCancel) {
    QTemporaryDir folder;
    struct Case {
        bool accept;
        QString expected;
    };
    for (const Case& c : {Case{true, folder.path() + "/Future Capture Files"}, Case{false, ""}}) {
        QString title;
        when_modal([&](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            ASSERT_NE(dialog, nullptr);
            title = dialog->windowTitle();
            // Either case of an extension matches: cameras write .JPG, the program .jpg.
            EXPECT_EQ(dialog->nameFilters(),
                      QStringList({"JPEG (*.jpg *.JPG)", "WAV,AVI (*.WAV *.wav *.AVI *.avi)"}));
            dialog->setDirectory(folder.path());
            dialog->selectFile("Future Capture Files");
            c.accept ? static_cast<QDialog*>(dialog)->accept() : dialog->reject();
        });
        const QString chosen = WidgetFileDialogs().save_file({"Set Directory for Saved JPEGs",
                                                              "JPEG|*.jpg|WAV,AVI|*.WAV;*.AVI",
                                                              "Future Capture Files"});
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
