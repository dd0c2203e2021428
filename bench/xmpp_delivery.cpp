// How soon an alarm reaches the owner's phone over XMPP, on loopback against the test server
// with the test phone as the owner:
//   - snapshot on disk to the picture, the call's line and the ring on the phone;
//   - after the server was killed during an alarm and restarted, the machine's new login to the
//     alarm's first line and its picture on the phone, in runs with both cores kept busy.
// Times are taken where this program sees the files, log lines and phone lines appear (polled
// every 5 ms). VQ_BENCH_PROGRAM runs another build of the program (to compare with an older one),
// VQ_BENCH_RUNS sets the restart runs (default 20), VQ_BENCH_LOAD the busy threads (default 2).
#include <QElapsedTimer>
#include <QGuiApplication>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>

#include "machine.h"
#include "phone.h"
#include "prosody_server.h"

namespace {

const QString machine_jid = ProsodyServer::jid("machine");
const QString from_machine = " " + machine_jid + " ";

QString program() {
    const QString other = qEnvironmentVariable("VQ_BENCH_PROGRAM");
    return other.isEmpty() ? QStringLiteral(VQ_PROGRAM) : other;
}

void start(Machine& machine, const ProsodyServer& server) {
    machine.run(program(), {"--headless", "--arm", "--camera", machine.clip(), "--skype", "xmpp",
                            "--xmpp-config", server.write_account_file("machine", server.ca_file()),
                            "--app-folder", machine.app()});
}

struct Figures {
    std::vector<double> ms;
    void add(double value) { ms.push_back(value); }
    QString summary() const {
        if (ms.empty()) return QStringLiteral("none");
        std::vector<double> sorted = ms;
        std::sort(sorted.begin(), sorted.end());
        return QStringLiteral("median %1 ms, max %2 ms, of %3")
            .arg(sorted[sorted.size() / 2], 0, 'f', 0)
            .arg(sorted.back(), 0, 'f', 0)
            .arg(sorted.size());
    }
};

// Whether the phone has a line that starts with `prefix`; the time it was first seen otherwise.
struct Watch {
    Phone& phone;
    QElapsedTimer& clock;
    double seen(const QString& prefix, int limit_ms) {
        if (phone.wait_for(prefix, limit_ms).isEmpty()) return -1;
        return clock.nsecsElapsed() / 1e6;
    }
};

void alarm_to_phone(ProsodyServer& server) {
    Machine machine(Machine::walk_every_ten_seconds);
    Phone owner(server, "owner");
    if (!server.ready() || !machine.ready() || !owner.online()) return (void)std::puts("no setup");
    start(machine, server);
    if (owner.wait_for("presence" + from_machine + "available").isEmpty())
        return (void)std::puts("alarm: the machine did not come online");
    Figures picture, line, ring;
    for (int n = 0; n < 5; ++n) {
        const qsizetype before = machine.snapshots().size();
        if (!wait_until([&] { return machine.snapshots().size() > before; }, 60'000)) break;
        QElapsedTimer clock;
        clock.start();
        Watch watch{owner, clock};
        const double oob = watch.seen("oob" + from_machine, 30'000);
        const double calling = watch.seen("chat" + from_machine + "Video Quelm is calling", 30'000);
        const double propose = watch.seen("jmi propose" + from_machine, 30'000);
        if (oob < 0 || calling < 0 || propose < 0) break;
        picture.add(oob);
        line.add(calling);
        ring.add(propose);
        const QStringList proposals = owner.received("jmi propose" + from_machine);
        owner.command("reject " + proposals.last().section(' ', 3, 3));
    }
    std::printf(
        "snapshot on disk to, on the phone:\n  the picture: %s\n  the call's line: %s\n"
        "  the ring (call proposal): %s\n",
        qPrintable(picture.summary()), qPrintable(line.summary()), qPrintable(ring.summary()));
}

// Both cores busy while the runs go, as on a loaded machine.
struct Load {
    explicit Load(int threads) {
        for (int n = 0; n < threads; ++n)
            busy.emplace_back([this] {
                while (!stop) spin.fetch_add(1, std::memory_order_relaxed);
            });
    }
    ~Load() {
        stop = true;
        for (auto& thread : busy) thread.join();
    }
    std::atomic<bool> stop{false};
    std::atomic<unsigned long> spin{0};
    std::vector<std::thread> busy;
};

void after_restart(int runs, int load) {
    Figures first_line, picture;
    int in_time = 0, lost = 0;
    for (int run = 0; run < runs; ++run) {
        ProsodyServer server;
        Machine machine(Machine::one_walk_a_minute);
        Phone owner(server, "owner");
        if (!server.ready() || !machine.ready() || !owner.online()) {
            std::puts("restart: no setup");
            return;
        }
        const Load busy(load);
        start(machine, server);
        if (owner.wait_for("presence" + from_machine + "available").isEmpty()) continue;
        // The alarm comes while the server is away.
        server.kill();
        if (!wait_until([&] { return !machine.snapshots().isEmpty(); }, 30'000)) continue;
        spin_for(std::chrono::seconds(2));
        const qsizetype logins = server.log().count("Authenticated as machine@");
        if (!server.start()) continue;
        if (!wait_until([&] { return server.log().count("Authenticated as machine@") > logins; },
                        120'000))
            continue;
        QElapsedTimer clock;
        clock.start();
        Watch watch{owner, clock};
        const double line = watch.seen("chat" + from_machine, 60'000);
        const double oob = watch.seen("oob" + from_machine, 5'000);
        if (line < 0) ++lost;
        if (line >= 0) first_line.add(line);
        if (oob >= 0) picture.add(oob);
        if (line >= 0 && line < 5'000) ++in_time;
        std::printf("  run %2d: first line %6.0f ms, picture %6.0f ms after the new login\n",
                    run + 1, line, oob);
    }
    std::printf(
        "after a server restart, %d busy threads, from the machine's new login to:\n"
        "  the alarm's first line on the phone: %s\n  its picture: %s\n"
        "  first line within 5 s in %d of %d runs (%d never came)\n",
        load, qPrintable(first_line.summary()), qPrintable(picture.summary()), in_time, runs, lost);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    setvbuf(stdout, nullptr, _IOLBF, 0);
    const int runs = qEnvironmentVariableIsSet("VQ_BENCH_RUNS")
                         ? qEnvironmentVariableIntValue("VQ_BENCH_RUNS")
                         : 20;
    const int load = qEnvironmentVariableIsSet("VQ_BENCH_LOAD")
                         ? qEnvironmentVariableIntValue("VQ_BENCH_LOAD")
                         : 2;
    {
        ProsodyServer server;
        if (!server.ready()) {
            std::printf("no test server: %s\n", qPrintable(server.problem()));
            return 1;
        }
        alarm_to_phone(server);
    }
    if (runs > 0) after_restart(runs, load);
    return 0;
}
