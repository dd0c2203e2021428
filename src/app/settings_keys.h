#pragma once

#include <QString>
#include <QStringList>

// The settings file seen by name, for a machine set up without its windows (`videoquelm
// --settings`, `--set key=value ...`): each value under a lower-case key named for what it holds,
// checked before anything is written.
class SettingsKeys {
  public:
    // Reads the application folder's settings file; what is missing or unreadable keeps its start
    // value, as the program itself reads it.
    explicit SettingsKeys(const QString& app_folder);

    // Every setting as "key=value", one a line, in the file's order.
    QStringList lines() const;
    // Changes one setting in memory; false, with the reason in `problem`, for an unknown key or a
    // value it cannot take ("camera" goes to the camera's own file).
    bool set(const QString& key, const QString& value, QString& problem);
    // Writes the settings file (and camera.conf when the camera was set) whole or not at all.
    bool save(QString& problem) const;

    static QStringList keys();

  private:
    QString folder_;
    QStringList values_;  // the file's lines, decoded
    QString camera_;      // the device to keep in camera.conf; empty when not set
};
