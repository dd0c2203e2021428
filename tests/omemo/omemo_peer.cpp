// The machine's OMEMO device driven line by line from a script, so that an implementation
// nobody here wrote (the interop check) can talk to it. Each command is one line on standard
// input, each answer one line on standard output:
//   bundle                           -> the bundle's XML
//   fingerprint                      -> device id and fingerprint
//   session <jid> <device> <xml>     -> ok | error <why>
//   encrypt <jid> <device> <text>    -> the envelope's XML | error
//   decrypt <jid> <xml>              -> ok <body> | error <why>
//   bundle_changed                   -> yes | no
#include <QCoreApplication>
#include <QDomDocument>
#include <QTextStream>
#include <iostream>
#include <string>

#include "omemo/omemo_device.h"
#include "omemo/omemo_xml.h"

namespace {

QDomElement element(QDomDocument& document, const QString& xml) {
    document.setContent(xml, true);
    return document.documentElement();
}

QString answer(OmemoDevice& device, const QString& line) {
    const QString command = line.section(u' ', 0, 0);
    QDomDocument document;
    if (command == u"bundle") return omemo::xml::bundle_xml(device.bundle());
    if (command == u"fingerprint")
        return QStringLiteral("%1 %2").arg(device.device_id()).arg(device.fingerprint());
    if (command == u"bundle_changed") return device.take_bundle_changed() ? "yes" : "no";
    const omemo::Address peer{line.section(u' ', 1, 1), line.section(u' ', 2, 2).toUInt()};
    if (command == u"session") {
        const auto bundle = omemo::xml::parse_bundle(element(document, line.section(u' ', 3)));
        QString problem = QStringLiteral("bundle not read");
        return bundle && device.start_session(peer, *bundle, &problem) ? "ok" : "error " + problem;
    }
    if (command == u"encrypt") {
        const auto envelope = device.encrypt(line.section(u' ', 3).toUtf8(), {peer});
        return envelope ? omemo::xml::envelope_xml(*envelope) : QStringLiteral("error");
    }
    if (command == u"decrypt") {
        const auto envelope = omemo::xml::parse_envelope(element(document, line.section(u' ', 2)));
        if (!envelope) return QStringLiteral("error envelope not read");
        const auto read = device.decrypt(peer.jid, *envelope);
        return read.ok ? "ok " + QString::fromUtf8(read.body) : "error " + read.problem;
    }
    return QStringLiteral("error unknown command");
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    if (argc != 2) {
        std::cerr << "usage: vq_omemo_peer <device file>\n";
        return 2;
    }
    QString problem;
    auto device = OmemoDevice::open(QString::fromLocal8Bit(argv[1]), &problem);
    if (!device) {
        std::cerr << problem.toStdString() << '\n';
        return 1;
    }
    for (std::string line; std::getline(std::cin, line);)
        std::cout << answer(*device, QString::fromStdString(line)).toStdString() << std::endl;
    return 0;
}
