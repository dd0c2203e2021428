#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// The DTLS certificate fingerprint a peer signals in its session description, and the check of
// the certificate it then presents against it. The DTLS element accepts any certificate: without
// this check a man in the middle could stand in for the owner's phone.
namespace dtls_fingerprint {

struct Fingerprint {
    QString algorithm;  // as written in the SDP, in lower case: "sha-256"
    QByteArray digest;  // the raw bytes
};

// The first "a=fingerprint:" line of an SDP (session or media level), when it is well formed and
// of a hash we can compute.
std::optional<Fingerprint> of_sdp(const QString& sdp);

// The digest of a certificate given in PEM, by the fingerprint's algorithm; empty when the PEM
// holds no certificate or the algorithm is unknown.
QByteArray digest_of_pem(const QByteArray& pem, const QString& algorithm);

// Whether the certificate is the one the fingerprint names.
bool matches(const Fingerprint& expected, const QByteArray& certificate_pem);

}  // namespace dtls_fingerprint
