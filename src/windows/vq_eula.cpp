#include "windows/vq_eula.h"

#include "app/program.h"
#include "app/steps.h"

VQ_EULA::VQ_EULA(Program& program) : program_(program) {
    RichTextBox1.left = box_offset;
    RichTextBox1.top = box_offset;
    RichTextBox1.width = client_width - 2 * box_offset;
    RichTextBox1.height = client_height - 2 * box_offset;
}

void VQ_EULA::show_document(const QString& new_caption, const QString& file_name) {
    attempt([&] { caption = new_caption; });
    attempt([&] { RichTextBox1.load_file(program_.document_path(file_name)); });
    attempt([&] { RichTextBox1.right_margin = wrap_at; });
    attempt([&] {
        RichTextBox1.sel_start = 0;
        RichTextBox1.sel_length = RichTextBox1.text_length();
        RichTextBox1.set_sel_indent(text_indent);
    });
    attempt([&] {
        RichTextBox1.sel_start = 0;
        RichTextBox1.sel_length = 0;
    });
    attempt([&] { visible = true; });
}

// A window smaller than the allowance (or minimised) leaves the box as it is.
void VQ_EULA::Form_Resize(int outer_width, int outer_height) {
    if (outer_width <= border_allowance || outer_height <= border_allowance) return;
    RichTextBox1.width = outer_width - border_allowance;
    RichTextBox1.height = outer_height - border_allowance;
}
