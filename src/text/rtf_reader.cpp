#include "text/rtf_reader.h"

#include <QColor>
#include <QHash>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <array>
#include <optional>
#include <vector>

#include "text/windows1252.h"

namespace {

// Deeper nesting than this is still read, but no longer gets states of its own: a hostile file
// cannot make the reader allocate one state per brace.
constexpr int deepest_group = 256;
constexpr int longest_word = 32;
constexpr int twips_per_pixel = 15;

enum class Destination { text, font_table, colour_table, skip };

struct Paragraph {
    Qt::Alignment alignment = Qt::AlignLeft;
    int left_twips = 0;
    int right_twips = 0;
    int first_twips = 0;
};

struct GroupState {
    Destination destination = Destination::text;
    int font = -1;  // -1: the document's default font
    int half_points = 24;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int colour = 0;  // 0: the automatic colour
    int skip_after_unicode = 1;
    bool code_page_1252 = true;
    Paragraph paragraph;
};

class Parser {
  public:
    Parser(const QByteArray& bytes, QTextDocument& document) : bytes_(bytes), cursor_(&document) {}

    void run() {
        states_.push_back(GroupState{});
        while (pos_ < bytes_.size()) step();
        flush();
    }

  private:
    void step() {
        const char c = bytes_[pos_++];
        switch (c) {
            case '{':
                return open_group();
            case '}':
                return close_group();
            case '\\':
                return control();
            case '\r':
            case '\n':
                return;  // line ends in the file are not text
            default:
                return character(QChar(static_cast<uchar>(c)), c);
        }
    }

    GroupState& state() { return states_.back(); }

    void open_group() {
        if (static_cast<int>(states_.size()) >= deepest_group) {
            ++overflow_;
            return;
        }
        flush();
        states_.push_back(state());
        skip_count_ = 0;
    }

    void close_group() {
        if (overflow_ > 0) {
            --overflow_;
            return;
        }
        if (states_.size() <= 1) return;  // a stray brace closes nothing
        flush();
        finish_table_entry();
        states_.pop_back();
        skip_count_ = 0;
    }

    void control() {
        if (pos_ >= bytes_.size()) return;
        const char c = bytes_[pos_];
        if (!is_letter(c)) {
            ++pos_;
            return control_symbol(c);
        }
        QByteArray word;
        while (pos_ < bytes_.size() && is_letter(bytes_[pos_])) {
            if (word.size() < longest_word) word.append(bytes_[pos_]);
            ++pos_;
        }
        std::optional<int> parameter = read_parameter();
        if (pos_ < bytes_.size() && bytes_[pos_] == ' ') ++pos_;  // the delimiter belongs to it
        control_word(word, parameter);
    }

    static bool is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
    static bool is_digit(char c) { return c >= '0' && c <= '9'; }

    std::optional<int> read_parameter() {
        bool negative = false;
        if (pos_ < bytes_.size() && bytes_[pos_] == '-' && pos_ + 1 < bytes_.size() &&
            is_digit(bytes_[pos_ + 1])) {
            negative = true;
            ++pos_;
        }
        if (pos_ >= bytes_.size() || !is_digit(bytes_[pos_])) return std::nullopt;
        qint64 value = 0;
        while (pos_ < bytes_.size() && is_digit(bytes_[pos_])) {
            value = std::min<qint64>(value * 10 + (bytes_[pos_] - '0'), 1'000'000'000);
            ++pos_;
        }
        return static_cast<int>(negative ? -value : value);
    }

    void control_symbol(char c) {
        switch (c) {
            case '\\':
            case '{':
            case '}':
                return character(QChar(c), c);
            case '\'':
                return hex_character();
            case '~':
                return character(QChar(0x00A0), 0);
            case '_':
                return character(QChar(0x2011), 0);
            case '-':
                return;  // an optional hyphen: not shown
            case '*':
                state().destination = Destination::skip;
                return;
            case '\r':
            case '\n':
                return paragraph_end();  // "\" at a line end is a paragraph mark
            default:
                return;
        }
    }

    static int hex_value(char c) {
        if (is_digit(c)) return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    }

    // "\'hh": one byte of the document's code page.
    void hex_character() {
        int value = 0;
        for (int digit = 0; digit < 2; ++digit) {
            if (pos_ >= bytes_.size()) return;
            const int nibble = hex_value(bytes_[pos_]);
            if (nibble < 0) return;
            value = value * 16 + nibble;
            ++pos_;
        }
        const QByteArray byte(1, static_cast<char>(value));
        const QString decoded =
            state().code_page_1252 ? windows1252::decode(byte) : QString::fromLatin1(byte);
        character(decoded.isEmpty() ? QChar(QChar::ReplacementCharacter) : decoded[0],
                  static_cast<char>(value));
    }

    void control_word(const QByteArray& word, std::optional<int> parameter) {
        const int value = parameter.value_or(1);
        GroupState& s = state();
        if (word == "u" && parameter) return unicode_character(*parameter);
        skip_count_ = 0;
        if (word == "par" || word == "sect" || word == "page" || word == "row")
            return paragraph_end();
        if (word == "line") return character(QChar(QChar::LineSeparator), 0);
        if (word == "tab" || word == "cell") return character(QChar('\t'), 0);
        if (const std::optional<char16_t> symbol = named_symbol(word)) return character(*symbol, 0);
        if (word == "bin") {
            pos_ += std::clamp<qsizetype>(value, 0, bytes_.size() - pos_);
            return;
        }
        if (word == "fonttbl") return change_destination(Destination::font_table);
        if (word == "colortbl") return change_destination(Destination::colour_table);
        if (skipped_destination(word)) return change_destination(Destination::skip);
        if (word == "ansicpg") {
            s.code_page_1252 = value == 1252;
            return;
        }
        if (word == "deff") {
            default_font_ = value;
            return;
        }
        if (s.destination == Destination::font_table) {
            if (word == "f") current_font_ = value;
            return;
        }
        if (s.destination == Destination::colour_table) {
            if (word == "red") colour_parts_[0] = value;
            if (word == "green") colour_parts_[1] = value;
            if (word == "blue") colour_parts_[2] = value;
            return;
        }
        character_word(word, parameter, value);
        paragraph_word(word, value);
    }

    void change_destination(Destination destination) {
        flush();
        state().destination = destination;
    }

    static bool skipped_destination(const QByteArray& word) {
        static const QByteArray words[] = {"stylesheet",
                                           "info",
                                           "pict",
                                           "header",
                                           "footer",
                                           "object",
                                           "listtable",
                                           "listoverridetable",
                                           "rsidtbl",
                                           "generator",
                                           "xmlnstbl",
                                           "themedata",
                                           "colorschememapping",
                                           "latentstyles",
                                           "datastore",
                                           "headerl",
                                           "headerr",
                                           "headerf",
                                           "footerl",
                                           "footerr",
                                           "footerf",
                                           "fldinst",
                                           "filetbl",
                                           "revtbl"};
        return std::find(std::begin(words), std::end(words), word) != std::end(words);
    }

    static std::optional<char16_t> named_symbol(const QByteArray& word) {
        static const QHash<QByteArray, char16_t> symbols = {
            {"emdash", 0x2014},  {"endash", 0x2013},    {"bullet", 0x2022},    {"lquote", 0x2018},
            {"rquote", 0x2019},  {"ldblquote", 0x201C}, {"rdblquote", 0x201D}, {"emspace", 0x2003},
            {"enspace", 0x2002}, {"qmspace", 0x2005}};
        const auto found = symbols.find(word);
        if (found == symbols.end()) return std::nullopt;
        return *found;
    }

    void character_word(const QByteArray& word, std::optional<int> parameter, int value) {
        GroupState& s = state();
        const auto change = [&](auto& field, auto new_value) {
            if (field == new_value) return;
            flush();
            field = new_value;
        };
        if (word == "plain") {
            flush();
            const GroupState defaults;
            s.font = -1;
            s.half_points = defaults.half_points;
            s.bold = s.italic = s.underline = false;
            s.colour = 0;
        } else if (word == "b") {
            change(s.bold, value != 0);
        } else if (word == "i") {
            change(s.italic, value != 0);
        } else if (word == "ul") {
            change(s.underline, value != 0);
        } else if (word == "ulnone") {
            change(s.underline, false);
        } else if (word == "fs" && parameter && value > 0) {
            change(s.half_points, std::min(value, 3276));
        } else if (word == "cf") {
            change(s.colour, value);
        } else if (word == "f") {
            change(s.font, value);
        } else if (word == "uc") {
            s.skip_after_unicode = std::clamp(value, 0, 10);
        }
    }

    void paragraph_word(const QByteArray& word, int value) {
        Paragraph& p = state().paragraph;
        if (word == "pard") {
            p = Paragraph{};
        } else if (word == "ql") {
            p.alignment = Qt::AlignLeft;
        } else if (word == "qc") {
            p.alignment = Qt::AlignHCenter;
        } else if (word == "qr") {
            p.alignment = Qt::AlignRight;
        } else if (word == "qj") {
            p.alignment = Qt::AlignJustify;
        } else if (word == "li") {
            p.left_twips = std::clamp(value, -31680, 31680);
        } else if (word == "ri") {
            p.right_twips = std::clamp(value, -31680, 31680);
        } else if (word == "fi") {
            p.first_twips = std::clamp(value, -31680, 31680);
        }
    }

    // "\uN": N is a signed 16-bit code unit; the characters that follow stand in for readers
    // that do not know it and are skipped.
    void unicode_character(int value) {
        const char16_t unit = static_cast<char16_t>(value < 0 ? value + 65536 : value);
        character(QChar(unit), 0);
        skip_count_ = state().skip_after_unicode;
    }

    void character(QChar c, char byte) {
        if (skip_count_ > 0) {
            --skip_count_;
            return;
        }
        switch (state().destination) {
            case Destination::text:
                return text_character(c);
            case Destination::font_table:
                if (byte == ';') return finish_table_entry();
                font_name_.append(c);
                return;
            case Destination::colour_table:
                if (byte == ';') return finish_colour();
                return;
            case Destination::skip:
                return;
        }
    }

    // A surrogate pair arrives as two "\u"; one without its partner becomes a replacement
    // character, so the document never holds half a character.
    void text_character(QChar c) {
        if (high_surrogate_) {
            const QChar high = *high_surrogate_;
            high_surrogate_.reset();
            if (c.isLowSurrogate()) {
                pending_.append(high);
                pending_.append(c);
                return;
            }
            pending_.append(QChar(QChar::ReplacementCharacter));
        }
        if (c.isHighSurrogate()) {
            high_surrogate_ = c;
            return;
        }
        pending_.append(c.isLowSurrogate() ? QChar(QChar::ReplacementCharacter) : c);
    }

    void finish_table_entry() {
        if (state().destination != Destination::font_table || current_font_ < 0) return;
        const QString name = font_name_.trimmed();
        if (!name.isEmpty()) fonts_.insert(current_font_, name);
        font_name_.clear();
        current_font_ = -1;
    }

    void finish_colour() {
        if (colour_parts_[0] < 0 && colour_parts_[1] < 0 && colour_parts_[2] < 0) {
            colours_.push_back(std::nullopt);  // the automatic colour
        } else {
            colours_.push_back(QColor(std::clamp(colour_parts_[0], 0, 255),
                                      std::clamp(colour_parts_[1], 0, 255),
                                      std::clamp(colour_parts_[2], 0, 255)));
        }
        colour_parts_ = {-1, -1, -1};
    }

    void paragraph_end() {
        if (state().destination != Destination::text) return;
        flush();
        if (high_surrogate_) pending_.append(QChar(QChar::ReplacementCharacter));
        high_surrogate_.reset();
        flush();
        cursor_.setBlockFormat(block_format());
        cursor_.insertBlock();
    }

    // The text gathered so far goes in with the format it was gathered under; its paragraph
    // takes the paragraph format in force, which the end of the document may no longer be.
    void flush() {
        if (pending_.isEmpty()) return;
        cursor_.insertText(pending_, char_format());
        cursor_.setBlockFormat(block_format());
        pending_.clear();
    }

    QTextCharFormat char_format() const {
        const GroupState& s = states_.back();
        QTextCharFormat format;
        const int font = s.font >= 0 ? s.font : default_font_;
        if (const auto name = fonts_.find(font); name != fonts_.end())
            format.setFontFamilies({*name});
        format.setFontPointSize(s.half_points / 2.0);
        format.setFontWeight(s.bold ? QFont::Bold : QFont::Normal);
        format.setFontItalic(s.italic);
        format.setFontUnderline(s.underline);
        if (s.colour > 0 && s.colour < static_cast<int>(colours_.size()) && colours_[s.colour])
            format.setForeground(*colours_[s.colour]);
        return format;
    }

    QTextBlockFormat block_format() const {
        const Paragraph& p = states_.back().paragraph;
        QTextBlockFormat format;
        format.setAlignment(p.alignment);
        format.setLeftMargin(double(p.left_twips) / twips_per_pixel);
        format.setRightMargin(double(p.right_twips) / twips_per_pixel);
        format.setTextIndent(double(p.first_twips) / twips_per_pixel);
        return format;
    }

    const QByteArray& bytes_;
    qsizetype pos_ = 0;
    QTextCursor cursor_;
    std::vector<GroupState> states_;
    int overflow_ = 0;
    int skip_count_ = 0;
    int default_font_ = 0;
    QHash<int, QString> fonts_;
    int current_font_ = -1;
    QString font_name_;
    std::vector<std::optional<QColor>> colours_;
    std::array<int, 3> colour_parts_ = {-1, -1, -1};
    QString pending_;
    std::optional<QChar> high_surrogate_;
};

bool looks_like_rtf(const QByteArray& bytes) {
    return bytes.trimmed().startsWith("{\\rtf");
}
}  // namespace

void RtfReader::read(const QByteArray& bytes, QTextDocument& document) {
    document.clear();
    if (!looks_like_rtf(bytes)) {
        document.setPlainText(QString::fromUtf8(bytes));
        return;
    }
    Parser(bytes, document).run();
}
