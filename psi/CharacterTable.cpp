#include "psi/CharacterTable.h"

#include "psi/Iso6937Table.h"
#include "psi/Iso8859Table.h"

namespace {

constexpr char32_t kReplacement = 0xFFFD;
// In the two-byte and UTF-8 tables the control codes 0x80..0x9F sit at U+E080..U+E09F.
constexpr char32_t kPrivateControls = 0xE000;

enum class Table { Default, Iso8859, Ucs2, Utf8, Bytes };

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Collects decoded characters: stops at a zero, drops control codes, and turns line
// breaks into one space between words.
class TextBuilder {
public:
    // False once the text has ended.
    bool Add(char32_t c) {
        if (c == 0) return false;
        if (c >= kPrivateControls + 0x80 && c <= kPrivateControls + 0x9F) c -= kPrivateControls;
        if (c == 0x0A || c == 0x8A) {
            pendingBreak = !text.empty();
            return true;
        }
        if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) return true;
        if (pendingBreak) text += ' ';
        pendingBreak = false;
        AppendUtf8(text, c);
        return true;
    }
    // A byte of a table that is not decoded: kept as it is unless it is a control code.
    bool AddByte(std::uint8_t b) {
        if (b < 0x80) return Add(b);
        if (b <= 0x9F) return Add(b);
        if (pendingBreak) text += ' ';
        pendingBreak = false;
        text += static_cast<char>(b);
        return true;
    }
    std::string Take() { return std::move(text); }

private:
    std::string text;
    bool pendingBreak = false;
};

// Strict UTF-8; each byte of a malformed sequence becomes U+FFFD.
std::size_t DecodeUtf8(const std::uint8_t* data, std::size_t length, std::size_t at, char32_t& c) {
    static constexpr char32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
    std::uint8_t b = data[at];
    c = kReplacement;
    if (b < 0x80) {
        c = b;
        return 1;
    }
    int extra = (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : 0;
    if (extra == 0 || at + static_cast<std::size_t>(extra) >= length) return 1;
    char32_t value = b & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
        std::uint8_t next = data[at + static_cast<std::size_t>(k)];
        if ((next & 0xC0) != 0x80) return 1;
        value = (value << 6) | (next & 0x3F);
    }
    if (value < kSmallest[extra] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 1;
    c = value;
    return static_cast<std::size_t>(extra) + 1;
}

}  // namespace

std::string CharacterTable::ToUtf8(const std::uint8_t* data, int size) {
    if (!data || size <= 0) return std::string();
    auto length = static_cast<std::size_t>(size);
    Table table = Table::Default;
    int part = 0;
    std::size_t at = 0;
    std::uint8_t first = data[0];
    if (first >= 0x01 && first <= 0x0B) {
        // 0x01 is part 5 ... 0x0B is part 15; 0x08 would be part 12, which does not exist.
        part = first + 4;
        table = Iso8859Table::Exists(part) ? Table::Iso8859 : Table::Bytes;
        at = 1;
    } else if (first == 0x10) {
        at = 3;
        if (length >= 3 && data[1] == 0x00 && Iso8859Table::Exists(data[2])) {
            part = data[2];
            table = Table::Iso8859;
        } else {
            table = Table::Bytes;
        }
    } else if (first == 0x11) {
        table = Table::Ucs2;
        at = 1;
    } else if (first == 0x15) {
        table = Table::Utf8;
        at = 1;
    } else if (first == 0x1F) {
        // An encoding_type_id follows; its encodings are not decoded here.
        table = Table::Bytes;
        at = 2;
    } else if (first < 0x20) {
        table = Table::Bytes;
        at = 1;
    }

    TextBuilder text;
    while (at < length) {
        bool more = true;
        switch (table) {
            case Table::Default: {
                if (data[at] == 0) return text.Take();
                char32_t characters[2];
                at += Iso6937Table::Decode(data, length, at, characters);
                if (characters[0] != 0) more = text.Add(characters[0]);
                if (more && characters[1] != 0) more = text.Add(characters[1]);
                break;
            }
            case Table::Iso8859:
                more = text.Add(Iso8859Table::Character(part, data[at]));
                ++at;
                break;
            case Table::Ucs2:
                if (at + 1 >= length) return text.Take();  // half a character
                {
                    char32_t c = (static_cast<char32_t>(data[at]) << 8) | data[at + 1];
                    more = text.Add(c >= 0xD800 && c <= 0xDFFF ? kReplacement : c);
                }
                at += 2;
                break;
            case Table::Utf8: {
                char32_t c = 0;
                at += DecodeUtf8(data, length, at, c);
                more = text.Add(c);
                break;
            }
            case Table::Bytes:
                more = text.AddByte(data[at]);
                ++at;
                break;
        }
        if (!more) break;
    }
    return text.Take();
}
