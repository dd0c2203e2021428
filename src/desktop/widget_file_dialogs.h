#pragma once

#include <QStringList>

#include "seams/file_dialogs.h"

// The file dialogs on screen, over the active window, which they keep the user's hands off while
// they are open; the program runs on behind them. Filters are given as "JPEG|*.jpg"; patterns
// match whatever the case of the file's name.
class WidgetFileDialogs : public FileDialogs {
  public:
    void save_file(const Request& request, Chosen chosen) override;
    void open_file(const Request& request, Chosen chosen) override;

    // "WAV,AVI|*.WAV;*.AVI" as the dialog takes it: "WAV,AVI (*.WAV *.wav *.AVI *.avi)".
    static QStringList name_filters(const QString& filter);

  private:
    static void run(const Request& request, bool saving, Chosen chosen);
};
