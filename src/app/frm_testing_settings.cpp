#include <QFile>
#include <QStringList>
#include <functional>
#include <limits>
#include <vector>

#include "app/durable_file.h"
#include "app/frm_testing.h"
#include "app/program.h"
#include "app/settings_codec.h"
#include "log/categories.h"
#include "seams/seams.h"
#include "seams/user_messages.h"
#include "time/scheduler.h"
#include "windows/version.h"
#include "windows/video_quelm_setup.h"

namespace {
// A settings file is a few hundred bytes; a larger one is damaged and only its start is read.
constexpr qint64 largest_file = 64 * 1024;

struct SettingLine {
    const char* what;  // for telling the user which value could not be stored
    std::function<QString()> text;
    std::function<bool(const QString&)> apply;  // false when the text does not convert
};

bool apply_check(CheckBox& box, const QString& text) {
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < CheckBox::unchecked || value > CheckBox::greyed) return false;
    box.set_value(value);
    return true;
}

// "True" selects the button (running its click behaviour) and clears the others; "False" only
// clears it. Numbers count as they would in a condition: 0 is false, anything else true.
bool apply_option(OptionButton& option, const QString& text) {
    bool selected = false;
    if (text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) {
        selected = true;
    } else if (text.compare(QLatin1String("False"), Qt::CaseInsensitive) != 0) {
        bool ok = false;
        const double number = text.toDouble(&ok);
        if (!ok) return false;
        selected = number != 0;
    }
    option.set_value(selected);
    return true;
}

// A whole number of at least 0 (0: off).
bool apply_count(int& target, const QString& text) {
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < 0) return false;
    target = value;
    return true;
}

bool apply_edge(qint16& edge, const QString& text) {
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < std::numeric_limits<qint16>::min() ||
        value > std::numeric_limits<qint16>::max())
        return false;
    edge = static_cast<qint16>(value);
    return true;
}

QString option_text(const OptionButton& option) {
    return option.value ? QStringLiteral("True") : QStringLiteral("False");
}
}  // namespace

namespace {
std::vector<SettingLine> setting_lines(frmTesting& f, Video_Quelm_Setup& setup) {
    auto text_line = [](const char* what, QString& target) {
        return SettingLine{what, [&target] { return target; },
                           [&target](const QString& text) {
                               target = text;
                               return true;
                           }};
    };
    auto check_line = [](const char* what, CheckBox& box) {
        return SettingLine{what, [&box] { return QString::number(box.value); },
                           [&box](const QString& text) { return apply_check(box, text); }};
    };
    auto option_line = [](const char* what, OptionButton& option) {
        return SettingLine{what, [&option] { return option_text(option); },
                           [&option](const QString& text) { return apply_option(option, text); }};
    };
    auto edge_line = [](const char* what, qint16& edge) {
        return SettingLine{what, [&edge] { return QString::number(edge); },
                           [&edge](const QString& text) { return apply_edge(edge, text); }};
    };
    // An empty snapshot folder would scatter snapshots into whatever folder the program was
    // started from; it keeps the application folder instead.
    SettingLine folder{"snapshot folder", [&f] { return f.snap_folder; },
                       [&f](const QString& text) {
                           if (!text.isEmpty()) f.snap_folder = text;
                           return true;
                       }};
    return {
        text_line("call target", f.Text1.text),
        text_line("Alarm Sound Seconds", setup.Text1.text),
        text_line("Seconds to Ring", setup.Text2.text),
        text_line("Settle Delay Seconds", setup.Text3.text),
        text_line("Max Conn Minutes", setup.Text4.text),
        folder,
        check_line("Call on Motion", f.Check1),
        check_line("IM JPEG of Trigger Event", f.Check2),
        check_line("AnswerCalls w/video", f.Check3),
        check_line("Alarm Sound On", f.Check4),
        check_line("Start Motion Detection on Program Start", setup.Check1),
        option_line("Auto Off", f.Option1),
        option_line("Auto Low", f.Option2),
        option_line("Auto High", f.Option3),
        option_line("Auto Med", f.Option4),
        text_line("alarm sound file", f.alarm_file),
        edge_line("rectangle left", f.box_left),
        edge_line("rectangle right", f.box_right),
        edge_line("rectangle top", f.box_top),
        edge_line("rectangle bottom", f.box_bottom),
        // Lines after the twentieth: a file from before them reads as it always did, and one
        // with them reads in an older program, which ignores them.
        SettingLine{"snapshot days", [&f] { return QString::number(f.keep_days); },
                    [&f](const QString& text) { return apply_count(f.keep_days, text); }},
        SettingLine{"snapshot megabytes", [&f] { return QString::number(f.keep_megabytes); },
                    [&f](const QString& text) { return apply_count(f.keep_megabytes, text); }},
        text_line("alarm command", f.alarm_command),
    };
}
}  // namespace

// Reads the lines in order and applies each at once; the first line that is missing or does not
// convert ends the reading, so it and the later ones keep their start values.
void frmTesting::load_settings() {
    const std::vector<SettingLine> lines = setting_lines(*this, program_.setup());
    settings_kept_.clear();
    for (const SettingLine& line : lines)
        settings_kept_.append(settings_codec::store(line.text()).value_or(QByteArray()));

    QFile file(program_.app_path(settings_codec::file_name));
    if (!file.open(QIODevice::ReadOnly)) return;
    const QList<QByteArray> stored = settings_codec::split_lines(file.read(largest_file));
    file.close();

    for (int i = 0; i < static_cast<int>(lines.size()) && i < stored.size(); ++i) {
        const std::optional<QString> value = settings_codec::read(stored[i]);
        if (!value || !lines[static_cast<size_t>(i)].apply(*value)) {
            qCWarning(settings_log)
                << "settings line" << i + 1 << "(" << lines[static_cast<size_t>(i)].what
                << ") not readable; it and the later ones keep their start values";
            return;
        }
        settings_kept_[i] = stored[i];
    }
}

QString frmTesting::settings_texts() {
    QString all;
    for (const SettingLine& line : setting_lines(*this, program_.setup()))
        all += line.text() + '\n';
    return all;
}

// A crash, a kill or a power cut must not take the day's changes with it: a change is written a
// moment after it is made (a burst of them, such as a drag, once), as well as at the end.
void frmTesting::save_settings_soon() {
    const QString now = settings_texts();
    if (now == settings_seen_) return;
    settings_seen_ = now;
    if (settings_save_due_) return;
    settings_save_due_ = true;
    program_.seams().scheduler.post_after(settings_save_delay_ms, [this] {
        settings_save_due_ = false;
        save_settings();
    });
}

// Writes all twenty lines beside the old file and renames it over it only when everything was
// written, so a crash or a full disk leaves the previous settings whole. A value the format
// cannot hold keeps the line it had, and the user is told once.
bool frmTesting::save_settings() {
    const std::vector<SettingLine> lines = setting_lines(*this, program_.setup());
    QByteArray content;
    QStringList not_stored;
    // The file keeps its twenty lines, as every earlier version wrote it, until a later
    // setting is used.
    const bool later_used = keep_days != 0 || keep_megabytes != 0 || !alarm_command.isEmpty();
    const size_t count = later_used ? lines.size() : settings_codec::line_count;
    for (size_t i = 0; i < count; ++i) {
        std::optional<QByteArray> line = settings_codec::store(lines[i].text());
        if (!line) {
            not_stored.append(QString::fromLatin1(lines[i].what));
            line =
                i < static_cast<size_t>(settings_kept_.size()) ? settings_kept_[i] : QByteArray();
        }
        content += *line + "\r\n";
    }

    QString error;
    const bool written = durable_file::write(
        program_.app_path(settings_codec::file_name),
        [&content](QIODevice& file) { return file.write(content) == content.size(); }, &error);
    if (!written) qCWarning(settings_log) << "the settings could not be saved:" << error;

    // Said once for the same values, not at every save of the run.
    const QString untold = not_stored.join(QStringLiteral(", "));
    if (!not_stored.isEmpty() && untold != not_stored_told_) {
        not_stored_told_ = untold;
        program_.seams().messages.message_box(
            app::title,
            QStringLiteral("These settings hold characters that the settings file cannot keep, "
                           "so their earlier values were saved instead: %1.")
                .arg(untold));
    }
    return written;
}
