#include "psi/CharacterTable.h"

#include <bit>
#include <cstring>

#include "psi/Iso6937Table.h"
#include "psi/Iso8859Table.h"
#include "platform/Utf8.h"

namespace {

constexpr char32_t kReplacement = Utf8::kReplacement;
// In the two-byte and UTF-8 tables the control codes 0x80..0x9F sit at U+E080..U+E09F.
constexpr char32_t kPrivateControls = 0xE000;

enum class Table { Default, Iso8859, Ucs2, Utf8, Bytes };

// Collects decoded characters: stops at a zero, drops control codes, and turns line
// breaks into one space between words.
class TextBuilder {
public:
    explicit TextBuilder(std::string& out) : text(out) { text.clear(); }

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
        Utf8::Append(text, c);
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
    // Printable ASCII, which every table but the two-byte one keeps as it is.
    void AddPrintable(const std::uint8_t* run, std::size_t count) {
        if (pendingBreak) text += ' ';
        pendingBreak = false;
        text.append(reinterpret_cast<const char*>(run), count);
    }

private:
    std::string& text;
    bool pendingBreak = false;
};

// The end of the run of printable ASCII (0x20..0x7E) that goes on from at: eight bytes at a
// time, the last word of a longer text loaded so that it ends with the text.
std::size_t PrintableRunEnd(const std::uint8_t* data, std::size_t length, std::size_t at) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
    constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;
    if (std::endian::native != std::endian::little || length < 8) {
        while (at < length && data[at] >= 0x20 && data[at] < 0x7F) ++at;
        return at;
    }
    while (at < length) {
        std::uint64_t word;
        std::size_t count = length - at;
        if (count >= 8) {
            count = 8;
            std::memcpy(&word, data + at, 8);
        } else {
            // The bytes already checked shift out; spaces come in behind the text.
            std::memcpy(&word, data + length - 8, 8);
            word = (word >> (8 * (8 - count))) | (kOnes * 0x20 << (8 * count));
        }
        // A high bit for each byte below 0x20 and each above 0x7E. A borrow or a carry only runs
        // on from a byte that is flagged itself, so the lowest flag is the first such byte.
        std::uint64_t flags = (((word - kOnes * 0x20) & ~word) | ((word + kOnes) | word)) & kHighBits;
        if (flags) return at + static_cast<std::size_t>(std::countr_zero(flags) / 8);
        at += count;
    }
    return length;
}

}  // namespace

std::string CharacterTable::ToUtf8(const std::uint8_t* data, int length) {
    std::string text;
    ToUtf8(data, length, text);
    return text;
}

void CharacterTable::ToUtf8(const std::uint8_t* data, int size, std::string& out) {
    TextBuilder text(out);
    if (!data || size <= 0) return;
    auto length = static_cast<std::size_t>(size);
    // Most names are plain ASCII in the default table, which keeps them as they are.
    if (data[0] >= 0x20 && PrintableRunEnd(data, length, 0) == length) {
        out.assign(reinterpret_cast<const char*>(data), length);
        return;
    }
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

    while (at < length) {
        // Names are mostly plain ASCII: take such a run whole.
        if (table != Table::Ucs2 && data[at] >= 0x20 && data[at] < 0x7F) {
            std::size_t end = PrintableRunEnd(data, length, at + 1);
            text.AddPrintable(data + at, end - at);
            at = end;
            continue;
        }
        bool more = true;
        switch (table) {
            case Table::Default: {
                if (data[at] == 0) return;
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
                if (at + 1 >= length) return;  // half a character
                {
                    char32_t c = (static_cast<char32_t>(data[at]) << 8) | data[at + 1];
                    more = text.Add(c >= 0xD800 && c <= 0xDFFF ? kReplacement : c);
                }
                at += 2;
                break;
            case Table::Utf8: {
                char32_t c = 0;
                at += Utf8::Decode(data, length, at, c);
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
}
