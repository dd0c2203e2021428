#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// How the user asked the program to run (its command line).
struct RunOptions {
    QString camera = QStringLiteral("auto");  // auto, demo, /dev/videoN, a file or a URI
    QString skype = QStringLiteral("dbus");   // dbus, sim or xmpp
    QString app_folder;        // settings, motion log, snapshots (and documents of its own)
    QString documents_folder;  // the documents that come with the program
    QString xmpp_config;       // the account file; xmpp.conf in app_folder if empty
    bool headless = false;
    bool demo = false;
    bool arm = false;    // press "Motion Sense On" once the main window is up
    bool check = false;  // only check what the run needs, report and end

    bool simulated_client() const { return skype == QLatin1String("sim"); }
    bool xmpp_client() const { return skype == QLatin1String("xmpp"); }
    QString xmpp_config_path() const;
};

// Reads the command line. On a mistake or "--help" it returns nothing and fills `message` with
// what to print; `exit_code` says how the program should end (0 after "--help").
std::optional<RunOptions> parse_run_options(const QStringList& arguments, QString& message,
                                            int& exit_code);
