#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// How the user asked the program to run (its command line).
struct RunOptions {
    QString camera = QStringLiteral("auto");  // auto, demo, /dev/videoN, a file or a URI
    // auto, dbus, sim or xmpp; auto is settled by parse_run_options once the folder is known.
    QString link = QStringLiteral("auto");
    // The link was left to auto (as the menu entry does): without an account it is the bus, but
    // what the user is pointed to is the messenger account, so the windows name the messenger.
    bool link_auto = false;
    QString app_folder;        // settings, motion log, snapshots (and documents of its own)
    QString documents_folder;  // the documents that come with the program
    QString xmpp_config;       // the account file; xmpp.conf in app_folder if empty
    bool headless = false;
    bool demo = false;
    bool arm = false;             // press "Motion Sense On" once the main window is up
    bool check = false;           // only check what the run needs, report and end
    bool print_settings = false;  // --settings: print the saved settings and end
    bool set = false;             // --set: change saved settings and end
    QStringList assignments;      // the key=value words after --set

    bool simulated_client() const { return link == QLatin1String("sim"); }
    bool xmpp_client() const { return link == QLatin1String("xmpp"); }
    QString xmpp_config_path() const;
    // The machine's encryption keys for its XMPP account (its OMEMO device).
    QString omemo_device_path() const;
};

// The folder of the instance NAME: beside the plain service's folder, not inside it, so that
// neither's snapshots or housekeeping touch the other's.
QString instance_folder(const QString& app_folder, const QString& name);

// The link "auto" stands for: the messenger account when there is one to use, else the client on
// the session bus.
QString chosen_link(const QString& asked, const QString& app_folder, const QString& xmpp_config);

// The source "auto" stands for: the demo scene, a file or a URI the folder's camera.conf names
// (--set camera=...), else the first camera. A device named there is chosen by the camera itself
// (with its mode and controls), so "auto" stays.
QString chosen_camera(const QString& asked, const QString& app_folder);

// Reads the command line. On a mistake, "--help" or "--version" it returns nothing and fills
// `message` with what to print; `exit_code` says how the program should end (0 after "--help" and
// "--version").
std::optional<RunOptions> parse_run_options(const QStringList& arguments, QString& message,
                                            int& exit_code);
