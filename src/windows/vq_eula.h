#pragma once

#include <QString>
#include <functional>

#include "controls/rich_text_box.h"

// The document viewer: one rich-text document of the application folder under a caption given
// by the caller. One window serves both the licence and the user manual.
class VQ_EULA {
  public:
    static constexpr int client_width = 13125;  // twips, at first
    static constexpr int client_height = 8490;
    static constexpr int wrap_at = 11000;  // twips from the box's left edge
    static constexpr int text_indent = 1000;
    static constexpr int box_offset = 240;
    static constexpr int border_allowance = 600;

    // Where a document of the given file name is found.
    using DocumentPath = std::function<QString(const QString& file_name)>;
    explicit VQ_EULA(DocumentPath document_path);

    QString caption;
    bool visible = false;
    RichTextBox RichTextBox1;

    // A missing document leaves the text as it was and the window still opens under the new
    // caption.
    void show_document(const QString& caption, const QString& file_name);
    // The window's outer size (border and title bar included) changed, in twips.
    void Form_Resize(int outer_width, int outer_height);

  private:
    DocumentPath document_path_;
};
