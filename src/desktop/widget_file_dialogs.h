#pragma once

#include <QStringList>

#include "seams/file_dialogs.h"

// The file dialogs on screen, over the active window. Filters are given as "JPEG|*.jpg";
// patterns match whatever the case of the file's name.
class WidgetFileDialogs : public FileDialogs {
  public:
    QString save_file(const Request& request) override;
    QString open_file(const Request& request) override;

    // "WAV,AVI|*.WAV;*.AVI" as the dialog takes it: "WAV,AVI (*.WAV *.wav *.AVI *.avi)".
    static QStringList name_filters(const QString& filter);

  private:
    static QString run(const Request& request, bool saving);
};
