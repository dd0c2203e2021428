// The simulated chat/call client as a service on the session bus, with the owner's side of it on
// the terminal: what the machine sends appears as text, and the owner types lines.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QFile>
#include <cstdio>
#include <optional>

#include "client/client_core.h"
#include "platform/dbus/client_bus_service.h"
#include "platform/terminal_lines.h"
#include "sim/owner_console.h"
#include "sim/owner_script.h"
#include "time/qt_scheduler.h"

namespace {

struct Settings {
    ClientCoreOptions client;
    bool refuse = false;
    bool trace = false;
    bool exit_at_eof = false;
    QString script_path;
};

Settings read_options(const QCoreApplication& application) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "The simulated chat/call client on the session bus, for Video Quelm to attach to.\n"
        "Type lines as the owner: a chat line to the machine, or call, answer, refuse, hangup,\n"
        "logout, login, say TEXT, ? for help, quit to stop.\n"
        "With --trace or --script every line carries the seconds since the start, and the\n"
        "protocol lines show as '-> ' (from the machine) and '<- ' (to the machine).\n"
        "A script has one owner line a line, after the seconds since the machine first\n"
        "named itself: '12.5 say motion on', '40 call', '90 quit'; '#' starts a comment line."));
    parser.addHelpOption();
    const Settings defaults;
    const QCommandLineOption owner(QStringLiteral("owner"), QStringLiteral("The owner's handle."),
                                   QStringLiteral("HANDLE"), defaults.client.owner);
    const QCommandLineOption handle(QStringLiteral("handle"),
                                    QStringLiteral("The machine's own handle."),
                                    QStringLiteral("HANDLE"), defaults.client.own_handle);
    const QCommandLineOption refuse(QStringLiteral("refuse"),
                                    QStringLiteral("Refuse the program access (ERROR 68)."));
    const QCommandLineOption script(QStringLiteral("script"),
                                    QStringLiteral("Play the owner's lines from FILE."),
                                    QStringLiteral("FILE"));
    const QCommandLineOption trace(QStringLiteral("trace"),
                                   QStringLiteral("Time stamps and protocol lines."));
    const QCommandLineOption exit_at_eof(QStringLiteral("exit-at-eof"),
                                         QStringLiteral("Stop at the end of the input."));
    parser.addOptions({owner, handle, refuse, script, trace, exit_at_eof});
    parser.process(application);

    Settings settings;
    settings.client.owner = parser.value(owner);
    settings.client.own_handle = parser.value(handle);
    settings.refuse = parser.isSet(refuse);
    settings.script_path = parser.value(script);
    settings.trace = parser.isSet(trace) || parser.isSet(script);
    settings.exit_at_eof = parser.isSet(exit_at_eof);
    return settings;
}

std::optional<std::vector<OwnerScript::Step>> read_script(const QString& path) {
    if (path.isEmpty()) return std::vector<OwnerScript::Step>{};
    QFile file(path);
    QString error;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        error = file.errorString();
    else if (auto steps = OwnerScript::parse(QString::fromUtf8(file.readAll()), &error))
        return steps;
    std::fprintf(stderr, "vq-skype-sim: %s: %s\n", qPrintable(path), qPrintable(error));
    return std::nullopt;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vq-skype-sim"));
    const Settings settings = read_options(application);
    auto steps = read_script(settings.script_path);
    if (!steps) return 2;

    QtScheduler scheduler;
    const auto print = [&](const QString& text) {
        if (settings.trace)
            std::printf("%9.3f %s\n", scheduler.now_ms() / 1000.0, qPrintable(text));
        else
            std::printf("%s\n", qPrintable(text));
        std::fflush(stdout);
    };

    ClientCore client(scheduler, settings.client);
    client.set_access_allowed(!settings.refuse);
    OwnerConsole console(client, print);
    // A session connection of our own: the shared one holds back the calls that come before the
    // event loop runs, and a later call has been seen to overtake one held back (a PROTOCOL
    // handled before its NAME).
    ClientBusService service(client, QDBusConnection::connectToBus(QDBusConnection::SessionBus,
                                                                   QStringLiteral("vq-skype-sim")));
    if (settings.trace)
        service.on_traffic = [&](const QString& line, bool from_program) {
            print((from_program ? QStringLiteral("-> ") : QStringLiteral("<- ")) + line);
        };

    const auto owner_types = [&](const QString& line) {
        if (settings.trace) print(QStringLiteral("owner: ") + line);
        if (line.trimmed() == QLatin1String("quit"))
            scheduler.quit();
        else
            console.enter(line);
    };
    OwnerScript script(scheduler, std::move(*steps), owner_types);
    service.on_name = [&](const QString& sender, const QString& reply) {
        print(reply.contains(QLatin1String("ERROR"))
                  ? QStringLiteral("the machine (%1) was refused").arg(sender)
                  : QStringLiteral("the machine (%1) is attached").arg(sender));
        script.start();
    };

    QString why_not;
    if (!service.start(&why_not)) {
        std::fprintf(stderr, "vq-skype-sim: %s\n", qPrintable(why_not));
        return 1;
    }
    print(QStringLiteral("%1 is on the session bus; you are %2. Type ? for help.")
              .arg(settings.client.own_handle, settings.client.owner));

    TerminalLines input;
    input.on_line = [&](const QString& line) { scheduler.post([&, line] { owner_types(line); }); };
    input.on_end = [&] {
        if (settings.exit_at_eof) scheduler.post([&] { scheduler.quit(); });
    };
    const int code = application.exec();
    // Leaving the bus waits for the bus, so every line already sent is out before we end.
    service.stop();
    return code;
}
