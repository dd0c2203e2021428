#include "windows/vq_eula.h"

#include <utility>

#include "log/categories.h"

VQ_EULA::VQ_EULA(DocumentPath document_path) : document_path_(std::move(document_path)) {
    RichTextBox1.left = box_offset;
    RichTextBox1.top = box_offset;
    RichTextBox1.width = client_width - 2 * box_offset;
    RichTextBox1.height = client_height - 2 * box_offset;
}

void VQ_EULA::show_document(const QString& new_caption, const QString& file_name) {
    caption = new_caption;
    // The documents live in the application folder beside the settings.
    // An empty window would leave the user guessing: it says what was looked for, and where.
    if (const QString path = document_path_(file_name); !RichTextBox1.load_file(path)) {
        qCWarning(settings_log) << "document not readable:" << path;
        RichTextBox1.set_plain_text(
            QStringLiteral("%1 could not be found. It was looked for at:\n\n%2\n\nThe same "
                           "help is in the manual page: man videoquelm")
                .arg(file_name, path));
    }
    RichTextBox1.right_margin = wrap_at;
    RichTextBox1.sel_start = 0;
    RichTextBox1.sel_length = RichTextBox1.text_length();
    RichTextBox1.set_sel_indent(text_indent);
    RichTextBox1.sel_start = 0;
    RichTextBox1.sel_length = 0;
    visible = true;
}

// A window smaller than the allowance (or minimised) leaves the box as it is.
void VQ_EULA::Form_Resize(int outer_width, int outer_height) {
    if (outer_width <= border_allowance || outer_height <= border_allowance) return;
    RichTextBox1.width = outer_width - border_allowance;
    RichTextBox1.height = outer_height - border_allowance;
}
