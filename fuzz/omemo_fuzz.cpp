// Fuzzes the OMEMO XML a stranger can send or publish: each input line is parsed as an element
// and read as an envelope, a device list and a bundle. What is read must be written back and
// read again to the same values; an envelope is then decrypted by a real device (its keys
// addressed to it), so the Signal library's message parsers see the input too.
#include <QDomDocument>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

#include "omemo/omemo_device.h"
#include "omemo/omemo_xml.h"

namespace {

QDomElement element(QDomDocument& document, const QString& xml) {
    return document.setContent(xml, true) ? document.documentElement() : QDomElement();
}

OmemoDevice& device() {
    static QTemporaryDir folder;
    static std::unique_ptr<OmemoDevice> made =
        OmemoDevice::open(folder.filePath("device"), nullptr);
    if (!made) std::abort();
    return *made;
}

void check(const QDomElement& root) {
    QDomDocument again;
    if (auto envelope = omemo::xml::parse_envelope(root)) {
        const auto read =
            omemo::xml::parse_envelope(element(again, omemo::xml::envelope_xml(*envelope)));
        if (!read || *read != *envelope) std::abort();
        for (auto& key : envelope->keys) key.device = device().device_id();
        const auto decrypted = device().decrypt(QStringLiteral("stranger@example.org"), *envelope);
        if (decrypted.ok != decrypted.problem.isEmpty()) std::abort();
    }
    const auto devices = omemo::xml::parse_device_list(root);
    if (!devices.empty() && omemo::xml::parse_device_list(
                                element(again, omemo::xml::device_list_xml(devices))) != devices)
        std::abort();
    if (const auto bundle = omemo::xml::parse_bundle(root)) {
        const auto read = omemo::xml::parse_bundle(element(again, omemo::xml::bundle_xml(*bundle)));
        if (!read || *read != *bundle) std::abort();
        QString problem;
        device().start_session({QStringLiteral("stranger@example.org"), 7}, *bundle, &problem);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    for (const QByteArray& line : input.split('\n')) {
        QDomDocument document;
        const QDomElement root = element(document, QString::fromUtf8(line));
        if (!root.isNull()) check(root);
    }
    return 0;
}
