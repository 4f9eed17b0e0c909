// Names in every character table, through tunewright-ts and through a scan: the
// same UTF-8 text on the console, in the log file and in the channel summary.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "ProgramRun.h"
#include "TestWorld.h"

namespace {

bool Has(const std::string& text, const std::string& piece) { return text.find(piece) != std::string::npos; }

std::string Bytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values) out += static_cast<char>(v);
    return out;
}

std::string Ucs2(const std::u16string& text) {
    std::string out = "\x11";
    for (char16_t c : text) {
        out += static_cast<char>(c >> 8);
        out += static_cast<char>(c & 0xFF);
    }
    return out;
}

struct Named {
    std::string broadcast;  // as the SDT carries it
    std::string shown;      // UTF-8
};

// One television service per character table, each with channel number i + 1.
const std::vector<Named>& Names() {
    static const std::vector<Named> names = {
        {"M\xC8unchen \xA4", "München €"},                 // default table
        {Bytes({0x10, 0x00, 0x01}) + "Caf\xE9", "Café"},  // ISO/IEC 8859-1
        {Bytes({0x10, 0x00, 0x02}) + "\xA9" "CT", "ŠCT"},  // 8859-2
        {Bytes({0x10, 0x00, 0x03}) + "\xA1" "al", "Ħal"},  // 8859-3
        {Bytes({0x10, 0x00, 0x04}) + "\xBD", "Ŋ"},         // 8859-4
        {"\x01\xBF\xD5\xE0\xD2\xEB\xD9", "Первый"},        // 8859-5
        {"\x02\xC7\xE4\xCC\xD2\xC7\xC6\xD1", "الجزائر"},   // 8859-6
        {"\x03\xC5\xD1\xD4", "ΕΡΤ"},                       // 8859-7
        {"\x04\xF8\xF9\xFA", "רשת"},                      // 8859-8 (stored in logical order)
        {"\x05\xDD" "zmir \xFE", "İzmir ş"},               // 8859-9
        {"\x06\xA1\xBB", "Ąŧ"},                            // 8859-10
        {"\x07\xA1\xA2", "กข"},                            // 8859-11
        {"\x09\xD0\xE0", "Šą"},                            // 8859-13
        {"\x0A\xA1\xA6", "ḂḊ"},                            // 8859-14
        {"\x0B\xA4\xBD", "€œ"},                            // 8859-15
        {Ucs2(u"Ümläut\xE08A" u"TV"), "Ümläut TV"},        // two-byte table
        {"\x15Ümläut", "Ümläut"},                          // UTF-8
    };
    return names;
}

TestMultiplex NamedMultiplex(int frequencyKHz) {
    TestMultiplex m;
    m.transportStreamId = 4100;
    m.frequencyKHz = frequencyKHz;
    m.networkName = "\x15Réseau Numérique";
    for (std::size_t i = 0; i < Names().size(); ++i) {
        TestService s;
        s.serviceId = static_cast<int>(i) + 1;
        s.name = Names()[i].broadcast;
        s.provider = "\x15Ümläut AG";
        s.lcn = static_cast<int>(i) + 1;
        s.audioPids = {0x200 + static_cast<int>(i)};
        m.services.push_back(s);
    }
    return m;
}

TEST(BroadcastTextRun, TheCaptureToolShowsEveryTableAsUtf8) {
    ProgramRun tool(TW_TS_TOOL_PATH, "tunewright-ts");
    auto bytes = TestWorld::TransportStream(NamedMultiplex(506000));
    tool.Folder().WriteFile("names.ts", std::string(bytes.begin(), bytes.end()));
    ProgramResult result = tool.Run("", {}, "-v '" + (tool.Folder() / "names.ts").string() + "'");
    ASSERT_EQ(0, result.status) << result.errors;
    EXPECT_TRUE(Has(result.output, "\nTransmitter Name    = Réseau Numérique")) << result.output;
    EXPECT_TRUE(Has(result.output, "    Network Name 'Réseau Numérique'\n")) << result.output;
    for (std::size_t i = 0; i < Names().size(); ++i) {
        const std::string& name = Names()[i].shown;
        SCOPED_TRACE(name);
        EXPECT_TRUE(Has(result.output, "\n" + name + " ")) << result.output;
        char sdtLine[64];
        std::snprintf(sdtLine, sizeof sdtLine, "  0x1004 0x%04zx: pmt_pid 0x%04zx ", i + 1, 0x100 + i + 1);
        EXPECT_TRUE(Has(result.output, sdtLine + std::string("Ümläut AG -- ") + name + " (running)\n"))
            << result.output;
    }
}

TEST(BroadcastTextRun, AScanShowsAndLogsTheSameTextAndCutsNoCharacterInTwo) {
    TestWorld world;
    world.Line("card \"Scanner\"");
    TestMultiplex multiplex = NamedMultiplex(474000);
    // 125 two-byte characters (as long as a descriptor allows): 250 bytes of UTF-8, more than
    // the summary's 127 bytes.
    TestService longName;
    longName.serviceId = 99;
    longName.provider = "";
    longName.name = Ucs2(std::u16string(125, u'Ü'));
    longName.lcn = 99;
    longName.audioPids = {0x299};
    multiplex.services.push_back(longName);
    world.Line("mux 474000 8 ts=" + world.AddMultiplexFile(multiplex));

    ProgramRun program(TW_PROGRAM_PATH);
    ProgramResult result = program.Run("1\n10\n", {{"TUNEWRIGHT_WORLD", world.WorldPath()}});
    ASSERT_EQ(0, result.status) << result.errors;
    for (std::size_t i = 0; i < Names().size(); ++i) {
        const std::string& name = Names()[i].shown;
        SCOPED_TRACE(name);
        std::string number = std::to_string(i + 1);
        // The channel table on the console and in the log, byte for byte the same.
        std::string row = "\n" + name;
        EXPECT_TRUE(Has(result.output, row)) << result.output;
        EXPECT_TRUE(Has(result.log, row));
        EXPECT_TRUE(Has(result.log, "* TV station found = '" + name + "[" + number + "]'\n")) << result.log;
        EXPECT_TRUE(Has(result.log, "CH:" + number + " onid:9018 tsid:4100 sid:" + number +
                                        " frq:474000000 band:8 ctrl:1 #:" + name + "\n"));
    }
    EXPECT_TRUE(Has(result.output, "\nTransmitter Name    = Réseau Numérique"));
    EXPECT_TRUE(Has(result.log, "\nTransmitter Name    = Réseau Numérique"));

    std::string ue;
    for (int i = 0; i < 63; ++i) ue += "Ü";
    EXPECT_TRUE(Has(result.log, "CH:99 onid:9018 tsid:4100 sid:99 frq:474000000 band:8 ctrl:1 #:" + ue + "\n"))
        << "126 bytes: the 64th character would not fit whole";
}

}  // namespace
