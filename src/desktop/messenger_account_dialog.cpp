#include "desktop/messenger_account_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>

#include "account/xmpp_account.h"
#include "desktop/qr_code.h"

MessengerAccountDialog::MessengerAccountDialog(const QString& path, bool in_use,
                                               std::function<Identity()> identity, QWidget* parent)
    : QDialog(parent), path_(path) {
    setWindowTitle(QStringLiteral("Messenger Account"));
    setObjectName(QStringLiteral("MessengerAccount"));
    auto* form = new QFormLayout(this);
    auto* intro = new QLabel(
        QStringLiteral("The machine's own XMPP account. Its owner adds it as a contact in a "
                       "messenger (Conversations, Monal, Siskin, Dino, Gajim) and is its call "
                       "target."));
    intro->setWordWrap(true);
    form->addRow(intro);
    jid_ = line(QStringLiteral("name@server"));
    password_ = line({});
    password_->setEchoMode(QLineEdit::Password);
    host_ = line(QStringLiteral("from the domain's DNS records"));
    port_ = new QSpinBox;
    port_->setRange(0, 65535);
    port_->setSpecialValueText(QStringLiteral("default"));
    ca_file_ = line(QStringLiteral("only for a server with its own CA"));
    auto* browse = new QPushButton(QStringLiteral("Browse..."));
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString chosen = QFileDialog::getOpenFileName(
            this, QStringLiteral("CA Certificate"), {}, QStringLiteral("PEM (*.pem *.crt)"));
        if (!chosen.isEmpty()) ca_file_->setText(chosen);
    });
    auto* ca_row = new QHBoxLayout;
    ca_row->addWidget(ca_file_);
    ca_row->addWidget(browse);
    stale_minutes_ = new QSpinBox;
    stale_minutes_->setRange(1, 24 * 60);
    stale_minutes_->setSuffix(QStringLiteral(" minutes"));
    form->addRow(QStringLiteral("Account (JID):"), jid_);
    form->addRow(QStringLiteral("Password:"), password_);
    form->addRow(QStringLiteral("Server:"), host_);
    form->addRow(QStringLiteral("Port:"), port_);
    form->addRow(QStringLiteral("CA file:"), ca_row);
    form->addRow(QStringLiteral("Ignore commands older than:"), stale_minutes_);
    encryption_ = new QComboBox;
    for (const auto kind : {XmppAccount::Encryption::omemo, XmppAccount::Encryption::optional,
                            XmppAccount::Encryption::off})
        encryption_->addItem(kind == XmppAccount::Encryption::omemo
                                 ? QStringLiteral("OMEMO: encrypted commands only")
                             : kind == XmppAccount::Encryption::optional
                                 ? QStringLiteral("OMEMO: unencrypted commands too")
                                 : QStringLiteral("Off: nothing encrypted"),
                             XmppAccount::encryption_name(kind));
    owner_fingerprints_ = line(QStringLiteral("empty: every device of the owner"));
    form->addRow(QStringLiteral("Encryption:"), encryption_);
    form->addRow(QStringLiteral("Owner's devices:"), owner_fingerprints_);
    fingerprint_ = new QLabel;
    fingerprint_->setObjectName(QStringLiteral("fingerprint"));
    fingerprint_->setWordWrap(true);
    fingerprint_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    qr_ = new QLabel;
    qr_->setObjectName(QStringLiteral("qr"));
    form->addRow(fingerprint_);
    form->addRow(qr_);
    if (identity) identity_ = identity();
    connect(jid_, &QLineEdit::textChanged, this, [this] { show_identity(); });
    // Plainly when it counts: the running link is not rebuilt under a call or an alarm.
    auto* when = new QLabel(
        in_use ? QStringLiteral("Saved in %1. Video Quelm uses the changes from its next start.")
                     .arg(path_)
               : QStringLiteral("Saved in %1. Video Quelm uses this account from its next start "
                                "(close it with File > Exit and start it again).")
                     .arg(path_));
    when->setWordWrap(true);
    when->setObjectName(QStringLiteral("when"));
    form->addRow(when);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { save(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
    fill();
}

QLineEdit* MessengerAccountDialog::line(const QString& placeholder) {
    auto* edit = new QLineEdit;
    edit->setPlaceholderText(placeholder);
    edit->setMinimumWidth(260);
    return edit;
}

// What the file holds now, also when it cannot be used as it is (saving then repairs it).
void MessengerAccountDialog::fill() {
    QSettings settings(path_, QSettings::IniFormat);
    settings.beginGroup(QStringLiteral("account"));
    jid_->setText(settings.value(QStringLiteral("jid")).toString());
    password_->setText(settings.value(QStringLiteral("password")).toString());
    host_->setText(settings.value(QStringLiteral("host")).toString());
    port_->setValue(settings.value(QStringLiteral("port"), 0).toInt());
    ca_file_->setText(settings.value(QStringLiteral("ca_file")).toString());
    stale_minutes_->setValue(settings.value(QStringLiteral("stale_minutes"), 10).toInt());
    const int kind = encryption_->findData(
        settings.value(QStringLiteral("encryption")).toString().trimmed().toLower());
    encryption_->setCurrentIndex(kind < 0 ? 0 : kind);
    owner_fingerprints_->setText(settings.value(QStringLiteral("owner_fingerprints"))
                                     .toStringList()
                                     .join(QLatin1String(", ")));
    show_identity();
}

// The fingerprint as the owner's app shows it for the machine, to compare; the code holds the
// account's address with it.
void MessengerAccountDialog::show_identity() {
    if (identity_.fingerprint.isEmpty()) {
        fingerprint_->setText(
            QStringLiteral("This machine's encryption fingerprint: none yet (it is made at the "
                           "first start with encryption on)."));
        qr_->clear();
        return;
    }
    fingerprint_->setText(
        QStringLiteral("This machine's encryption fingerprint (device %1): %2\nCompare it with "
                       "what your app shows for the machine, or scan the code with it.")
            .arg(identity_.device)
            .arg(XmppAccount::grouped(identity_.fingerprint)));
    XmppAccount account;
    account.jid = jid_->text().trimmed();
    if (account.jid.isEmpty()) {
        qr_->clear();
        return;
    }
    qr_->setPixmap(
        QPixmap::fromImage(qr_code(account.scan_uri(identity_.device, identity_.fingerprint), 3)));
}

void MessengerAccountDialog::save() {
    // What the dialog does not show (calls' STUN and TURN servers) is kept as the file has it.
    const XmppAccount::Loaded before = XmppAccount::load(path_);
    XmppAccount account = before.account.value_or(XmppAccount{});
    account.jid = jid_->text().trimmed();
    account.password = password_->text();
    account.host = host_->text().trimmed();
    account.port = static_cast<quint16>(port_->value());
    account.ca_file = ca_file_->text().trimmed();
    account.stale_minutes = stale_minutes_->value();
    for (const auto kind : {XmppAccount::Encryption::omemo, XmppAccount::Encryption::optional,
                            XmppAccount::Encryption::off})
        if (encryption_->currentData().toString() == XmppAccount::encryption_name(kind))
            account.encryption = kind;
    // Checked as the file is read back, below.
    account.owner_fingerprints.clear();
    for (const QString& fingerprint : owner_fingerprints_->text().split(',', Qt::SkipEmptyParts))
        if (!fingerprint.trimmed().isEmpty()) account.owner_fingerprints += fingerprint.trimmed();
    QString problem;
    if (!account.save(path_, &problem)) {
        QMessageBox::warning(this, windowTitle(), problem);
        return;
    }
    // Read back as the client will, so a mistake shows now and not at the next start.
    const XmppAccount::Loaded loaded = XmppAccount::load(path_);
    if (!loaded.account) {
        QMessageBox::warning(this, windowTitle(), loaded.problem);
        return;
    }
    accept();
}
