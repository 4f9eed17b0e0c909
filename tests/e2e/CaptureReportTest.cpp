// tunewright-ts on the real captures in tests/data: the whole report a user
// reads, the verbose table lines, and the status for a capture without a PAT.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "ProgramRun.h"

namespace {

const std::string kTableHeading =
    "\n\nChannel Name           LCN   SID    Vid   Aud   PMT"
    "\n-------------------------------------------------------------------\n";

std::string DataFile(const char* name) { return std::string(TW_TEST_DATA_DIR) + "/" + name; }
std::string Quoted(const std::string& path) { return "'" + path + "'"; }

class CaptureReport : public testing::Test {
protected:
    ProgramRun tool{TW_TS_TOOL_PATH, "tunewright-ts"};
};

TEST_F(CaptureReport, ASatelliteCaptureReportsItsTwoDescribedServices) {
    const std::string path = DataFile("mediaset-satellite-100packets.ts");
    ProgramResult result = tool.Run("", {}, Quoted(path));
    EXPECT_EQ(0, result.status) << result.errors;
    EXPECT_EQ("", result.errors);
    std::string expected;
    for (int pid : {0x102, 0x103, 0x106, 0x107, 0x108, 0x109, 0x10A, 0x10B, 0x10E, 0x10F, 0x110, 0x119, 0x11A, 0x11B,
                    0x11C, 0x11D, 0x10D, 0x10C}) {
        char line[64];
        std::snprintf(line, sizeof line, "Timeout getting table (pid=%.4x, tid=02)\n", pid);
        expected += line;
    }
    expected += "Frequency (Actual)  = 0kHz\n\nTransmitter Name    = Mediaset\ntid: 272\nid: 272" + kTableHeading +
                "Italia 1            ,    0,    1, 1620,  1621,  256    # Teletext=1619\n"
                "Italia 1            ,     ,    1, 1620,  1622,  256    #\n"
                "Canale 5            ,    0,    2, 1610,  1611,  257    # Teletext=1619\n"
                "Canale 5            ,     ,    2, 1610,  1612,  257    #\n"
                "\n";
    EXPECT_EQ(expected, result.output);

    ProgramResult verbose = tool.Run("", {}, "-v " + Quoted(path));
    EXPECT_EQ(0, verbose.status);
    EXPECT_EQ(0u, verbose.output.find("\n1 section(s) found for pid=0000, tid=00\npid \n"
                                      "pid 0x00 tid 0x00 table_id_ext 0x1770, 0/0 (version 2)\nPAT\n"
                                      "  Found service id 0x0001 with PMT 0x0100\n"))
        << verbose.output;
    const std::string report = expected.substr(expected.find("Frequency (Actual)"));
    ASSERT_GE(verbose.output.size(), report.size());
    EXPECT_EQ(report, verbose.output.substr(verbose.output.size() - report.size())) << "the report comes last";
    for (const char* line : {
             "\n1 section(s) found for pid=0010, tid=40\n",
             "  Found a network name descriptor\n    Network Name 'Mediaset'\n",
             "  0x1770 0x0065: pmt_pid 0x0119 (null) -- Radio R101 (running)\n",
             "  0x1770 0x0383: pmt_pid 0x010c (null) -- Infinity (running)\n",
             "PMT 0x0101 for service 0x0002\n  VIDEO     : PID 0x064a\n  AUDIO     : PID 0x064b\n    LANG=ita 0\n",
             "  OTHER     : PID 0x1e9f TYPE 0x0b\n"
             "0x1770 0x0002: Mediaset -- Canale 5, pmt_pid 0x0101, vpid 0x064a, apid 0x064b (ita), 0x064c (eng)\n",
         })
        EXPECT_NE(std::string::npos, verbose.output.find(line)) << line;
}

TEST_F(CaptureReport, ACaptureOfNetworkTablesOnlyEndsWithStatusThree) {
    const std::string path = DataFile("australia-nit-2packets.ts");
    ProgramResult result = tool.Run("", {}, Quoted(path));
    EXPECT_EQ(3, result.status);
    EXPECT_EQ("tunewright-ts: " + path + " holds no PAT\n", result.errors);
    EXPECT_EQ("Timeout getting table (pid=0000, tid=00)\nTimeout getting table (pid=0011, tid=42)\n" + kTableHeading +
                  "\n",
              result.output);

    ProgramResult verbose = tool.Run("", {}, "-v " + Quoted(path));
    EXPECT_EQ(3, verbose.status);
    for (const char* line : {
             "\n2 section(s) found for pid=0010, tid=40\npid \n"
             "pid 0x10 tid 0x40 table_id_ext 0x321d, 0/0 (version 10)\nNIT (actual TS)\n"
             "  Found a network name descriptor\n  transport_stream_id 0x0430\n",
             "    Frequency 191625    Bandwidth 7    QAM_64\n    HP - FEC_3_4    LP - FEC_3_4    Transmission mode 8K\n"
             "  skip descriptor 0x41\n\t0x41 0x1e 0x04 0x30 0x01 0x04 0x31 0x19   A  0  1 \n",
             "\t0x5f 0x04 0x00 0x00 0x32 0x00             _   2   \n",
             "    Service ID 0x437 has channel number 99\n"
             "section version_number or table_id_ext changed 10 -> 15 / 321d -> 321b\n",
             "    Frequency 226500    Bandwidth 7    QAM_64\n    HP - FEC_3_4    LP - FEC_1_2    Transmission mode 8K\n",
             "\t0x3f 0x0a                                 ?       \n",
             "    Service ID 0x23f has channel number 204\n",
         })
        EXPECT_NE(std::string::npos, verbose.output.find(line)) << line << verbose.output;
    EXPECT_EQ(std::string::npos, verbose.output.find("Network Name")) << "no multiplex to give a name to";
}

}  // namespace
