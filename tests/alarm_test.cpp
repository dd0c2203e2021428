#include <gtest/gtest.h>

#include <QDir>
#include <QImageReader>
#include <QPainter>

#include "app/snapshot_housekeeping.h"
#include "file_size_limit.h"
#include "machine_fixture.h"
#include "wait_until.h"

namespace {

const QString first_picture = "Pic070315142330.JPG";

// The journal from the trigger on, each entry after its time relative to it.
QStringList after(const TestProgram& t, qint64 start) {
    QStringList out;
    for (const auto& [at, entry] : t.journal.entries)
        if (at >= start) out.append(QString::number(at - start) + ' ' + entry);
    return out;
}

TEST(AlarmSequence, TheActionsFollowTheBoxesInTheirFixedOrder) {
    const QStringList sound_then_call = {"0 camera close", "0 sound Open", "0 sound Prev",
                                         "0 sound Play", "3000 -> Call bob"};
    const QStringList picture = {"0 -> OPEN FILETRANSFER bob IN FOLDER/", "2000 keys {TAB}",
                                 "2100 keys +{TAB}", "2100 keys " + first_picture,
                                 "2100 keys {TAB}{TAB}{TAB}{ENTER}"};
    struct Case {
        const char* name;
        int call, im, sound;
        QStringList expected;
        bool folder_gone = false;
    };
    const Case cases[] = {
        {"nothing ticked", 0, 0, 0, {}},
        {"sound and call: the sound starts before the wait", 1, 0, 1, sound_then_call},
        {"picture and call: the picture goes first, then the camera, then the call", 1, 1, 0,
         picture + QStringList{"2100 camera close", "5100 -> Call bob"}},
        {"greyed boxes count as ticked, but a greyed picture box sends nothing", 2, 2, 2,
         sound_then_call},
        {"picture without call", 0, 1, 0, picture},
        {"a missing snapshot folder still logs and sends, and says so once", 0, 1, 0,
         QStringList{"0 message The snapshot FOLDER/Pic070315142330.JPG could not be saved. "
                     "Alarms still call and send, but no pictures are kept until the folder can "
                     "be written to."} +
             picture,
         true},
    };
    for (const Case& c : cases) {
        ShownProgram t;
        t.make_active();
        t.form.Check1.value = c.call;
        t.form.Check2.value = c.im;
        t.form.Check4.value = c.sound;
        t.form.alarm_file = "/sounds/siren.wav";
        if (c.folder_gone) t.form.snap_folder += "gone/";
        t.start_motion();
        t.scheduler.run_for(50);
        SCOPED_TRACE(c.name);
        EXPECT_EQ(after(t, 30'050),
                  QStringList(c.expected).replaceInStrings("FOLDER/", t.form.snap_folder));
        // Without a call it settles again; a call stops the loop.
        const QStringList then = c.call ? QStringList{"calling"} : QStringList{"loop", "settling"};
        EXPECT_EQ(shown(t.form), QStringList({"Motion Detect on Delay", "Camera Image", "stop"}) +
                                     then + (c.sound ? QStringList{"alarm sound"} : QStringList{}));
        EXPECT_EQ(t.sound.file_name, c.sound ? "/sounds/siren.wav" : "");
        EXPECT_EQ(QFile::exists(t.form.snap_folder + first_picture), !c.folder_gone);
        EXPECT_EQ(t.read_file("motion_log.txt"), first_picture + "  3/15/2007  2:23:30 PM\r\n");
        if (!c.sound) continue;
        // The wait before the call holds the thread for three seconds: the sound still lasts
        // its thirty.
        t.camera.scene = nullptr;
        t.scheduler.run_for(40'000);
        EXPECT_EQ(t.journal.time_of("sound Stop") - t.journal.time_of("sound Play"), 30'000);
    }
}

// The snapshot is a real JPEG named by the clock, holding the frame with its time stamp; the log
// is created, then added to.
TEST(AlarmSequence, EachAlarmLeavesAStampedJpegAndALogLine) {
    ShownProgram t;
    t.make_active();
    t.form.Check1.value = 0;
    t.setup().Text3.text = "10";
    t.camera.scene = [](int grab) {
        QImage frame = flickering_band(100, 140)(grab);
        QPainter(&frame).fillRect(200, 150, 120, 90, QColor(20, 160, 40));
        return frame;
    };
    // The first new frame also shows the block appearing, which raises the mean; the second
    // sees only the band and fires.
    t.scheduler.run_for(100);

    QImageReader reader(t.path(first_picture));
    EXPECT_EQ(reader.format(), "jpeg") << "a JPEG, not a bitmap";
    const QImage snapshot = reader.read();
    ASSERT_EQ(snapshot.size(), QSize(320, 240));
    EXPECT_NEAR(qGreen(snapshot.pixel(260, 200)), 160, 12);
    EXPECT_NEAR(qRed(snapshot.pixel(260, 200)), 20, 12);
    int reddish = 0;  // the time stamp, drawn in red in the top-left corner
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 140; ++x) {
            const QRgb p = snapshot.pixel(x, y);
            reddish += qRed(p) > 150 && qGreen(p) < 90 && qBlue(p) < 90;
        }
    EXPECT_GT(reddish, 40);
    t.scheduler.run_for(10'100);  // settled again; the motion goes on, so it fires again
    EXPECT_EQ(t.read_file("motion_log.txt"), first_picture + "  3/15/2007  2:23:30 PM\r\n" +
                                                 "Pic070315142340.JPG  3/15/2007  2:23:40 PM\r\n");
    EXPECT_TRUE(QFile::exists(t.path("Pic070315142340.JPG")));
}

// The disk fills while the snapshot is written: no damaged picture is left, and the alarm
// goes on to the log and the call.
TEST(AlarmSequence, ASnapshotThatFailsHalfwayLeavesNoDamagedFile) {
    ShownProgram t;
    t.make_active();
    t.start_motion();
    {
        FileSizeLimit full(2'000);
        ASSERT_TRUE(
            t.scheduler.run_until([&] { return t.skype.commands.contains("Call bob"); }, 5'000));
    }
    EXPECT_TRUE(t.read_file("motion_log.txt").startsWith(first_picture.toLatin1()));
    EXPECT_EQ(QDir(t.app_folder).entryList({"Pic*"}, QDir::Files), QStringList{});
    // The user hears of it at the first picture lost, and the window keeps saying it.
    ASSERT_EQ(t.messages.boxes.size(), 1u);
    EXPECT_TRUE(t.messages.boxes[0].second.startsWith("The snapshot " + t.app_folder));
    EXPECT_TRUE(t.program.folder_unwritable) << "the window says it once the call is over";
}

// A service left for months keeps its disk: snapshots past the days or beyond the size go, oldest
// first, and nothing else in the folder is touched.
TEST(SnapshotHousekeeping, OldestSnapshotsGoFirstUntilTheRulesHold) {
    const QDateTime now(QDate(2026, 12, 7), QTime(12, 0));
    const struct {
        const char* name;
        snapshot_housekeeping::Rules rules;
        QStringList deleted;
    } cases[] = {
        {"off", {0, 0}, {}},
        {"older than 10 days", {10, 0}, {"Pic261101120000.JPG", "Pic261120120000.JPG"}},
        {"more than 2 MB", {0, 2}, {"Pic261101120000.JPG", "Pic261120120000.JPG"}},
        {"more than 3 MB", {0, 3}, {"Pic261101120000.JPG"}},
        {"either", {30, 3}, {"Pic261101120000.JPG"}},
    };
    for (const auto& c : cases) {
        QTemporaryDir folder;
        const std::pair<const char*, int> files[] = {{"Pic261101120000.JPG", 36},
                                                     {"Pic261120120000.JPG", 20},
                                                     {"Pic261205120000.JPG", 2},
                                                     {"Pic261207115900.JPG", 0},
                                                     {"holiday.JPG", 40}};
        for (const auto& [name, days_old] : files) {
            QFile file(folder.filePath(name));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(QByteArray(1024 * 1024, 'x'));
            file.setFileTime(now.addDays(-days_old), QFileDevice::FileModificationTime);
        }
        EXPECT_EQ(snapshot_housekeeping::enforce(folder.path(), c.rules, now), c.deleted) << c.name;
        EXPECT_TRUE(QFile::exists(folder.filePath("holiday.JPG")));
    }
}

// The user's alarm command gets the snapshot and the peak as arguments, with no shell between.
TEST(AlarmCommand, RunsWithTheSnapshotAndThePeak) {
    ShownProgram t;
    const QString script = t.path("tell phone.sh");
    t.write_file("tell phone.sh", QString("#!/bin/sh\nprintf '%s %s' \"$1\" \"$2\" > '%1'\n")
                                      .arg(t.path("command.out"))
                                      .toUtf8());
    QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    t.form.alarm_command = '"' + script + '"';
    t.make_active();
    t.form.Check1.value = 0;
    t.start_motion();
    t.scheduler.run_for(200);
    ASSERT_TRUE(wait_until([&] { return !t.read_file("command.out").isEmpty(); }));
    const QStringList words = QString(t.read_file("command.out")).split(' ');
    ASSERT_EQ(words.size(), 2);
    EXPECT_EQ(words[0], t.path(first_picture));
    EXPECT_GT(words[1].toInt(), 0);
}

TEST(AlarmSound, ReplaysOnEachSuccessfulEndUntilItsSecondsHavePassed) {
    ShownProgram t;
    t.sound.on_done(1);
    EXPECT_TRUE(t.sound.commands.isEmpty()) << "no replay without the alarm timer";
    t.form.Timer6.set_enabled(true);
    t.sound.on_done(1);
    EXPECT_EQ(t.sound.commands, (QStringList{"Prev", "Play"}));
    t.sound.on_done(2);  // stopped or failed: the loop ends
    t.scheduler.run_for(30'000);
    EXPECT_EQ(t.sound.commands, (QStringList{"Prev", "Play", "Stop", "Close"}));
}

}  // namespace
