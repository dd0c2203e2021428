#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>
#include <QDir>
#include <QRegularExpression>
#include <csignal>

#include "app/settings_codec.h"
#include "file_size_limit.h"
#include "test_program.h"

namespace {

QByteArray shifted(const QByteArray& value) {
    QByteArray out;
    for (char c : value) out.append(char(static_cast<unsigned char>(c) + 50));
    return out;
}

const QByteArray stored_true("\x86\xA4\xA7\x97");
const QByteArray stored_false("\x78\x93\x9E\xA5\x97");

// The values the settings file keeps, as the program holds them, in the file's order.
QStringList saved(TestProgram& t) {
    frmTesting& f = t.form;
    Video_Quelm_Setup& s = t.setup();
    QStringList values{f.Text1.text, s.Text1.text, s.Text2.text,
                       s.Text3.text, s.Text4.text, f.snap_folder};
    for (int check :
         {f.Check1.value, f.Check2.value, f.Check3.value, f.Check4.value, s.Check1.value})
        values.append(QString::number(check));
    for (bool option : {f.Option1.value, f.Option2.value, f.Option3.value, f.Option4.value})
        values.append(option ? "True" : "False");
    values.append(f.alarm_file);
    for (int edge : {f.box_left, f.box_right, f.box_top, f.box_bottom})
        values.append(QString::number(edge));
    return values;
}

TEST(SettingsFile, AFirstRunWritesTheWorkedExampleByteForByte) {
    TestProgram t;
    t.form.show();
    t.form.mnuExit_Click();
    const QByteArray expected =
        "\r\neb\r\ncb\r\neb\r\neb\r\n" + shifted(t.app_folder.toLatin1() + "/") +
        "\r\nc\r\nb\r\nc\r\nb\r\nb\r\n" + stored_false + "\r\n" + stored_false + "\r\n" +
        stored_false + "\r\n" + stored_true + "\r\n\r\nc\r\necg\r\nc\r\ndeg\r\n";
    EXPECT_EQ(t.read_file("vq.stp"), expected);
}

TEST(SettingsFile, EveryValueReadsBackAfterARestart) {
    struct Case {
        const char* name;
        std::function<void(TestProgram&)> change;
    };
    const Case cases[] = {
        {"defaults, with the empty target and sound file", [](TestProgram&) {}},
        {"everything changed",
         [](TestProgram& t) {
             frmTesting& f = t.form;
             f.Text1.text = "bob, the builder";  // a comma and blanks are kept whole
             t.setup().Text1.text = "120";
             t.setup().Text2.text = "25";
             t.setup().Text3.text = "12.5";
             t.setup().Text4.text = "7";
             f.snap_folder = "/srv/cam shots/";
             f.Check1.value = 0;
             f.Check2.value = 1;
             f.Check3.value = 2;
             f.Check4.value = 1;
             t.setup().Check1.value = 1;
             f.Option2.set_value(true);
             f.alarm_file = "/usr/share/sounds/alarm clock.wav";
             f.box_left = -5;
             f.box_right = 300;
             f.box_top = 7;
             f.box_bottom = 200;
         }},
        {"characters of the upper half of the code page",
         [](TestProgram& t) {
             t.form.Text1.text = QString::fromUtf8("caf\u00A3 \u20AC\u2122");  // £ € ™
         }},
        {"Auto Off", [](TestProgram& t) { t.form.Option1.set_value(true); }},
    };
    for (const Case& c : cases) {
        TestProgram first;
        first.form.show();
        c.change(first);
        const QStringList before = saved(first);
        first.form.mnuExit_Click();
        TestProgram second(first.app_folder);
        second.form.show();
        EXPECT_EQ(saved(second), before) << c.name;
    }
}

TEST(SettingsFile, ANegativeEdgeIsStoredAsItsShiftedText) {
    TestProgram t;
    t.form.show();
    t.form.box_left = -5;
    t.form.mnuExit_Click();
    const QList<QByteArray> lines = settings_codec::split_lines(t.read_file("vq.stp"));
    ASSERT_EQ(lines.size(), 20);
    EXPECT_EQ(lines[16], QByteArray("\x5F\x67"));
}

TEST(SettingsFile, AutoLowIsRestoredWithItsClickBehaviour) {
    TestProgram first;
    first.form.show();
    first.form.Option2.set_value(true);
    first.form.mnuExit_Click();
    TestProgram second(first.app_folder);
    second.form.show();
    EXPECT_TRUE(second.form.Option2.value);
    EXPECT_FALSE(second.form.Option1.value || second.form.Option3.value ||
                 second.form.Option4.value);
    EXPECT_FALSE(second.form.Slider1.enabled) << "the program moves the slider in Auto Low";
    second.scheduler.run_for(50);
    EXPECT_EQ(second.form.Slider1.value, 1) << "16 - (9 + 6)";
}

// Lines are applied in order until one is missing or does not convert; from there on every value
// keeps its start value, and the program starts all the same.
TEST(SettingsFile, ReadingStopsAtTheFirstLineThatDoesNotConvert) {
    const QStringList values =
        QString("bob|40|20|15|9|/pics/|0|1|0|1|1|False|True|False|False|/a.wav|10|100|20|90")
            .split('|');
    QList<QByteArray> good;
    for (const QString& value : values) good.append(shifted(value.toLatin1()));
    auto file_with = [&](int line, const QByteArray& replacement) {
        QList<QByteArray> lines = good;
        lines[line - 1] = replacement;
        return lines.join("\r\n") + "\r\n";
    };
    struct Case {
        const char* name;
        QByteArray file;
        int lines_applied;
        QString target = "bob";  // line 1, when it is applied
    };
    const Case cases[] = {
        {"a whole good file", good.join("\r\n") + "\r\n", 20},
        {"lines after the twentieth are ignored",
         good.join("\r\n") + "\r\n" + QByteArray(480 * 3, 'c'), 20},
        {"the last line without CR LF", good.join("\r\n"), 20},
        {"lines ended by LF alone", good.join("\n") + "\n", 20},
        {"only ten lines", good.mid(0, 10).join("\r\n") + "\r\n", 10},
        {"a check value of 7", file_with(8, shifted("7")), 7},
        {"an empty check value", file_with(9, ""), 8},
        {"an option that is no truth value", file_with(13, shifted("Maybe")), 12},
        {"an edge of 99999", file_with(18, shifted("99999")), 17},
        {"a shifted code below 0", file_with(2, QByteArray("\x31\x32")), 1},
        // Without line ends everything is the first line; a huge file is read only so far.
        {"no line ends at all", good.join(""), 1, values.join("")},
        {"a 1 MB line", QByteArray(1 << 20, 'c'), 1, QString(64 * 1024, '1')},
    };
    for (const Case& c : cases) {
        TestProgram t;
        t.write_file("vq.stp", c.file);
        t.form.show();
        EXPECT_EQ(t.form.Label5.caption, "Motion Detect Off") << c.name;
        const QStringList defaults =
            QString("|30|10|30|30|%1/|1|0|1|0|0|False|False|False|True||1|315|1|235")
                .arg(t.app_folder)
                .split('|');
        QStringList from_file = values;
        from_file[0] = c.target;
        const QStringList got = saved(t);
        for (int i = 0; i < 20; ++i) {
            // The four options are one group: the "True" on line 13 selects its button and clears
            // the others as it is applied.
            const int deciding_line = i >= 11 && i <= 14 ? 12 : i;
            EXPECT_EQ(got[i], deciding_line < c.lines_applied ? from_file[i] : defaults[i])
                << c.name << ", line " << i + 1;
        }
    }
}

// A value the format cannot hold keeps the line the file had, and the user hears of it once.
TEST(SettingsFile, AValueTheFormatCannotHoldKeepsItsEarlierLine) {
    TestProgram first;
    first.form.show();
    first.form.Text1.text = "bob";
    first.form.mnuExit_Click();

    TestProgram second(first.app_folder);
    second.form.show();
    second.form.Text1.text = QString::fromUtf8("J\u00FCrgen");      // ü is 252 in the code page
    second.form.alarm_file = QString::fromUtf8("/snd/\u2713.wav");  // no code at all
    second.setup().Text2.text = "15";
    second.form.mnuExit_Click();
    ASSERT_EQ(second.messages.boxes.size(), 1u);
    EXPECT_TRUE(second.messages.boxes[0].second.contains("call target"));
    EXPECT_TRUE(second.messages.boxes[0].second.contains("alarm sound file"));

    TestProgram third(first.app_folder);
    third.form.show();
    EXPECT_EQ(third.form.Text1.text, "bob");
    EXPECT_EQ(third.form.alarm_file, "");
    EXPECT_EQ(third.setup().Text2.text, "15") << "the other values are saved as usual";
}

// The disk fills while the settings are written: the old file stays whole, and nothing is left
// beside it.
TEST(SettingsFile, AWriteThatFailsHalfwayKeepsTheOldFile) {
    TestProgram t;
    t.form.show();
    t.form.Text1.text = "first";
    t.form.save_settings();
    const QByteArray before = t.read_file("vq.stp");
    t.form.Text1.text = QString("a much longer call target ").repeated(20);
    {
        FileSizeLimit full(static_cast<rlim_t>(before.size() + 100));
        t.form.save_settings();
    }
    EXPECT_EQ(t.read_file("vq.stp"), before);
    EXPECT_EQ(QDir(t.app_folder).entryList(QDir::Files), QStringList{"vq.stp"});
    EXPECT_TRUE(t.messages.boxes.empty()) << "the log hears of it, not the user";
}

// Saving is killed at random moments while it writes again and again: the file left behind is
// always one whole version, never a truncated one. Every version ends in the same bottom edge,
// which is not the start value, so a cut anywhere shows in the target or in that last line.
TEST(SettingsFile, AKillDuringTheWriteLeavesAWholeFile) {
    for (int round = 0; round < 5; ++round) {
        TestProgram t;
        t.form.show();
        t.form.box_bottom = 200;
        t.form.Text1.text = "first";
        t.form.save_settings();
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int i = 0;; ++i) {
                t.form.Text1.text = QString("target number %1").arg(i).repeated(1 + i % 50);
                t.form.save_settings();
            }
        }
        usleep(20'000 + 7'000 * round);
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);

        const QByteArray file = t.read_file("vq.stp");
        EXPECT_TRUE(file.endsWith("\r\n")) << "round " << round;
        TestProgram after(t.app_folder);
        after.form.show();
        EXPECT_EQ(after.form.box_bottom, 200) << "round " << round;
        const QString target = after.form.Text1.text;
        const int i = QRegularExpression("^target number (\\d+)").match(target).captured(1).toInt();
        EXPECT_TRUE(target == "first" ||
                    target == QString("target number %1").arg(i).repeated(1 + i % 50))
            << "round " << round << ": " << target.size() << " characters";
    }
}

}  // namespace
