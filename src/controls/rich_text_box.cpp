#include "controls/rich_text_box.h"

#include <QFile>
#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>

#include "text/rtf_reader.h"

namespace {
constexpr int twips_per_pixel = 15;
// Far beyond any document the program ships; a larger file is taken as not readable rather
// than filling the memory.
constexpr qint64 largest_file = 16 * 1024 * 1024;
}  // namespace

RichTextBox::RichTextBox() : document_(std::make_unique<QTextDocument>()) {
    QObject::connect(document_.get(), &QTextDocument::contentsChanged, [this] { ++revision_; });
}

RichTextBox::~RichTextBox() = default;

int RichTextBox::text_length() const {
    return std::max(0, document_->characterCount() - 1);
}

bool RichTextBox::load_file(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > largest_file) return false;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFile::NoError) return false;
    RtfReader::read(bytes, *document_);
    sel_start = 0;
    sel_length = 0;
    return true;
}

void RichTextBox::set_plain_text(const QString& text) {
    document_->setPlainText(text);
    sel_start = 0;
    sel_length = 0;
}

void RichTextBox::set_sel_indent(int twips) {
    const int length = text_length();
    const int start = std::clamp(sel_start, 0, length);
    const int end = static_cast<int>(std::clamp<qint64>(qint64(start) + sel_length, start, length));
    QTextCursor cursor(document_.get());
    cursor.setPosition(start);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    QTextBlockFormat format;
    format.setLeftMargin(double(twips) / twips_per_pixel);
    cursor.mergeBlockFormat(format);
}
