#pragma once

#include <QString>
#include <functional>

// The two file dialogs of the settings dialog. A dialog does not hold the program: the call
// returns at once, and `chosen` hears the full path later, or an empty text when the user
// cancelled. The motion loop, the camera's retries and the link run on meanwhile.
class FileDialogs {
  public:
    struct Request {
        QString title;
        QString filter;     // "JPEG|*.jpg": a description, "|", then patterns separated by ";"
        QString file_name;  // suggested name (save-style only)
        int longest_name = 2096;
    };
    using Chosen = std::function<void(const QString& path)>;
    virtual ~FileDialogs() = default;
    virtual void save_file(const Request& request, Chosen chosen) = 0;
    virtual void open_file(const Request& request, Chosen chosen) = 0;
};
