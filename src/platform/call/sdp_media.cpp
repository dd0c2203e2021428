#include "platform/call/sdp_media.h"

#include <QRegularExpression>
#include <algorithm>

namespace sdp_media {

std::vector<Line> lines_of(const QString& sdp) {
    std::vector<Line> lines;
    for (QStringView row : QStringView(sdp).split('\n')) {
        row = row.trimmed();
        if (row.isEmpty()) continue;
        if (row.startsWith(u"m=")) {
            const auto words = row.mid(2).split(' ');
            lines.push_back(
                Line{words.value(0).toString(), {}, words.size() > 1 && words[1] == u"0", {}});
        }
        // A line bundled with the first keeps port 0 without being refused.
        if (row == u"a=bundle-only" && !lines.empty()) lines.back().rejected = false;
        if (lines.empty()) continue;
        if (row.startsWith(u"a=mid:")) lines.back().mid = row.mid(6).toString();
        lines.back().text += row.toString() + u'\n';
    }
    return lines;
}

std::vector<Payload> payloads(const QString& sdp, const QString& media) {
    static const QRegularExpression rtpmap(QStringLiteral("^a=rtpmap:(\\d+) ([^/\\s]+)/"),
                                           QRegularExpression::MultilineOption);
    static const QRegularExpression fmtp(QStringLiteral("^a=fmtp:(\\d+) ([^\\r\\n]*)"),
                                         QRegularExpression::MultilineOption);
    std::vector<Payload> found;
    for (const Line& line : lines_of(sdp)) {
        if (line.media != media || line.rejected) continue;
        for (auto maps = rtpmap.globalMatch(line.text); maps.hasNext();) {
            const auto match = maps.next();
            found.push_back({match.captured(1).toInt(), match.captured(2), {}});
        }
        for (auto parameters = fmtp.globalMatch(line.text); parameters.hasNext();) {
            const auto match = parameters.next();
            for (Payload& p : found)
                if (p.number == match.captured(1).toInt())
                    p.parameters = match.captured(2).trimmed();
        }
        break;
    }
    return found;
}

std::optional<int> payload_type(const QString& sdp, const QString& media, const QString& codec) {
    for (const Payload& p : payloads(sdp, media))
        if (p.name.compare(codec, Qt::CaseInsensitive) == 0) return p.number;
    return std::nullopt;
}

QString with_parameters(const QString& sdp, const QString& codec, const QString& parameters) {
    static const QRegularExpression rtpmap(QStringLiteral("^a=rtpmap:(\\d+) ([^/\\s]+)/"));
    QStringList rows = sdp.split(QStringLiteral("\r\n"));
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const auto match = rtpmap.match(rows[i]);
        if (!match.hasMatch() || match.captured(2).compare(codec, Qt::CaseInsensitive) != 0)
            continue;
        const QString fmtp = "a=fmtp:" + match.captured(1) + ' ';
        qsizetype at = i + 1;
        while (at < rows.size() && !rows[at].startsWith(fmtp) && !rows[at].startsWith("m=")) ++at;
        if (at == rows.size() || !rows[at].startsWith(fmtp)) {
            rows.insert(i + 1, fmtp + parameters);
            continue;
        }
        QStringList have = rows[at].mid(fmtp.size()).split(';', Qt::SkipEmptyParts);
        for (const QString& wanted : parameters.split(';', Qt::SkipEmptyParts)) {
            const QString name = wanted.section('=', 0, 0) + '=';
            if (std::none_of(have.begin(), have.end(),
                             [&](const QString& p) { return p.trimmed().startsWith(name); }))
                have.append(wanted);
        }
        rows[at] = fmtp + have.join(';');
    }
    return rows.join(QStringLiteral("\r\n"));
}

QString without_bundle_only(const QString& sdp) {
    // The session's lines before the first media line stay as they are.
    QString written;
    for (QStringView row : QStringView(sdp).split('\n')) {
        if (row.trimmed().startsWith(u"m=")) break;
        if (!row.trimmed().isEmpty()) written += row.trimmed().toString() + QStringLiteral("\r\n");
    }
    static const QRegularExpression bundled_port(QStringLiteral("^(m=\\S+) 0 "));
    for (const Line& line : lines_of(sdp)) {
        QString text = line.text;
        if (text.contains(QLatin1String("\na=bundle-only\n"))) {
            text.remove(QLatin1String("a=bundle-only\n"));
            text.replace(bundled_port, QStringLiteral("\\1 9 "));
        }
        written += text.replace('\n', QStringLiteral("\r\n"));
    }
    return written;
}

}  // namespace sdp_media
