#include <gtest/gtest.h>

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include "qt_printers.h"
#include "text/rtf_reader.h"

namespace {

// The text as it is held (a plain-text export would turn the no-break space into a blank).
QString text_of(const char* rtf) {
    QTextDocument document;
    RtfReader::read(QByteArray(rtf), document);
    return document.toRawText().replace(QChar::ParagraphSeparator, '\n');
}

// The font, size, style and colour of a character format.
QString describe(const QTextCharFormat& f) {
    QStringList parts{f.fontFamilies().toStringList().value(0), QString::number(f.fontPointSize())};
    if (f.fontWeight() == QFont::Bold) parts << "bold";
    if (f.fontItalic()) parts << "italic";
    if (f.fontUnderline()) parts << "underline";
    if (f.hasProperty(QTextFormat::ForegroundBrush)) parts << f.foreground().color().name();
    return parts.join(' ');
}

TEST(RtfReader, TextComesOutAsTheWriterMeantIt) {
    struct Case {
        const char* name;
        const char* rtf;
        const char* text;
    };
    const Case cases[] = {
        {"plain words", R"({\rtf1\ansi Hello world})", "Hello world"},
        {"paragraphs", R"({\rtf1 one\par two\par three})", "one\ntwo\nthree"},
        {"line ends in the file are not text", "{\\rtf1 one\r\ntwo}", "onetwo"},
        {"the delimiter after a word is eaten", R"({\rtf1\b bold\b0  plain})", "bold plain"},
        {"escaped braces and backslash", R"({\rtf1 a\{b\}c\\d})", "a{b}c\\d"},
        {"code page character", R"({\rtf1\ansi\ansicpg1252 caf\'e9 \'80})", "caf\u00e9 \u20ac"},
        {"unicode with its stand-in skipped", R"({\rtf1 \u8364?5})", "\u20ac5"},
        {"\\uc2 skips two stand-ins", R"({\rtf1\uc2 \u8364??x})", "\u20acx"},
        {"surrogate pair", R"({\rtf1 \u-10179?\u-8704?})", "\U0001F600"},
        {"lone surrogate replaced", R"({\rtf1 \u-10179?x})", "\ufffdx"},
        {"ignorable destination skipped", R"({\rtf1{\*\generator Riched20;}x})", "x"},
        {"picture data skipped", R"({\rtf1{\pict\wmetafile8 0102ff}x})", "x"},
        {"binary data skipped", "{\\rtf1 a\\bin3 }}}b}", "ab"},
        {"binary longer than the file", "{\\rtf1 a\\bin99999 xyz", "a"},
        {"tab and named symbols", R"({\rtf1 a\tab b\emdash c\lquote d\rquote})",
         "a\tb\u2014c\u2018d\u2019"},
        {"non-breaking space", R"({\rtf1 a\~b})", "a\u00a0b"},
        {"stray closing braces", R"({\rtf1 a}}}b})", "ab"},
        {"unclosed groups", R"({\rtf1 a{\b b{\i c)", "abc"},
        {"a truncated escape", R"({\rtf1 a\')", "a"},
        {"huge parameter", R"({\rtf1\fs99999999999999999999 x})", "x"},
        {"not RTF at all: plain UTF-8", "Just text\nsecond line", "Just text\nsecond line"},
        {"empty", "", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(text_of(c.rtf), QString::fromUtf8(c.text)) << c.name;
}

TEST(RtfReader, CharacterFormatsFollowGroupsAndSwitches) {
    QTextDocument document;
    RtfReader::read(R"({\rtf1\deff0{\fonttbl{\f0 Arial;}{\f1 Courier New;}})"
                    R"({\colortbl;\red255\green0\blue0;\red0\green0\blue255;})"
                    R"(a{\b b{\i c}}{\ul d\ulnone e}\fs40 f\plain g\f1\cf2 h\cf1 i})",
                    document);
    ASSERT_EQ(document.toPlainText(), "abcdefghi");
    QStringList formats;
    QTextCursor cursor(&document);
    while (cursor.movePosition(QTextCursor::NextCharacter))
        formats << describe(cursor.charFormat());
    EXPECT_EQ(formats, (QStringList{"Arial 12", "Arial 12 bold", "Arial 12 bold italic",
                                    "Arial 12 underline", "Arial 12", "Arial 20", "Arial 12",
                                    "Courier New 12 #0000ff", "Courier New 12 #ff0000"}));
}

TEST(RtfReader, ParagraphsKeepTheirAlignmentAndIndents) {
    QTextDocument document;
    RtfReader::read(R"({\rtf1\qc centred\par\pard\li1500\fi-300 indented\par\pard\qr right})",
                    document);
    // Alignment (1 left, 2 right, 4 centred), left margin (1500 twips are 100), first-line indent.
    QStringList paragraphs;
    for (QTextBlock b = document.begin(); b.isValid(); b = b.next()) {
        const QTextBlockFormat f = b.blockFormat();
        paragraphs << QString("%1 %2 %3")
                          .arg(int(f.alignment() & Qt::AlignHorizontal_Mask))
                          .arg(f.leftMargin())
                          .arg(f.textIndent());
    }
    EXPECT_EQ(paragraphs, (QStringList{"4 0 0", "1 100 -20", "2 0 0"}));
}

// A hostile file: nesting far deeper than any document, which must neither exhaust the stack
// nor lose the text. What was read before is replaced.
TEST(RtfReader, DeepNestingIsReadToTheEnd) {
    QTextDocument document;
    RtfReader::read(R"({\rtf1 first})", document);
    RtfReader::read("{\\rtf1 a" + QByteArray(100000, '{') + "b" + QByteArray(100000, '}') + "c}",
                    document);
    EXPECT_EQ(document.toPlainText(), "abc");
}

}  // namespace
