#pragma once

#include <QString>
#include <QStringList>
#include <map>

#include "child_process.h"
#include "prosody_server.h"

// The owner's phone (or a stranger's): the independent client in phone.py run as a child
// process, logged in to the test's server; the test reads what it received line by line and
// tells it what to do.
class Phone {
  public:
    // `script`: phone.py, or omemo_phone.py for a phone that also speaks OMEMO.
    Phone(const ProsodyServer& server, const QString& user, const char* script = VQ_PHONE_SCRIPT)
        : process_(QStringLiteral("/usr/bin/python3"),
                   {QString::fromUtf8(script), "--jid", ProsodyServer::jid(user), "--password",
                    ProsodyServer::password, "--port", QString::number(server.c2s_port()), "--ca",
                    server.ca_file()},
                   {}) {}
    ~Phone() {
        command(QStringLiteral("quit"));
        process_.finish(3'000);
    }
    Phone(const Phone&) = delete;
    Phone& operator=(const Phone&) = delete;

    bool online() { return !wait_for(QStringLiteral("online"), 30'000).isEmpty(); }
    void command(const QString& line) { process_.process.write((line + '\n').toUtf8()); }
    void say(const QString& to, const QString& text) { command("say " + to + ' ' + text); }

    // The next line starting with `prefix` that no earlier wait for the same prefix returned
    // (lines of other kinds may come in any order around it); empty when none came in time.
    QString wait_for(const QString& prefix, int limit_ms = 30'000) {
        qsizetype& from = cursors_[prefix];
        QString found;
        wait_until(
            [&] {
                const QStringList all = lines();
                for (qsizetype n = from; n < all.size(); ++n)
                    if (all[n].startsWith(prefix)) {
                        found = all[n];
                        from = n + 1;
                        return true;
                    }
                return false;
            },
            limit_ms);
        return found;
    }
    // The lines that start with `prefix`, of all received so far.
    QStringList received(const QString& prefix) const {
        QStringList found;
        for (const QString& line : lines())
            if (line.startsWith(prefix)) found.append(line);
        return found;
    }
    QStringList lines() const { return process_.output.split('\n', Qt::SkipEmptyParts); }
    std::string transcript() const {
        return ("phone:\n" + process_.output + "phone errors:\n" + process_.errors).toStdString();
    }

  private:
    ChildProcess process_;
    std::map<QString, qsizetype> cursors_;
};
