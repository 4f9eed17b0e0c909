// Broadcast text in every character table: decoded once into UTF-8 when the
// record is filled, and shown as the same characters by the table reader's lines.

#include "psi/CharacterTable.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "PsiTestSupport.h"

namespace {

using B = PsiBuilder;

std::string Decode(const std::string& bytes) {
    return CharacterTable::ToUtf8(reinterpret_cast<const std::uint8_t*>(bytes.data()), static_cast<int>(bytes.size()));
}

std::string Bytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values) out += static_cast<char>(v);
    return out;
}

TEST(CharacterTable, TheDefaultTableIsIso6937WithItsAccentsAndTheEuro) {
    std::string printable;
    for (int c = 0x20; c < 0x7F; ++c) printable += static_cast<char>(c);
    EXPECT_EQ(printable, Decode(printable));
    // A non-spacing mark before the letter.
    EXPECT_EQ("München", Decode("M\xC8unchen"));
    EXPECT_EQ("Télé Ça", Decode("T\xC2" "el\xC2" "e \xCB" "Ca"));
    EXPECT_EQ("àâãāğżåőąšçÀÔÑŁłßø€", Decode("\xC1" "a\xC3" "a\xC4" "a\xC5" "a\xC6" "g\xC7" "z\xCA" "a\xCD" "o\xCE"
                                             "a\xCF" "s\xCB" "c\xC1" "A\xC3" "O\xC4" "N\xE8\xF8\xFB\xF9\xA4"));
    EXPECT_EQ("Ģģ", Decode("\xCB" "G\xCB" "g"));
    // A mark before a space is the mark itself; before a letter it has no form with, it combines.
    EXPECT_EQ("a´b", Decode("a\xC2 b"));
    EXPECT_EQ("x\xCC\x88", Decode("\xC8x"));
    // A mark with nothing after it is dropped.
    EXPECT_EQ("ab", Decode("ab\xC2"));
    EXPECT_EQ("©®™½", Decode("\xD3\xD2\xD4\xBD"));
}

TEST(CharacterTable, EveryIso8859PartBySelectorByteAndByThreeByteSelector) {
    struct Part {
        int number;
        int selector;  // the one-byte selector, 0 for parts that have none
        std::string bytes;
        std::string text;
    };
    const Part parts[] = {
        {1, 0, "\xC4\xE9", "Äé"},    {2, 0, "\xB1\xE8", "ąč"},    {3, 0, "\xA1\xFD", "Ħŭ"},
        {4, 0, "\xA2\xF1", "ĸņ"},    {5, 0x01, "\xB4\xEF", "Дя"}, {6, 0x02, "\xC7\xE4", "ال"},
        {7, 0x03, "\xC1\xF9", "Αω"}, {8, 0x04, "\xE0\xFA", "את"}, {9, 0x05, "\xDD\xFE", "İş"},
        {10, 0x06, "\xA1\xFF", "Ąĸ"}, {11, 0x07, "\xA1\xFB", "ก๛"}, {13, 0x09, "\xA8\xFF", "Ø’"},
        {14, 0x0A, "\xA1\xF0", "Ḃŵ"}, {15, 0x0B, "\xA4\xBD", "€œ"},
    };
    for (const Part& part : parts) {
        EXPECT_EQ("x" + part.text + "y", Decode(Bytes({0x10, 0x00, part.number}) + "x" + part.bytes + "y"))
            << "ISO/IEC 8859-" << part.number;
        if (part.selector) {
            EXPECT_EQ("x" + part.text + "y", Decode(Bytes({part.selector}) + "x" + part.bytes + "y"))
                << "ISO/IEC 8859-" << part.number;
        }
    }
    // Part 12 does not exist: its selector and the unassigned 0x10 forms keep the bytes.
    EXPECT_EQ("ab\xE9", Decode("\x08" "ab\xE9"));
    EXPECT_EQ("ab\xE9", Decode(Bytes({0x10, 0x00, 0x0C}) + "ab\xE9"));
    // A byte a part leaves unassigned.
    EXPECT_EQ("a\xEF\xBF\xBD", Decode(Bytes({0x10, 0x00, 0x03}) + "a\xA5"));
    // The selector's own zero byte does not end the text.
    EXPECT_EQ("é", Decode(Bytes({0x10, 0x00, 0x01, 0xE9})));
}

TEST(CharacterTable, TwoByteAndUtf8Tables) {
    EXPECT_EQ("Ümläut", Decode(Bytes({0x11, 0x00, 0xDC, 0x00, 'm', 0x00, 'l', 0x00, 0xE4, 0x00, 'u', 0x00, 't'})));
    EXPECT_EQ("Д€", Decode(Bytes({0x11, 0x04, 0x14, 0x20, 0xAC, 0x00})));  // an odd last byte is dropped
    // U+E08A is the line break and U+E086/U+E087 the emphasis marks of these tables.
    EXPECT_EQ("A B", Decode(Bytes({0x11, 0xE0, 0x86, 0x00, 'A', 0xE0, 0x8A, 0x00, 'B', 0xE0, 0x87})));
    EXPECT_EQ("A", Decode(Bytes({0x11, 0x00, 'A', 0x00, 0x00, 0x00, 'B'})));
    // A surrogate on its own, the first and the last of them, is no character.
    EXPECT_EQ("\xEF\xBF\xBD" "a\xEF\xBF\xBD", Decode(Bytes({0x11, 0xD8, 0x00, 0x00, 'a', 0xDF, 0xFF})));
    EXPECT_EQ("Ümläut", Decode("\x15Ümläut"));
    EXPECT_EQ("One Two", Decode("\x15One\xEE\x82\x8ATwo\xEE\x82\x87"));
    EXPECT_EQ("\xEF\xBF\xBD\xEF\xBF\xBD", Decode("\x15\xC0\xAF"));
    EXPECT_EQ("a\xEF\xBF\xBD", Decode("\x15" "a\xC3"));
}

TEST(CharacterTable, ControlCodesGoAfterDecodingAndOtherTablesKeepTheirBytes) {
    EXPECT_EQ("Big", Decode("\x86" "Big\x87"));
    EXPECT_EQ("One Two", Decode("\x8AOne\x8A\x8ATwo\x8A"));
    EXPECT_EQ("One Two", Decode("One\nTwo\r\x1B"));
    EXPECT_EQ("Ab", Decode(std::string("Ab\0Cd", 5)));
    EXPECT_EQ("", Decode("\x8A"));
    EXPECT_EQ("", Decode(""));
    // Korean, Chinese, Big5 and the encoding_type_id form: the bytes, without their selector and controls.
    EXPECT_EQ("\xB0\xA1" "A", Decode("\x12\xB0\xA1\x07" "A"));
    EXPECT_EQ("\xC4\xE3", Decode("\x13\xC4\xE3"));
    EXPECT_EQ("\xA4\x40", Decode("\x14\xA4\x40\x9B"));
    EXPECT_EQ("Emph", Decode("\x1F\x01" "Emph"));
}

// A multiplex 0x100 with programs 1 to 4 named by a PAT.
class NamesThroughTheHandlers : public testing::Test {
protected:
    void SetUp() override { p.Feed(0x00, B::Pat(0x100, {{1, 0x101}, {2, 0x102}, {3, 0x103}, {4, 0x104}})); }
    const ServiceInfo& Service(int id) { return *p.parser.GetCurrentTransportStream()->FindService(id); }
    RecordingParser p;
};

TEST_F(NamesThroughTheHandlers, ServiceAndNetworkNamesAreStoredAndLoggedAsUtf8) {
    p.Feed(0x11, B::Sdt(true, 0x100, 1,
                        {{1, B::ServiceDescriptor(1, "\x15Ümläut AG", "\x15Ümläut")},
                         {2, B::ServiceDescriptor(1, Bytes({0x11, 0x04, 0x14, 0x00, 'a'}),
                                                  Bytes({0x11, 0x00, 0xDC, 0x00, 'b', 0xE0, 0x8A, 0x00, 'c'}))},
                         {3, B::ServiceDescriptor(1, "\x05" "Kanal", "\x05\xDD" "zmir")},
                         {4, B::ServiceDescriptor(1, "", "M\xC8unchen \xA4")}}));
    EXPECT_STREQ("Ümläut", Service(1).serviceName.Get());
    EXPECT_STREQ("Ümläut AG", Service(1).providerName.Get());
    EXPECT_STREQ("Üb c", Service(2).serviceName.Get());
    EXPECT_STREQ("Дa", Service(2).providerName.Get());
    EXPECT_STREQ("İzmir", Service(3).serviceName.Get());
    EXPECT_STREQ("München €", Service(4).serviceName.Get());
    EXPECT_EQ(nullptr, Service(4).providerName.Get());
    std::string log = p.Verbose();
    EXPECT_NE(std::string::npos, log.find("  0x0100 0x0001: pmt_pid 0x0101 Ümläut AG -- Ümläut (running)\n")) << log;
    EXPECT_NE(std::string::npos, log.find("  0x0100 0x0002: pmt_pid 0x0102 Дa -- Üb c (running)\n")) << log;
    EXPECT_NE(std::string::npos, log.find("  0x0100 0x0004: pmt_pid 0x0104 (null) -- München € (running)\n")) << log;

    p.Feed(0x10, B::Nit(true, 0x3001, B::NetworkName("\x15Réseau\x0A"), {{0x100, 0x233A}}));
    EXPECT_STREQ("Réseau", p.parser.GetNetworkName());
    EXPECT_NE(std::string::npos, p.Verbose().find("    Network Name 'Réseau'\n")) << p.Verbose();

    // The channel table lines names up by characters: "Ümläut" takes 6 columns, not 8.
    std::string report = p.PrintReport();
    EXPECT_NE(std::string::npos, report.find("\nTransmitter Name    = Réseau")) << report;
    p.Feed(0x104, B::Pmt(4, 0x1FFF, {}, {{0x03, 0x401}}));
    p.Feed(0x101, B::Pmt(1, 0x1FFF, {}, {{0x03, 0x201}}));
    report = p.PrintReport();
    EXPECT_NE(std::string::npos, report.find("\nÜmläut" + std::string(14, ' ') + ",    0,    1,")) << report;
    EXPECT_NE(std::string::npos, report.find("\nMünchen €" + std::string(11, ' ') + ",    0,    4,")) << report;
}

TEST_F(NamesThroughTheHandlers, AnEmptyOrControlOnlyNameIsAbsentButAnEmptyNetworkNameIsNot) {
    p.Feed(0x11, B::Sdt(true, 0x100, 1,
                        {{1, B::ServiceDescriptor(1, Bytes({0x10, 0x00, 0x05}), Bytes({0x11, 0xE0, 0x8A}))},
                         {2, B::ServiceDescriptor(1, "\x15", "\x8A\x86\x87")}}));
    EXPECT_EQ(nullptr, Service(1).serviceName.Get());
    EXPECT_EQ(nullptr, Service(1).providerName.Get());
    EXPECT_EQ(nullptr, Service(2).serviceName.Get());
    EXPECT_EQ(nullptr, Service(2).providerName.Get());
    p.Feed(0x10, B::Nit(true, 0x3001, B::NetworkName("\x15"), {}));
    ASSERT_NE(nullptr, p.parser.GetNetworkName());
    EXPECT_STREQ("", p.parser.GetNetworkName());
}

TEST_F(NamesThroughTheHandlers, LanguageCodesNeverCarryControlCodesToTheLog) {
    p.Feed(0x101, B::Pmt(1, 0x1FFF, {}, {{0x03, 0x201, B::Iso639Language("\x1B[2")}, {0x03, 0x202, B::Iso639Language("e\x9Bg")}}));
    std::string log = p.Verbose();
    EXPECT_NE(std::string::npos, log.find("    LANG=?[2 ")) << log;
    EXPECT_NE(std::string::npos, log.find("    LANG=e?g ")) << log;
    EXPECT_NE(std::string::npos, log.find("apid 0x0201 (?[2), 0x0202 (e?g)\n")) << log;
    EXPECT_EQ(std::string::npos, log.find('\x1B'));
}

}  // namespace

// Plain ASCII is taken whole, eight bytes at a time: whatever else sits among it, at any
// place of a text of any length, must still be decoded as itself.
TEST(CharacterTable, AnyByteAmongPlainTextIsDecodedWhereverItStands) {
    struct Odd {
        int byte;
        std::string decoded;
    };
    const Odd odds[] = {{0x1F, ""},                   // a control code is removed
                        {0x7F, "\xEF\xBF\xBD"},       // unassigned
                        {0x80, ""},                   // a C1 control code is removed
                        {0xA4, "\xE2\x82\xAC"},       // the euro sign
                        {0xFF, "\xC2\xAD"},           // soft hyphen, the table's last
                        {0x00, ""}};                  // a zero ends the text
    for (int length = 2; length <= 26; ++length) {
        for (int at = 1; at < length; ++at) {
            for (const Odd& odd : odds) {
                std::string text;
                for (int i = 0; i < length; ++i) text += static_cast<char>('a' + i % 26);
                std::string expected = text.substr(0, static_cast<std::size_t>(at)) + odd.decoded;
                if (odd.byte != 0) expected += text.substr(static_cast<std::size_t>(at) + 1);
                text[static_cast<std::size_t>(at)] = static_cast<char>(odd.byte);
                ASSERT_EQ(Decode(text), expected) << "byte 0x" << std::hex << odd.byte << std::dec << " at " << at
                                                  << " of " << length;
            }
        }
    }
    // Runs on either side of a two-byte character, and in a table with a selector.
    EXPECT_EQ(Decode("Television de Espana " + Bytes({0xC4, 'n'}) + "ol"), "Television de Espana \xC3\xB1ol");
    EXPECT_EQ(Decode(Bytes({0x15}) + "Fernsehen aus M\xC3\xBCnchen, live"), "Fernsehen aus M\xC3\xBCnchen, live");
}

// The upper halves of the ISO/IEC 8859 parts against an independent reference: the file was
// made with Python's codecs (errors="replace"), byte 0xA0 to 0xFF of each part.
TEST(CharacterTable, EveryIso8859UpperHalfMatchesTheReferenceCodecs) {
    std::ifstream file(std::string(TW_TEST_DATA_DIR) + "/iso8859-upper-halves.txt");
    ASSERT_TRUE(file) << "tests/data/iso8859-upper-halves.txt";
    int parts = 0;
    for (std::string line; std::getline(file, line);) {
        std::size_t tab = line.find('\t');
        ASSERT_NE(tab, std::string::npos) << line;
        int part = std::stoi(line.substr(0, tab));
        std::string upper;
        for (int b = 0xA0; b <= 0xFF; ++b) upper += static_cast<char>(b);
        EXPECT_EQ(Decode(Bytes({0x10, 0x00, part}) + upper), line.substr(tab + 1)) << "ISO/IEC 8859-" << part;
        ++parts;
    }
    EXPECT_EQ(parts, 14);
}

TEST(CharacterTable, EveryDiacriticalMarkBeforeASpaceIsTheMarkItself) {
    std::string marks;
    for (int mark = 0xC1; mark <= 0xCF; ++mark) marks += Bytes({mark, ' '});
    EXPECT_EQ(Decode(marks), "`´^~¯˘˙¨¨˚¸_˝˛ˇ");
}

// Each mark before each letter: the precomposed letter where the table has one, and it must be
// the one Unicode composes (tests/data/iso6937-marks.txt, made with Python's unicodedata);
// otherwise the letter followed by the combining mark.
TEST(CharacterTable, AMarkBeforeALetterIsTheLetterUnicodeComposesOrTheLetterAndTheMark) {
    std::ifstream file(std::string(TW_TEST_DATA_DIR) + "/iso6937-marks.txt");
    ASSERT_TRUE(file) << "tests/data/iso6937-marks.txt";
    int pairs = 0;
    int composed = 0;
    for (std::string line; std::getline(file, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::string> fields;
        for (std::size_t at = 0, tab; at <= line.size(); at = tab + 1) {
            tab = line.find('\t', at);
            if (tab == std::string::npos) tab = line.size();
            fields.push_back(line.substr(at, tab - at));
        }
        ASSERT_EQ(fields.size(), 4u) << line;
        int mark = std::stoi(fields[0], nullptr, 16);
        std::string got = Decode(Bytes({mark}) + fields[1]);
        ++pairs;
        if (got == fields[3]) continue;
        EXPECT_EQ(got, fields[2]) << "mark 0x" << fields[0] << " before " << fields[1];
        EXPECT_NE(fields[2], fields[3]) << "composed only where Unicode composes";
        ++composed;
    }
    EXPECT_EQ(pairs, 15 * 52);
    EXPECT_EQ(composed, 167) << "letters the default table composes";
}

// A mark before what is not a printable character is dropped, and that byte is read on its own.
TEST(CharacterTable, AMarkBeforeAControlCodeOrAnUpperHalfByteIsDropped) {
    EXPECT_EQ(Decode("\xC1" "a\xC2\xE8"), "àŁ") << "nothing of the character before";
    EXPECT_EQ(Decode("a\xC1\x7F"), "a\xEF\xBF\xBD");
    EXPECT_EQ(Decode("\xC1" "e\xC8\x8A" "b"), "è b");
}
