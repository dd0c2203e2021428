#pragma once

#include "wait_until.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStringList>

// Whether the wanted lines appear in this order, others allowed between them.
inline bool in_order(const QStringList& lines, const QStringList& wanted) {
    qsizetype at = 0;
    for (const QString& line : lines)
        if (at < wanted.size() && line == wanted[at]) ++at;
    return at == wanted.size();
}

// One of our programs run by a test on the test's own session bus, its output collected.
struct ChildProcess {
    ChildProcess(const QString& program, const QStringList& arguments, const QString& bus_address) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus_address);
        process.setProcessEnvironment(environment);
        QObject::connect(&process, &QProcess::readyReadStandardOutput,
                         [this] { output += QString::fromUtf8(process.readAllStandardOutput()); });
        QObject::connect(&process, &QProcess::readyReadStandardError,
                         [this] { errors += QString::fromUtf8(process.readAllStandardError()); });
        process.start(program, arguments);
    }
    ~ChildProcess() {
        if (process.state() == QProcess::NotRunning) return;
        process.kill();
        process.waitForFinished(5'000);
    }
    bool finish(int limit_ms = 20'000) {
        return wait_until([this] { return process.state() == QProcess::NotRunning; }, limit_ms);
    }
    // The lines printed so far, without their time stamps.
    QStringList lines() const {
        static const QRegularExpression stamp(QStringLiteral("^ *\\d+\\.\\d{3} "));
        QStringList all = output.split('\n', Qt::SkipEmptyParts);
        for (QString& line : all) line.remove(stamp);
        return all;
    }
    QProcess process;
    QString output;
    QString errors;
};
