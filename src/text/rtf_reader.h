#pragma once

#include <QByteArray>

class QTextDocument;

// Rich Text Format into a QTextDocument: groups, the font and colour tables, bold, italic,
// underline, size, colour, paragraphs with their alignment and indents, "\'hh" in the
// document's code page and "\uN" characters. Destinations it does not show (pictures, style
// sheets, document information, anything marked "\*") are skipped. Bytes that are not RTF at
// all are shown as plain UTF-8 text. Whatever the bytes, reading ends and leaves a document.
class RtfReader {
  public:
    static void read(const QByteArray& bytes, QTextDocument& document);
};
