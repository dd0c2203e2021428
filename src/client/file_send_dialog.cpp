#include "client/file_send_dialog.h"

#include <QDir>
#include <QFileInfo>

FileSendDialog::FileSendDialog(QString recipient, QString folder)
    : recipient_(std::move(recipient)), folder_(std::move(folder)) {}

void FileSendDialog::type(const QString& keys) {
    bool shift = false;
    for (qsizetype i = 0; i < keys.size() && outcome_ == Outcome::open; ++i) {
        const QChar c = keys[i];
        if (c == '+' && !shift) {
            shift = true;
            continue;
        }
        if (c == '{') {
            // "{}}" and "{{}" name the braces themselves.
            const qsizetype close = keys.indexOf('}', i + 2);
            if (close < 0) return;  // an unfinished key name types nothing more
            key(keys.mid(i + 1, close - i - 1), shift);
            i = close;
        } else if (c == '~') {
            key(QStringLiteral("ENTER"), shift);
        } else {
            character(shift ? c.toUpper() : c);
        }
        shift = false;
    }
}

void FileSendDialog::key(const QString& name, bool shift) {
    const QString upper = name.toUpper();
    if (upper == QLatin1String("TAB")) {
        move_focus(shift ? -1 : 1);
    } else if (upper == QLatin1String("ENTER")) {
        press_default();
    } else if (upper == QLatin1String("ESC") || upper == QLatin1String("ESCAPE")) {
        outcome_ = Outcome::cancelled;
    } else if (upper == QLatin1String("BACKSPACE") || upper == QLatin1String("BS")) {
        if (focus_ != Control::file_name) return;
        if (name_selected_)
            file_name_.clear();
        else
            file_name_.chop(1);
        name_selected_ = false;
    } else if (name.size() == 1) {
        character(name[0]);  // "{+}", "{~}", "{{}"...
    }
}

void FileSendDialog::character(QChar c) {
    if (focus_ != Control::file_name) return;  // the lists only move their selection
    if (name_selected_) file_name_.clear();
    name_selected_ = false;
    file_name_.append(c);
}

void FileSendDialog::move_focus(int step) {
    const int next = (static_cast<int>(focus_) + step + control_count) % control_count;
    focus_ = static_cast<Control>(next);
    name_selected_ = focus_ == Control::file_name;
}

void FileSendDialog::press_default() {
    if (focus_ == Control::cancel) {
        outcome_ = Outcome::cancelled;
        return;
    }
    if (file_name_.isEmpty()) return;
    if (!QFileInfo(chosen_path()).isFile()) {
        error_ = QStringLiteral("%1\nFile not found.").arg(file_name_);
        return;
    }
    error_.clear();
    outcome_ = Outcome::sent;
}

QString FileSendDialog::chosen_path() const {
    if (QDir::isAbsolutePath(file_name_)) return QDir::cleanPath(file_name_);
    return QDir::cleanPath(folder_ + '/' + file_name_);
}
