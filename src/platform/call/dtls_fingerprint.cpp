#include "platform/call/dtls_fingerprint.h"

#include <QCryptographicHash>
#include <QList>
#include <QRegularExpression>

namespace dtls_fingerprint {
namespace {
std::optional<QCryptographicHash::Algorithm> hash_named(const QString& name) {
    if (name == QLatin1String("sha-1")) return QCryptographicHash::Sha1;
    if (name == QLatin1String("sha-224")) return QCryptographicHash::Sha224;
    if (name == QLatin1String("sha-256")) return QCryptographicHash::Sha256;
    if (name == QLatin1String("sha-384")) return QCryptographicHash::Sha384;
    if (name == QLatin1String("sha-512")) return QCryptographicHash::Sha512;
    return std::nullopt;
}

// The DER bytes between the first BEGIN and END CERTIFICATE lines.
QByteArray der_of_pem(const QByteArray& pem) {
    static const QByteArray begin = "-----BEGIN CERTIFICATE-----";
    static const QByteArray end = "-----END CERTIFICATE-----";
    const qsizetype from = pem.indexOf(begin);
    const qsizetype to = from < 0 ? -1 : pem.indexOf(end, from);
    if (to < 0) return {};
    const QByteArray body = pem.mid(from + begin.size(), to - from - begin.size());
    const auto decoded = QByteArray::fromBase64Encoding(body.simplified().replace(' ', ""),
                                                        QByteArray::AbortOnBase64DecodingErrors);
    return decoded ? *decoded : QByteArray();
}
}  // namespace

std::optional<Fingerprint> of_sdp(const QString& sdp) {
    static const QRegularExpression line(
        QStringLiteral("^a=fingerprint:(\\S+) ([0-9A-Fa-f]{2}(?::[0-9A-Fa-f]{2})+)\\s*$"),
        QRegularExpression::MultilineOption);
    const QRegularExpressionMatch found = line.match(sdp);
    if (!found.hasMatch()) return std::nullopt;
    const QString algorithm = found.captured(1).toLower();
    const auto hash = hash_named(algorithm);
    if (!hash) return std::nullopt;
    QByteArray digest = QByteArray::fromHex(found.captured(2).remove(':').toLatin1());
    // A digest of the wrong length could never match: it is a broken line, not a fingerprint.
    if (digest.size() != QCryptographicHash::hashLength(*hash)) return std::nullopt;
    return Fingerprint{algorithm, digest};
}

QByteArray digest_of_pem(const QByteArray& pem, const QString& algorithm) {
    const auto hash = hash_named(algorithm.toLower());
    const QByteArray der = der_of_pem(pem);
    if (!hash || der.isEmpty()) return {};
    return QCryptographicHash::hash(der, *hash);
}

bool matches(const Fingerprint& expected, const QByteArray& certificate_pem) {
    const QByteArray digest = digest_of_pem(certificate_pem, expected.algorithm);
    return !digest.isEmpty() && digest == expected.digest;
}

}  // namespace dtls_fingerprint
