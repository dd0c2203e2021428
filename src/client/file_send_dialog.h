#pragma once

#include <QString>
#include <optional>

// The client's "send file" dialog, driven by keystrokes alone: a file-name box, a file-type
// list, the folder list, the file list, "Send" (the default button) and "Cancel", in tab order.
// It opens with the focus in the empty file-name box. Tabbing into the box selects its text,
// so typing then replaces it; Enter presses "Send" unless the focus is on "Cancel".
class FileSendDialog {
  public:
    enum class Control { file_name, file_type, look_in, file_list, send, cancel };
    static constexpr int control_count = 6;

    enum class Outcome { open, sent, cancelled };

    FileSendDialog(QString recipient, QString folder);

    // Keys in the notation "{TAB}", "+{TAB}" (Shift+Tab), "{ENTER}" or "~", "{ESC}",
    // "{BACKSPACE}", "{+}" for a literal plus; other characters stand for themselves.
    void type(const QString& keys);

    Outcome outcome() const { return outcome_; }
    // The file "Send" picked: the name in the box, in the dialog's folder.
    QString chosen_path() const;
    const QString& recipient() const { return recipient_; }
    const QString& folder() const { return folder_; }
    const QString& file_name() const { return file_name_; }
    Control focus() const { return focus_; }
    // Set when "Send" was pressed on a name that is not a file in the folder; the dialog stays.
    const QString& error() const { return error_; }

  private:
    void key(const QString& name, bool shift);
    void character(QChar c);
    void move_focus(int step);
    void press_default();

    QString recipient_;
    QString folder_;
    QString file_name_;
    QString error_;
    Control focus_ = Control::file_name;
    bool name_selected_ = false;
    Outcome outcome_ = Outcome::open;
};
