#pragma once

#include <QDialog>
#include <QString>

class QLineEdit;
class QSpinBox;

// File > Messenger Account...: the machine's XMPP account, written to the account file readable
// by its owner alone. The running client reads it at the next start.
class MessengerAccountDialog : public QDialog {
  public:
    MessengerAccountDialog(const QString& path, QWidget* parent = nullptr);

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
