#pragma once

#include <QString>

// The two file dialogs of the settings dialog. Each returns the chosen full path, or an empty
// text when the user cancelled.
class FileDialogs {
  public:
    struct Request {
        QString title;
        QString filter;     // "JPEG|*.jpg": a description, "|", then patterns separated by ";"
        QString file_name;  // suggested name (save-style only)
        int longest_name = 2096;
    };
    virtual ~FileDialogs() = default;
    virtual QString save_file(const Request& request) = 0;
    virtual QString open_file(const Request& request) = 0;
};
