#include <gtest/gtest.h>

#include <QDir>
#include <QImageReader>

#include "file_size_limit.h"
#include "frames.h"
#include "test_program.h"

namespace {

// Arms the program past its settling delay, so the next motion fires.
void make_active(TestProgram& t) {
    t.form.show();
    t.form.Text1.text = "bob";
    t.form.cmdCapture.click();
    t.scheduler.run_for(30'000);
    ASSERT_TRUE(t.form.motion_active);
    t.skype.commands.clear();  // the version request at start
}

// The journal from the trigger on, each entry after its time relative to it.
QStringList after(const TestProgram& t, qint64 start) {
    QStringList out;
    for (const auto& [at, entry] : t.journal.entries)
        if (at >= start) out.append(QString::number(at - start) + ' ' + entry);
    return out;
}

TEST(AlarmSequence, TheActionsFollowTheBoxesInTheirFixedOrder) {
    const QString name = "Pic070315142330.JPG";
    const QStringList sound_then_call = {"0 camera close", "0 sound Open", "0 sound Prev",
                                         "0 sound Play", "3000 -> Call bob"};
    const QStringList picture = {"0 -> OPEN FILETRANSFER bob IN FOLDER/", "2000 keys {TAB}",
                                 "2100 keys +{TAB}", "2100 keys " + name,
                                 "2100 keys {TAB}{TAB}{TAB}{ENTER}"};
    struct Case {
        const char* name;
        int call, im, sound;
        QStringList expected;
    };
    const Case cases[] = {
        {"nothing ticked", 0, 0, 0, {}},
        {"sound and call: the sound starts before the wait", 1, 0, 1, sound_then_call},
        {"picture and call: the picture goes first, then the camera, then the call", 1, 1, 0,
         picture + QStringList{"2100 camera close", "5100 -> Call bob"}},
        {"greyed boxes count as ticked, but a greyed picture box sends nothing", 2, 2, 2,
         sound_then_call},
        {"picture without call", 0, 1, 0, picture},
    };
    for (const Case& c : cases) {
        TestProgram t;
        make_active(t);
        t.form.Check1.value = c.call;
        t.form.Check2.value = c.im;
        t.form.Check4.value = c.sound;
        t.form.alarm_file = "/sounds/siren.wav";
        t.camera.scene = flickering_band(100, 140);
        const qint64 start = 30'050;
        t.scheduler.run_for(50);
        EXPECT_EQ(after(t, start), QStringList(c.expected).replaceInStrings("FOLDER", t.app_folder))
            << c.name;

        EXPECT_FALSE(t.form.motion_active) << c.name;
        EXPECT_EQ(t.form.Label5.caption, "Motion Detect on Delay") << c.name;
        EXPECT_EQ(t.form.Timer1.enabled(), c.call == 0)
            << c.name << ": settling again without a call";
        EXPECT_EQ(t.form.timMotion.enabled(), c.call == 0) << c.name << ": the call stops the loop";
        EXPECT_EQ(t.form.call_active, c.call ? 1 : 0) << c.name;
        EXPECT_EQ(t.form.Timer6.enabled(), c.sound != 0) << c.name;
        EXPECT_EQ(t.sound.file_name, c.sound ? "/sounds/siren.wav" : "") << c.name;
        EXPECT_TRUE(QFile::exists(t.path(name))) << c.name;
        EXPECT_EQ(t.read_file("motion_log.txt"), "Pic070315142330.JPG  3/15/2007  2:23:30 PM\r\n")
            << c.name;
    }
}

TEST(AlarmSequence, TheLogIsCreatedAndThenAppendedTo) {
    TestProgram t;
    make_active(t);
    t.form.Check1.value = 0;
    t.setup().Text3.text = "10";
    t.camera.scene = flickering_band(100, 140);
    t.scheduler.run_for(50);
    t.scheduler.run_for(10'000);  // settled again; the motion goes on, so it fires again
    EXPECT_EQ(t.read_file("motion_log.txt"),
              "Pic070315142330.JPG  3/15/2007  2:23:30 PM\r\n"
              "Pic070315142340.JPG  3/15/2007  2:23:40 PM\r\n");
    EXPECT_TRUE(QFile::exists(t.path("Pic070315142340.JPG")));
}

TEST(AlarmSequence, AMissingSnapshotFolderStillLogsAndSends) {
    TestProgram t;
    make_active(t);
    t.form.Check1.value = 0;
    t.form.Check2.value = 1;
    t.form.snap_folder = t.app_folder + "/gone/";
    t.camera.scene = flickering_band(100, 140);
    t.scheduler.run_for(50);
    EXPECT_FALSE(t.read_file("motion_log.txt").isEmpty());
    EXPECT_TRUE(t.skype.keystrokes.contains("Pic070315142330.JPG"));
    EXPECT_TRUE(t.form.Timer1.enabled());
}

// The snapshot is a real JPEG named by the clock, holding the stamped frame.
TEST(AlarmSequence, TheSnapshotIsAStampedJpeg) {
    TestProgram t;
    make_active(t);
    t.form.Check1.value = 0;
    t.camera.scene = [](int grab) {
        QImage frame = flickering_band(100, 140)(grab);
        for (int y = 150; y < 240; ++y)
            for (int x = 200; x < 320; ++x) frame.setPixel(x, y, qRgb(20, 160, 40));
        return frame;
    };
    // The first new frame also shows the block appearing, which raises the mean; the second
    // sees only the band and fires.
    t.scheduler.run_for(100);

    const QString name = "Pic070315142330.JPG";
    QFile file(t.path(name));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.read(3), QByteArray("\xFF\xD8\xFF")) << "a JPEG, not a bitmap";
    QImageReader reader(t.path(name));
    EXPECT_EQ(reader.format(), "jpeg");
    const QImage snapshot = reader.read();
    ASSERT_EQ(snapshot.size(), QSize(320, 240));
    const QRgb body = snapshot.pixel(260, 200);
    EXPECT_NEAR(qGreen(body), 160, 12);
    EXPECT_NEAR(qRed(body), 20, 12);
    int reddish = 0;  // the time stamp, drawn in red in the top-left corner
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 140; ++x) {
            const QRgb p = snapshot.pixel(x, y);
            reddish += qRed(p) > 150 && qGreen(p) < 90 && qBlue(p) < 90;
        }
    EXPECT_GT(reddish, 40);
    EXPECT_EQ(t.form.Picture4.image().pixel(260, 200), qRgb(20, 160, 40));
}

// The disk fills while the snapshot is written: no damaged picture is left, and the alarm
// goes on to the log and the call.
TEST(AlarmSequence, ASnapshotThatFailsHalfwayLeavesNoDamagedFile) {
    TestProgram t;
    make_active(t);
    t.camera.scene = flickering_band(100, 140);
    {
        FileSizeLimit full(2'000);
        ASSERT_TRUE(
            t.scheduler.run_until([&] { return t.skype.commands.contains("Call bob"); }, 5'000));
    }
    EXPECT_TRUE(t.read_file("motion_log.txt").startsWith("Pic070315142330.JPG"));
    EXPECT_EQ(QDir(t.app_folder).entryList({"Pic*"}, QDir::Files), QStringList{});
}

// The wait before the call holds the thread for three seconds: the sound still lasts its thirty.
TEST(AlarmSound, LastsItsSecondsAlsoWhenACallFollows) {
    TestProgram t;
    make_active(t);
    t.form.Check4.value = 1;
    t.form.Check1.value = 1;
    t.camera.scene = flickering_band(100, 140);
    ASSERT_TRUE(t.scheduler.run_until([&] { return t.sound.commands.contains("Play"); }, 5'000));
    t.camera.scene = nullptr;
    t.scheduler.run_for(40'000);
    EXPECT_EQ(t.journal.time_of("sound Stop") - t.journal.time_of("sound Play"), 30'000);
}

TEST(AlarmSound, ReplaysOnEachSuccessfulEndUntilItsSecondsHavePassed) {
    TestProgram t;
    t.form.show();
    Video_Quelm_Setup& s = t.setup();
    s.MMControl1_Done(1);
    EXPECT_TRUE(t.sound.commands.isEmpty()) << "no replay without the alarm timer";
    t.form.Timer6.set_enabled(true);
    t.sound.on_done(1);
    EXPECT_EQ(t.sound.commands, (QStringList{"Prev", "Play"}));
    t.sound.on_done(2);  // stopped or failed: the loop ends
    EXPECT_EQ(t.sound.commands.size(), 2);
    t.scheduler.run_for(30'000);
    EXPECT_EQ(t.sound.commands.mid(2), (QStringList{"Stop", "Close"}));
}

TEST(SetupPaths, TheFolderIsCutAfterItsLastSlashAndACancelChangesNothing) {
    TestProgram t;
    t.form.show();
    Video_Quelm_Setup& s = t.setup();
    const QString before = t.form.snap_folder;
    t.dialogs.answers = {""};
    s.Command1.click();
    EXPECT_EQ(t.form.snap_folder, before);
    EXPECT_EQ(s.Label1.caption, "Label1");
    ASSERT_EQ(t.dialogs.requests.size(), 1u);
    EXPECT_EQ(t.dialogs.requests[0].title, "Set Directory for Saved JPEGs");
    EXPECT_EQ(t.dialogs.requests[0].file_name, "Future Capture Files");
    EXPECT_EQ(t.dialogs.requests[0].filter, "JPEG|*.jpg");

    t.dialogs.answers = {"/media/cam/Future Capture Files"};
    s.Command1.click();
    EXPECT_EQ(t.form.snap_folder, "/media/cam/");
    EXPECT_EQ(s.Label1.caption, "/media/cam/");
}

TEST(SetupPaths, AChosenSoundIsOpenedButNotPlayed) {
    TestProgram t;
    t.form.show();
    Video_Quelm_Setup& s = t.setup();
    t.dialogs.answers = {""};
    s.Command3.click();
    EXPECT_EQ(t.form.alarm_file, "");
    EXPECT_TRUE(t.sound.commands.isEmpty());
    t.dialogs.answers = {"/home/me/siren.wav"};
    s.Command3.click();
    EXPECT_EQ(t.dialogs.requests.back().filter, "WAV,AVI|*.WAV;*.AVI");
    EXPECT_EQ(t.form.alarm_file, "/home/me/siren.wav");
    EXPECT_EQ(s.Label3.caption, "/home/me/siren.wav");
    EXPECT_EQ(t.sound.file_name, "/home/me/siren.wav");
    EXPECT_EQ(t.sound.commands, QStringList{"Open"});
}

}  // namespace
