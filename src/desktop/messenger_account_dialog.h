#pragma once

#include <QDialog>
#include <QString>
#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;

// File > Messenger Account...: the machine's XMPP account, written to the account file readable
// by its owner alone. The program reads it at its next start. It shows the machine's encryption
// fingerprint, and a QR code the owner's app scans to add and verify the machine in one go.
class MessengerAccountDialog : public QDialog {
  public:
    // The machine's encryption device: its id and fingerprint (empty when there is none).
    struct Identity {
        quint32 device = 0;
        QString fingerprint;
    };
    // `in_use`: the running program's link is this account.
    MessengerAccountDialog(const QString& path, bool in_use,
                           std::function<Identity()> identity = {}, QWidget* parent = nullptr);

  private:
    void fill();
    void save();
    void show_identity();
    QLineEdit* line(const QString& placeholder);

    QString path_;
    QLineEdit* jid_;
    QLineEdit* password_;
    QLineEdit* host_;
    QSpinBox* port_;
    QLineEdit* ca_file_;
    QSpinBox* stale_minutes_;
    QComboBox* encryption_;
    QLineEdit* owner_fingerprints_;
    QLabel* fingerprint_;
    QLabel* qr_;
    Identity identity_;
};
