#pragma once

#include <QString>
#include <memory>

#include "controls/controls.h"

class QTextDocument;

// A rich-text box: a document, where the box sits and how big it is (twips), where lines wrap,
// and the selection. Changes to the document are counted, so a display can tell that it must
// show the document again.
class RichTextBox : public Control {
  public:
    RichTextBox();
    ~RichTextBox();
    RichTextBox(const RichTextBox&) = delete;
    RichTextBox& operator=(const RichTextBox&) = delete;

    int left = 0, top = 0, width = 0, height = 0;  // twips
    int right_margin = 0;  // twips from the box's left edge where lines wrap; 0: the box's width
    int sel_start = 0;
    int sel_length = 0;

    QTextDocument& document() { return *document_; }
    const QTextDocument& document() const { return *document_; }
    // The number of characters, as the selection counts them.
    int text_length() const;
    quint64 revision() const { return revision_; }

    // Replaces the text with the file's (Rich Text Format, or else plain text). A file that
    // cannot be read leaves the text as it was and returns false.
    [[nodiscard]] bool load_file(const QString& path);
    // Replaces the text with plain text.
    void set_plain_text(const QString& text);
    // Gives the paragraphs of the selection an indent of their whole text.
    void set_sel_indent(int twips);

  private:
    std::unique_ptr<QTextDocument> document_;
    quint64 revision_ = 0;
};
