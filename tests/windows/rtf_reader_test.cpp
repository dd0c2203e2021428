#include <gtest/gtest.h>

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <memory>

#include "qt_printers.h"
#include "text/rtf_reader.h"

namespace {

std::unique_ptr<QTextDocument> read(const char* rtf) {
    auto document = std::make_unique<QTextDocument>();
    RtfReader::read(QByteArray(rtf), *document);
    return document;
}

// The text as it is held (a plain-text export would turn the no-break space into a blank).
QString text_of(const char* rtf) {
    QTextDocument document;
    RtfReader::read(QByteArray(rtf), document);
    return document.toRawText().replace(QChar::ParagraphSeparator, '\n');
}

// The format of the character at a position (the format that applies after it).
QTextCharFormat format_at(QTextDocument& document, int position) {
    QTextCursor cursor(&document);
    cursor.setPosition(position + 1);
    return cursor.charFormat();
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
        {"negative unicode", R"({\rtf1 \u-3913?})", "\uf0b7"},
        {"\\uc2 skips two stand-ins", R"({\rtf1\uc2 \u8364??x})", "\u20acx"},
        {"surrogate pair", R"({\rtf1 \u-10179?\u-8704?})", "\U0001F600"},
        {"lone surrogate replaced", R"({\rtf1 \u-10179?x})", "\ufffdx"},
        {"font table is not text", R"({\rtf1{\fonttbl{\f0 Arial;}{\f1 Times;}}x})", "x"},
        {"colour table is not text", R"({\rtf1{\colortbl;\red255\green0\blue0;}x})", "x"},
        {"ignorable destination skipped", R"({\rtf1{\*\generator Riched20;}x})", "x"},
        {"document information skipped", R"({\rtf1{\info{\title T}}x})", "x"},
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
    const auto owned = read(R"({\rtf1\deff0{\fonttbl{\f0 Arial;}{\f1 Courier New;}})"
                            R"({\colortbl;\red255\green0\blue0;\red0\green0\blue255;})"
                            R"(a{\b b{\i c}}{\ul d\ulnone e}\fs40 f\plain g\f1\cf2 h\cf1 i})");
    QTextDocument& document = *owned;
    struct Case {
        int position;
        bool bold, italic, underline;
        double points;
        const char* family;
        QColor colour;
    };
    const QColor none;
    const Case cases[] = {
        {0, false, false, false, 12, "Arial", none},
        {1, true, false, false, 12, "Arial", none},
        {2, true, true, false, 12, "Arial", none},
        {3, false, false, true, 12, "Arial", none},
        {4, false, false, false, 12, "Arial", none},
        {5, false, false, false, 20, "Arial", none},
        {6, false, false, false, 12, "Arial", none},
        {7, false, false, false, 12, "Courier New", QColor(0, 0, 255)},
        {8, false, false, false, 12, "Courier New", QColor(255, 0, 0)},
    };
    ASSERT_EQ(document.toPlainText(), "abcdefghi");
    for (const Case& c : cases) {
        const QTextCharFormat f = format_at(document, c.position);
        const QString at = QStringLiteral("character %1").arg(c.position);
        EXPECT_EQ(f.fontWeight() == QFont::Bold, c.bold) << at;
        EXPECT_EQ(f.fontItalic(), c.italic) << at;
        EXPECT_EQ(f.fontUnderline(), c.underline) << at;
        EXPECT_DOUBLE_EQ(f.fontPointSize(), c.points) << at;
        EXPECT_EQ(f.fontFamilies().toStringList().value(0), c.family) << at;
        if (c.colour.isValid()) {
            EXPECT_EQ(f.foreground().color(), c.colour) << at;
        } else {
            EXPECT_FALSE(f.hasProperty(QTextFormat::ForegroundBrush)) << at;
        }
    }
}

TEST(RtfReader, ParagraphsKeepTheirAlignmentAndIndents) {
    const auto owned =
        read(R"({\rtf1\qc centred\par\pard\li1500\fi-300 indented\par\pard\qr right})");
    QTextDocument& document = *owned;
    ASSERT_EQ(document.blockCount(), 3);
    const QTextBlockFormat centred = document.findBlockByNumber(0).blockFormat();
    const QTextBlockFormat indented = document.findBlockByNumber(1).blockFormat();
    const QTextBlockFormat right = document.findBlockByNumber(2).blockFormat();
    EXPECT_EQ(centred.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_DOUBLE_EQ(indented.leftMargin(), 100);  // 1500 twips
    EXPECT_DOUBLE_EQ(indented.textIndent(), -20);
    EXPECT_EQ(indented.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
    EXPECT_EQ(right.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
}

// A hostile file: nesting far deeper than any document, which must neither exhaust the stack
// nor lose the text.
TEST(RtfReader, DeepNestingIsReadToTheEnd) {
    QByteArray rtf = "{\\rtf1 a";
    rtf += QByteArray(100000, '{');
    rtf += "b";
    rtf += QByteArray(100000, '}');
    rtf += "c}";
    QTextDocument document;
    RtfReader::read(rtf, document);
    EXPECT_EQ(document.toPlainText(), "abc");
}

TEST(RtfReader, ReadingAgainReplacesTheText) {
    QTextDocument document;
    RtfReader::read(R"({\rtf1 first})", document);
    RtfReader::read(R"({\rtf1 second})", document);
    EXPECT_EQ(document.toPlainText(), "second");
}

}  // namespace
