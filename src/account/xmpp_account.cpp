#include "account/xmpp_account.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>

namespace {
constexpr auto others_may_read = QFileDevice::ReadGroup | QFileDevice::ReadOther;
constexpr auto others_may_write = QFileDevice::WriteGroup | QFileDevice::WriteOther;

XmppAccount::Loaded refuse(const QString& problem) {
    return {std::nullopt, problem};
}

std::optional<XmppAccount::Encryption> encryption_named(const QString& name) {
    for (const auto kind : {XmppAccount::Encryption::omemo, XmppAccount::Encryption::optional,
                            XmppAccount::Encryption::off})
        if (name.compare(XmppAccount::encryption_name(kind), Qt::CaseInsensitive) == 0) return kind;
    return std::nullopt;
}

// The apps show a fingerprint in groups, upper or lower case: only its digits count. The value
// may come as one string or, when it holds commas, as QSettings' list.
std::optional<QStringList> fingerprints_from(const QVariant& value, QString* bad) {
    QStringList found;
    for (const QString& item : value.toStringList().join(',').split(',', Qt::SkipEmptyParts)) {
        QString digits = item.toLower();
        digits.remove(' ').remove('\t');
        if (digits.isEmpty()) continue;
        static const QRegularExpression hex(QStringLiteral("^[0-9a-f]{64}$"));
        if (!hex.match(digits).hasMatch()) {
            *bad = item.trimmed();
            return std::nullopt;
        }
        found.append(digits);
    }
    return found;
}

bool valid_jid(const QString& jid) {
    const qsizetype at = jid.indexOf('@');
    return at > 0 && at < jid.size() - 1 && !jid.contains(' ') && !jid.contains('/');
}
}  // namespace

XmppAccount::Loaded XmppAccount::load(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) return refuse(QStringLiteral("%1: no such account file.").arg(path));
    if (!info.isFile() || !info.isReadable())
        return refuse(QStringLiteral("%1: cannot read the account file.").arg(path));
    // Like ssh with a private key: a password file others can read, or change to send the
    // machine's alarms elsewhere, is not used at all.
    if (info.permissions() & (others_may_read | others_may_write))
        return refuse(QStringLiteral("%1: the account file holds a password and others can %2 "
                                     "it. Make it private with: chmod 600 %1")
                          .arg(path, info.permissions() & others_may_read
                                         ? QStringLiteral("read")
                                         : QStringLiteral("change")));
    QSettings settings(path, QSettings::IniFormat);
    if (settings.status() != QSettings::NoError)
        return refuse(QStringLiteral("%1: the account file is damaged.").arg(path));
    settings.beginGroup(QStringLiteral("account"));
    for (const char* key : {"jid", "password"})
        if (settings.value(QLatin1String(key)).toString().isEmpty())
            return refuse(QStringLiteral("%1: key \"%2\" is missing in [account].").arg(path, key));
    XmppAccount account;
    account.jid = settings.value(QStringLiteral("jid")).toString().trimmed();
    account.password = settings.value(QStringLiteral("password")).toString();
    account.host = settings.value(QStringLiteral("host")).toString().trimmed();
    account.ca_file = settings.value(QStringLiteral("ca_file")).toString().trimmed();
    account.stun = settings.value(QStringLiteral("stun")).toString().trimmed();
    account.turn = settings.value(QStringLiteral("turn")).toString().trimmed();
    account.turn_user = settings.value(QStringLiteral("turn_user")).toString();
    account.turn_password = settings.value(QStringLiteral("turn_password")).toString();
    if (!valid_jid(account.jid))
        return refuse(QStringLiteral("%1: \"jid\" must look like name@example.org, not \"%2\".")
                          .arg(path, account.jid));
    bool ok = true;
    if (settings.contains(QStringLiteral("port"))) {
        const uint port = settings.value(QStringLiteral("port")).toUInt(&ok);
        if (!ok || port == 0 || port > 65535)
            return refuse(
                QStringLiteral("%1: \"port\" must be a number from 1 to 65535.").arg(path));
        account.port = static_cast<quint16>(port);
    }
    if (settings.contains(QStringLiteral("stale_minutes"))) {
        account.stale_minutes = settings.value(QStringLiteral("stale_minutes")).toInt(&ok);
        if (!ok || account.stale_minutes < 1)
            return refuse(
                QStringLiteral("%1: \"stale_minutes\" must be a whole number, at least 1.")
                    .arg(path));
    }
    if (settings.contains(QStringLiteral("encryption"))) {
        const QString name = settings.value(QStringLiteral("encryption")).toString().trimmed();
        const auto kind = encryption_named(name);
        if (!kind)
            return refuse(
                QStringLiteral("%1: \"encryption\" must be omemo, optional or off, not \"%2\".")
                    .arg(path, name));
        account.encryption = *kind;
    }
    QString bad;
    const auto fingerprints =
        fingerprints_from(settings.value(QStringLiteral("owner_fingerprints")), &bad);
    if (!fingerprints)
        return refuse(QStringLiteral("%1: \"%2\" in \"owner_fingerprints\" is not a fingerprint: "
                                     "64 hex digits, as the owner's app shows its device.")
                          .arg(path, bad));
    account.owner_fingerprints = *fingerprints;
    if (!account.ca_file.isEmpty() && !QFileInfo(account.ca_file).isReadable())
        return refuse(QStringLiteral("%1: cannot read the CA file \"%2\" (ca_file).")
                          .arg(path, account.ca_file));
    return {account, {}};
}

QString XmppAccount::encryption_name(Encryption encryption) {
    switch (encryption) {
        case Encryption::optional:
            return QStringLiteral("optional");
        case Encryption::off:
            return QStringLiteral("off");
        case Encryption::omemo:
            break;
    }
    return QStringLiteral("omemo");
}

QString XmppAccount::grouped(const QString& fingerprint) {
    QStringList groups;
    for (qsizetype at = 0; at < fingerprint.size(); at += 8) groups += fingerprint.mid(at, 8);
    return groups.join(' ');
}

QString XmppAccount::scan_uri(quint32 device, const QString& fingerprint) const {
    return QStringLiteral("xmpp:%1?omemo-sid-%2=%3").arg(jid).arg(device).arg(fingerprint);
}

bool XmppAccount::save(const QString& path, QString* problem) const {
    // Created private before the password goes in, so it is never readable by others.
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        if (problem) *problem = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    file.close();
    QSettings settings(path, QSettings::IniFormat);
    settings.beginGroup(QStringLiteral("account"));
    settings.setValue(QStringLiteral("jid"), jid);
    settings.setValue(QStringLiteral("password"), password);
    const auto optional = [&settings](const char* key, const QVariant& value, bool set) {
        if (set)
            settings.setValue(QLatin1String(key), value);
        else
            settings.remove(QLatin1String(key));
    };
    optional("host", host, !host.isEmpty());
    optional("port", port, port != 0);
    optional("ca_file", ca_file, !ca_file.isEmpty());
    optional("stun", stun, !stun.isEmpty());
    optional("turn", turn, !turn.isEmpty());
    optional("turn_user", turn_user, !turn_user.isEmpty());
    optional("turn_password", turn_password, !turn_password.isEmpty());
    settings.setValue(QStringLiteral("stale_minutes"), stale_minutes);
    optional("encryption", encryption_name(encryption), encryption != Encryption::omemo);
    optional("owner_fingerprints", owner_fingerprints.join(QLatin1String(", ")),
             !owner_fingerprints.isEmpty());
    settings.endGroup();
    settings.sync();
    if (settings.status() != QSettings::NoError) {
        if (problem) *problem = QStringLiteral("%1: could not be written.").arg(path);
        return false;
    }
    // QSettings writes through a new file: make sure the result is still private.
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return true;
}
