#pragma once

#include <QDialog>
#include <QString>

class QLineEdit;
class QSpinBox;

// File > Messenger Account...: the machine's XMPP account, written to the account file readable
// by its owner alone. The program reads it at its next start.
class MessengerAccountDialog : public QDialog {
  public:
    // `in_use`: the running program's link is this account.
    MessengerAccountDialog(const QString& path, bool in_use, QWidget* parent = nullptr);

  private:
    void fill();
    void save();
    QLineEdit* line(const QString& placeholder);

    QString path_;
    QLineEdit* jid_;
    QLineEdit* password_;
    QLineEdit* host_;
    QSpinBox* port_;
    QLineEdit* ca_file_;
    QSpinBox* stale_minutes_;
};
