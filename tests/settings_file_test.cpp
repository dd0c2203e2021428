#include <gtest/gtest.h>

#include <QDir>

#include "app/settings_codec.h"
#include "app/settings_keys.h"
#include "file_size_limit.h"
#include "machine_fixture.h"

namespace {

QByteArray shifted(const QByteArray& value) {
    QByteArray out;
    for (char c : value) out.append(char(static_cast<unsigned char>(c) + 50));
    return out;
}

// The start values, in the file's order.
QStringList start_values(const QString& app_folder) {
    return QString("|30|10|30|30|%1/|1|0|1|0|0|False|False|False|True||1|315|1|235")
        .arg(app_folder)
        .split('|');
}

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

// A file in which no line holds its start value: a target with a comma, blanks and characters
// of the code page's upper half, a fraction, a greyed box, Auto Low and a negative edge.
const QStringList values =
    QString::fromUtf8(
        "bob, caf\u00A3 \u20AC\u2122|40|20|12.5|9|/pics/|0|1|2|1|1|False|True|False|False|/a b.wav|"
        "-5|100|20|90")
        .split('|');
QList<QByteArray> good_lines() {
    QList<QByteArray> lines{shifted("bob, caf\xA3 \x80\x99")};
    for (const QString& value : values.mid(1)) lines.append(shifted(value.toLatin1()));
    return lines;
}
const QByteArray good_file = good_lines().join("\r\n") + "\r\n";

// A first run writes the start values; a full file is read and written back as it was.
TEST(SettingsFile, EveryValueIsReadAndWrittenBackAsItWas) {
    ShownProgram first;
    first.form.mnuExit_Click();
    QByteArray first_run;
    for (const QString& value : start_values(first.app_folder))
        first_run += shifted(value.toLatin1()) + "\r\n";
    EXPECT_EQ(first.read_file("vq.stp"), first_run);

    first.write_file("vq.stp", good_file);
    TestProgram t(first.app_folder);
    t.form.show();
    EXPECT_EQ(saved(t), values);
    t.form.mnuExit_Click();
    EXPECT_EQ(t.read_file("vq.stp"), good_file);
}

// Lines are applied in order until one is missing or does not convert; from there on every value
// keeps its start value, and the program starts all the same.
TEST(SettingsFile, ReadingStopsAtTheFirstLineThatDoesNotConvert) {
    const QList<QByteArray> good = good_lines();
    auto file_with = [&](int line, const QByteArray& replacement) {
        QList<QByteArray> lines = good;
        lines[line - 1] = replacement;
        return lines.join("\r\n") + "\r\n";
    };
    struct Case {
        const char* name;
        QByteArray file;
        int lines_applied;
        QString target = values[0];  // line 1, when it is applied
    };
    const Case cases[] = {
        {"lines after the twentieth are ignored", good_file + QByteArray(480 * 3, 'c'), 20},
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
        SCOPED_TRACE(c.name);
        EXPECT_EQ(t.form.Label5.caption, "Motion Detect Off");
        const QStringList defaults = start_values(t.app_folder);
        QStringList from_file = values;
        from_file[0] = c.target;
        const QStringList got = saved(t);
        for (int i = 0; i < 20; ++i) {
            // The four options are one group: the "True" on line 13 selects its button and clears
            // the others as it is applied.
            const int deciding_line = i >= 11 && i <= 14 ? 12 : i;
            EXPECT_EQ(got[i], deciding_line < c.lines_applied ? from_file[i] : defaults[i])
                << "line " << i + 1;
        }
    }
}

// A kill or a power cut loses nothing: a change is on disk a moment after it is made (a burst of
// them written once), and a run without changes writes nothing. The later settings take lines
// after the twentieth, which a file without them reads as off.
TEST(SettingsFile, AChangeIsSavedAMomentLaterAndReadBackAfterARestart) {
    ShownProgram t;
    t.scheduler.run_for(10'000);
    EXPECT_FALSE(QFile::exists(t.path("vq.stp"))) << "nothing changed";
    t.form.Text1.text = "bob";
    t.scheduler.run_for(1'900);
    EXPECT_FALSE(QFile::exists(t.path("vq.stp")));
    t.scheduler.run_for(200);
    EXPECT_EQ(settings_codec::split_lines(t.read_file("vq.stp")).size(), 20);
    t.form.keep_days = 14;
    t.form.alarm_command = "/usr/local/bin/tell-phone";
    t.scheduler.run_for(2'100);
    EXPECT_EQ(settings_codec::split_lines(t.read_file("vq.stp")).size(), 23);

    ShownProgram restarted(t.app_folder);  // the first one never reached its exit
    EXPECT_EQ(
        QStringList({restarted.form.Text1.text, QString::number(restarted.form.keep_days),
                     QString::number(restarted.form.keep_megabytes), restarted.form.alarm_command}),
        QStringList({"bob", "14", "0", "/usr/local/bin/tell-phone"}));
}

// A service instance is set up by name, without its windows: each word is checked before anything
// is written, a wrong one leaves the files as they were, and the program reads what was set.
TEST(SettingsFile, SettingsAreSetByNameAndAWrongOneChangesNothing) {
    QTemporaryDir folder;
    const struct {
        QStringList words;
        QString problem;  // empty: saved
    } cases[] = {
        {{"target=owner@home.example", "settle_seconds=5", "sensitivity=low",
          "rectangle=10,20,300,200", "keep_days=14", "camera=/dev/video2", "call_on_motion=0"},
         ""},
        {{"target=bob", "settle_seconds=soon"}, "settle_seconds takes a whole number"},
        {{"sensitivity=extreme"}, "sensitivity takes off, low, medium or high"},
        {{"rectangle=1,2,3"}, "rectangle takes left,top,right,bottom"},
        {{"call_on_motion=yes"}, "call_on_motion takes 0 or 1"},
        {{"colour=red"}, "unknown setting \"colour\""},
        {{"target=\u4e2d"}, "target: \"\u4e2d\" holds characters the settings file cannot"},
    };
    for (const auto& c : cases) {
        SettingsKeys settings(folder.path());
        QString problem;
        bool ok = true;
        for (const QString& word : c.words) {
            const qsizetype equals = word.indexOf('=');
            ok = ok && settings.set(word.left(equals), word.mid(equals + 1), problem);
        }
        if (ok) {
            ASSERT_TRUE(settings.save(problem)) << problem;
        }
        EXPECT_TRUE(c.problem.isEmpty() ? ok : problem.startsWith(c.problem)) << problem;
    }
    const QStringList lines = SettingsKeys(folder.path()).lines();
    for (const char* line : {"target=owner@home.example", "settle_seconds=5", "sensitivity=low",
                             "rectangle=10,20,300,200", "keep_days=14", "camera=/dev/video2",
                             "call_on_motion=0", "answer_calls=1"})
        EXPECT_TRUE(lines.contains(line)) << line << "\n" << lines.join('\n').toStdString();

    ShownProgram t(folder.path());
    frmTesting& f = t.form;
    EXPECT_EQ(QStringList({f.Text1.text, t.setup().Text3.text, QString::number(f.Option2.value),
                           QString::number(f.box_left), QString::number(f.box_top),
                           QString::number(f.box_right), QString::number(f.box_bottom),
                           QString::number(f.keep_days), QString::number(f.Check1.value)}),
              QStringList({"owner@home.example", "5", "1", "10", "20", "300", "200", "14", "0"}));
}

// A value the format cannot hold keeps the line the file had, and the user hears of it once.
TEST(SettingsFile, AValueTheFormatCannotHoldKeepsItsEarlierLine) {
    TestProgram first;
    first.write_file("vq.stp", good_file);
    first.form.show();
    first.form.Text1.text = QString::fromUtf8("J\u00FCrgen");      // ü is 252 in the code page
    first.form.alarm_file = QString::fromUtf8("/snd/\u2713.wav");  // no code at all
    first.setup().Text2.text = "15";
    first.form.mnuExit_Click();
    ASSERT_EQ(first.messages.boxes.size(), 1u);
    EXPECT_TRUE(first.messages.boxes[0].second.contains("call target"));
    EXPECT_TRUE(first.messages.boxes[0].second.contains("alarm sound file"));

    ShownProgram second(first.app_folder);
    EXPECT_EQ(second.form.Text1.text, values[0]);
    EXPECT_EQ(second.form.alarm_file, values[15]);
    EXPECT_EQ(second.setup().Text2.text, "15") << "the other values are saved as usual";
}

// The disk fills while the settings are written: the old file stays whole, and nothing is left
// beside it.
TEST(SettingsFile, AWriteThatFailsHalfwayKeepsTheOldFile) {
    ShownProgram t;
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

}  // namespace
