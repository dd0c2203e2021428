#pragma once

#include <gtest/gtest.h>

#include <iostream>
#include <memory>

#include "machine.h"
#include "phone.h"
#include "prosody_server.h"

inline const QString machine_jid = ProsodyServer::jid("machine");

// A server of the test's own with the owner's phone online; the machine comes with start(). A
// failure prints what the phone, the machine and the server said.
struct XmppTest : ::testing::Test {
    explicit XmppTest(ProsodyServer::Upload upload = ProsodyServer::Upload::share)
        : server(upload) {}
    void SetUp() override {
        ASSERT_TRUE(server.ready()) << server.problem().toStdString();
        ASSERT_TRUE(owner.online());
    }
    void TearDown() override {
        if (!HasFailure()) return;
        std::cerr << owner.transcript() << (machine ? machine->transcript() : std::string())
                  << server.log().toStdString();
    }
    // The machine on the room, logged in with the account file (by default one that trusts the
    // run's CA).
    void start(Machine::Scene scene, QString account_file = {},
               const QString& call_minutes = "30") {
        machine = std::make_unique<Machine>(scene, call_minutes);
        ASSERT_TRUE(machine->ready());
        if (account_file.isEmpty())
            account_file = server.write_account_file("machine", server.ca_file());
        machine->start(account_file);
    }
    // The phone's next line of that kind from the machine starting with the text; empty when none
    // came in time.
    QString from_machine(const QString& kind, const QString& text = {}, int limit_ms = 30'000) {
        return owner.wait_for(kind + ' ' + machine_jid + ' ' + text, limit_ms);
    }
    QStringList all_from_machine(const QString& kind, const QString& text = {}) const {
        return owner.received(kind + ' ' + machine_jid + ' ' + text);
    }
    // Downloads the picture of the machine's next message with a URL; the phone's report of it.
    QString next_picture() {
        const QString oob = from_machine("oob", {}, 60'000);
        if (oob.isEmpty()) return {};
        owner.command("download " + oob.section(' ', 2));
        return owner.wait_for("downloaded ");
    }

    ProsodyServer server;
    Phone owner{server, "owner"};
    std::unique_ptr<Machine> machine;
};
