// Prints what the XMPP account costs and how quickly it answers, on loopback against the test
// server with the test phone as the owner: chat round trip, alarm to picture, reconnection, and
// the idle program's CPU and memory beside the same program with the simulated client.
// Times are taken where this program sees the lines and files appear (polled every 5 ms).
#include <unistd.h>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <algorithm>
#include <cstdio>

#include "machine.h"
#include "phone.h"
#include "prosody_server.h"

namespace {

const QString machine_jid = ProsodyServer::jid("machine");
const QString from_machine = " " + machine_jid + " ";

double median(std::vector<double> values) {
    if (values.empty()) return -1;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

bool start_machine(ProsodyServer& server, Machine& machine, Phone& owner) {
    if (!server.ready() || !machine.ready() || !owner.online()) return false;
    machine.start(server.write_account_file("machine", server.ca_file()));
    return !owner.wait_for("presence" + from_machine + "available").isEmpty();
}

void status_round_trip(ProsodyServer& server) {
    Machine machine;
    Phone owner(server, "owner");
    if (!start_machine(server, machine, owner)) return (void)std::puts("status: no machine");
    std::vector<double> ms;
    for (int n = 0; n < 20; ++n) {
        QElapsedTimer clock;
        clock.start();
        owner.say(machine_jid, "status");
        if (owner.wait_for("chat" + from_machine + "Status of Video Quelm").isEmpty()) break;
        ms.push_back(clock.nsecsElapsed() / 1e6);
    }
    std::printf("owner \"status\" to the reply on the phone: median %.1f ms of %zu\n", median(ms),
                ms.size());
}

void alarm_to_picture(ProsodyServer& server) {
    Machine machine(Machine::walk_every_ten_seconds);
    Phone owner(server, "owner");
    if (!start_machine(server, machine, owner)) return (void)std::puts("alarm: no machine");
    std::vector<double> ms;
    for (int n = 0; n < 3; ++n) {
        const qsizetype before = machine.snapshots().size();
        if (!wait_until([&] { return machine.snapshots().size() > before; }, 60'000)) break;
        QElapsedTimer clock;
        clock.start();
        if (owner.wait_for("oob" + from_machine).isEmpty()) break;
        ms.push_back(clock.nsecsElapsed() / 1e6);
        const QString propose = owner.wait_for("jmi propose" + from_machine);
        owner.command("reject " + propose.section(' ', 3, 3));
    }
    std::printf("snapshot on disk to the picture message on the phone: median %.0f ms of %zu\n",
                median(ms), ms.size());
}

void reconnection(ProsodyServer& server) {
    Machine machine;
    Phone owner(server, "owner");
    if (!start_machine(server, machine, owner)) return (void)std::puts("reconnect: no machine");
    const qsizetype logins = server.log().count("Authenticated as machine@");
    server.kill();
    QElapsedTimer clock;
    clock.start();
    if (!server.start()) return (void)std::puts("reconnect: server did not restart");
    const double restarted = clock.nsecsElapsed() / 1e6;
    const bool back = wait_until(
        [&] { return server.log().count("Authenticated as machine@") > logins; }, 600'000);
    std::printf(
        "server killed, restarted after %.0f ms; machine logged in again %.0f ms after "
        "the kill%s\n",
        restarted, clock.nsecsElapsed() / 1e6, back ? "" : " (not within 10 minutes)");
}

struct Cost {
    double cpu_seconds;
    long resident_kib;
};

Cost idle_cost(const QStringList& link, int seconds) {
    Machine machine;
    machine.run(VQ_PROGRAM, QStringList{"--headless", "--camera", machine.clip(), "--app-folder",
                                        machine.app()} +
                                link);
    spin_for(std::chrono::seconds(5));  // past the start and the login
    const QString stat = "/proc/" + QString::number(machine.program().process.processId());
    const auto cpu = [&] {
        QFile file(stat + "/stat");
        file.open(QIODevice::ReadOnly);
        const QList<QByteArray> fields = file.readAll().split(')').last().split(' ');
        return (fields.value(12).toDouble() + fields.value(13).toDouble()) / sysconf(_SC_CLK_TCK);
    };
    const double before = cpu();
    spin_for(std::chrono::seconds(seconds));
    QFile status(stat + "/status");
    status.open(QIODevice::ReadOnly);
    long rss = 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) rss = line.mid(6).trimmed().split(' ').first().toLong();
    return {cpu() - before, rss};
}

void idle_costs(ProsodyServer& server, int seconds) {
    const Cost xmpp = idle_cost({"--skype", "xmpp", "--xmpp-config",
                                 server.write_account_file("machine", server.ca_file())},
                                seconds);
    const Cost sim = idle_cost({"--skype", "sim"}, seconds);
    std::printf("idle on a quiet room for %d s, CPU per minute and resident memory:\n", seconds);
    std::printf("  --skype xmpp: %.2f s CPU/min, %ld KiB\n", xmpp.cpu_seconds * 60 / seconds,
                xmpp.resident_kib);
    std::printf("  --skype sim:  %.2f s CPU/min, %ld KiB\n", sim.cpu_seconds * 60 / seconds,
                sim.resident_kib);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    setvbuf(stdout, nullptr, _IOLBF, 0);
    ProsodyServer server;
    if (!server.ready()) {
        std::printf("no test server: %s\n", qPrintable(server.problem()));
        return 1;
    }
    const int seconds = qEnvironmentVariableIntValue("VQ_BENCH_SECONDS");
    status_round_trip(server);
    alarm_to_picture(server);
    reconnection(server);
    idle_costs(server, seconds > 0 ? seconds : 60);
    return 0;
}
