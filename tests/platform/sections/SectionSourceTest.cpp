#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "TempDir.h"
#include "platform/ComPtr.h"
#include "platform/Kernel.h"
#include "platform/sections/Crc32Mpeg2.h"
#include "platform/sections/Mpeg2DataSource.h"
#include "platform/sections/MultiplexSections.h"
#include "platform/sections/PsiBuilder.h"
#include "platform/sections/TransportStreamDemux.h"
#include "platform/sections/TransportStreamWriter.h"

namespace {

std::string Hex(const std::vector<BYTE>& bytes) {
    std::string out;
    for (BYTE b : bytes) out += "0123456789abcdef"[b >> 4], out += "0123456789abcdef"[b & 15], out += " ";
    return out;
}

using Bytes = std::vector<BYTE>;

Bytes BigPmt(WORD program, int streams) {
    std::vector<PsiBuilder::Stream> list;
    for (int i = 0; i < streams; ++i)
        list.push_back({0x04, static_cast<PID>(0x200 + i), PsiBuilder::Iso639Language("eng")});
    return PsiBuilder::Pmt(program, 0x100, {}, list);
}

std::vector<Bytes> Demux(const Bytes& stream, TransportStreamDemux::Statistics* statistics = nullptr) {
    std::vector<Bytes> found;
    TransportStreamDemux demux([&](PID, const BYTE* section, std::size_t length) { found.emplace_back(section, section + length); });
    demux.Feed(stream.data(), stream.size());
    if (statistics) *statistics = demux.GetStatistics();
    return found;
}

TEST(Crc32Mpeg2, MatchesTheCheckValueAndValidatesBuiltSections) {
    const char* check = "123456789";
    EXPECT_EQ(Crc32Mpeg2::Compute(reinterpret_cast<const BYTE*>(check), 9), 0x0376E6E7u);
    Bytes pat = PsiBuilder::Pat(1, {{1, 0x100}});
    EXPECT_TRUE(Crc32Mpeg2::Check(pat.data(), pat.size()));
    pat[9] ^= 1;
    EXPECT_FALSE(Crc32Mpeg2::Check(pat.data(), pat.size()));
}

TEST(TransportStreamDemux, ReassemblesSectionsAcrossPacketsAndSeveralInOnePacket) {
    Bytes large = BigPmt(1, 60);  // spans several packets
    ASSERT_GT(large.size(), 188u * 2);
    Bytes small1 = PsiBuilder::Pat(7, {{1, 0x100}});
    Bytes small2 = PsiBuilder::Pat(7, {{2, 0x101}}, {1, 0, 0, true});
    for (bool packed : {true, false}) {
        TransportStreamWriter writer;
        writer.AddSections(0x100, {small1, large, small2, small1}, packed);
        auto found = Demux(writer.GetBytes());
        ASSERT_EQ(found.size(), 4u) << "packed " << packed;
        EXPECT_EQ(found[0], small1);
        EXPECT_EQ(found[1], large) << Hex(found[1]);
        EXPECT_EQ(found[2], small2);
    }
}

TEST(TransportStreamDemux, SectionStartsAtEveryOffsetOfAPacket) {
    // Sections of growing size put the next start at every place in a packet,
    // including the last payload byte, where the pointer field cannot reach it.
    std::vector<Bytes> sections;
    for (int n = 0; n < 50; ++n) {
        std::vector<PsiBuilder::Program> programs;
        for (int i = 0; i <= n % 46; ++i) programs.push_back({static_cast<WORD>(i + 1), 0x100});
        Bytes body(static_cast<std::size_t>(n % 5), 0xAA);
        sections.push_back(PsiBuilder::LongSection(0x02, static_cast<WORD>(n), body));
        sections.push_back(PsiBuilder::Pat(static_cast<WORD>(n), programs));
    }
    TransportStreamWriter writer;
    writer.AddSections(0x20, sections);
    EXPECT_EQ(Demux(writer.GetBytes()), sections);
}

TEST(TransportStreamDemux, ResynchronisesAfterLostBytesAndDropsSectionsCutByAGap) {
    Bytes large = BigPmt(1, 60);
    Bytes pat = PsiBuilder::Pat(7, {{1, 0x100}});
    TransportStreamWriter writer;
    writer.AddSection(0x100, large);
    writer.AddSection(0x00, pat);
    Bytes stream = writer.GetBytes();

    // Junk before the first packet and between two packets.
    Bytes noisy = {0x12, 0x47, 0x00};
    noisy.insert(noisy.end(), stream.begin(), stream.begin() + 188);
    noisy.insert(noisy.end(), {0x47, 0x47, 0x01});
    noisy.insert(noisy.end(), stream.begin() + 188, stream.end());
    TransportStreamDemux::Statistics statistics;
    auto found = Demux(noisy, &statistics);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0], large);
    EXPECT_GE(statistics.resyncs, 2u);

    // A missing middle packet of the PMT: the partial section is dropped, the PAT survives.
    Bytes gap(stream.begin(), stream.begin() + 188);
    gap.insert(gap.end(), stream.begin() + 2 * 188, stream.end());
    found = Demux(gap, &statistics);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0], pat);
    EXPECT_EQ(statistics.continuityErrors, 1u);

    // A repeated packet is taken once; a packet cut across two feeds waits for the rest.
    Bytes repeated(stream.begin(), stream.begin() + 188);
    repeated.insert(repeated.end(), stream.begin(), stream.end());
    std::vector<Bytes> pieces;
    TransportStreamDemux demux([&](PID, const BYTE* s, std::size_t n) { pieces.emplace_back(s, s + n); });
    demux.Feed(repeated.data(), 300);
    demux.Feed(repeated.data() + 300, repeated.size() - 300);
    ASSERT_EQ(pieces.size(), 2u);
    EXPECT_EQ(pieces[0], large);
}

TEST(TransportStreamDemux, PidFilterKeepsOnlyTheWantedPids) {
    TransportStreamWriter writer;
    writer.AddSection(0x00, PsiBuilder::Pat(1, {{1, 0x100}}));
    writer.AddNullPacket();
    writer.AddSection(0x11, PsiBuilder::Sdt(true, 1, 2, {}));
    std::vector<PID> pids;
    TransportStreamDemux demux([&](PID pid, const BYTE*, std::size_t) { pids.push_back(pid); });
    demux.AddPid(0x11);
    demux.Feed(writer.GetBytes().data(), writer.GetBytes().size());
    EXPECT_EQ(pids, std::vector<PID>{0x11});
}

TEST(MultiplexSections, CompletesTablesByVersionAndDropsBrokenSections) {
    MultiplexSections multiplex;
    Bytes part0 = PsiBuilder::Sdt(true, 5, 9, {{1}}, {3, 0, 1, true});
    Bytes part1 = PsiBuilder::Sdt(true, 5, 9, {{2}}, {3, 1, 1, true});
    EXPECT_TRUE(multiplex.AddSection(0x11, part0));
    EXPECT_TRUE(multiplex.FindTable(0x11, 0x42, nullptr).empty()) << "one of two sections";
    EXPECT_EQ(multiplex.FindSection(0x11, 0x42, nullptr), std::vector<Bytes>{part0});

    Bytes bad = part1;
    bad[10] ^= 0x40;
    EXPECT_FALSE(multiplex.AddSection(0x11, bad));
    Bytes cut(part1.begin(), part1.end() - 1);
    EXPECT_FALSE(multiplex.AddSection(0x11, cut));
    EXPECT_TRUE(multiplex.FindTable(0x11, 0x42, nullptr).empty());
    EXPECT_EQ(multiplex.GetStatistics().badCrc, 1u);
    EXPECT_EQ(multiplex.GetStatistics().badLength, 1u);

    EXPECT_TRUE(multiplex.AddSection(0x11, part1));
    EXPECT_EQ(multiplex.FindTable(0x11, 0x42, nullptr), (std::vector<Bytes>{part0, part1}));

    // A new version is collected on its own; the old table stays until the new one is whole.
    Bytes next0 = PsiBuilder::Sdt(true, 5, 9, {{7}}, {4, 0, 0, true});
    Bytes future = PsiBuilder::Sdt(true, 5, 9, {{8}}, {5, 0, 0, false});
    multiplex.AddSection(0x11, future);
    EXPECT_EQ(multiplex.FindTable(0x11, 0x42, nullptr), (std::vector<Bytes>{part0, part1}))
        << "a section not yet valid is not part of the table";
    multiplex.AddSection(0x11, next0);
    EXPECT_EQ(multiplex.FindTable(0x11, 0x42, nullptr), std::vector<Bytes>{next0});
    EXPECT_TRUE(multiplex.FindTable(0x11, 0x46, nullptr).empty());
}

TEST(MultiplexSections, HoldsSeveralExtensionsOnOnePidInArrivalOrderAndFilters) {
    MultiplexSections multiplex;
    Bytes b = PsiBuilder::Pmt(2, 0x100, {}, {});
    Bytes a = PsiBuilder::Pmt(1, 0x100, {}, {});
    multiplex.AddSection(0x100, b);
    multiplex.AddSection(0x100, a);
    multiplex.AddSection(0x100, b);
    EXPECT_EQ(multiplex.FindTable(0x100, 0x02, nullptr), (std::vector<Bytes>{b, a}));
    MPEG2_FILTER filter{};
    filter.fSpecifyTableIdExtension = TRUE;
    filter.TableIdExtension = 1;
    EXPECT_EQ(multiplex.FindTable(0x100, 0x02, &filter), std::vector<Bytes>{a});
    filter.fSpecifyVersion = TRUE;
    filter.Version = 3;
    EXPECT_TRUE(multiplex.FindTable(0x100, 0x02, &filter).empty());
}

TEST(MultiplexSections, LoadsCapturesAndRefusesWhatIsNoTransportStream) {
    MultiplexSections capture;
    ASSERT_EQ(capture.LoadFile(std::string(TW_TEST_DATA_DIR) + "/mediaset-satellite-100packets.ts"), S_OK);
    EXPECT_EQ(capture.PacketCount(), 100u);
    auto pat = capture.FindTable(0x0000, 0x00, nullptr);
    ASSERT_EQ(pat.size(), 1u);
    EXPECT_EQ((pat[0][3] << 8) | pat[0][4], 0x1770);
    EXPECT_EQ(capture.FindTable(0x0010, 0x40, nullptr).size(), 1u);
    EXPECT_EQ(capture.FindTable(0x0011, 0x42, nullptr).size(), 1u);
    EXPECT_EQ(capture.GetStatistics().badCrc, 0u);

    MultiplexSections spliced;
    ASSERT_EQ(spliced.LoadFile(std::string(TW_TEST_DATA_DIR) + "/australia-nit-2packets.ts"), S_OK);
    EXPECT_EQ(spliced.FindTable(0x0010, 0x40, nullptr).size(), 2u) << "one NIT of each network";

    TempDir dir;
    dir.WriteFile("notes.ts", std::string(1000, 'x'));
    std::string text = (dir / "notes.ts").string();
    MultiplexSections none;
    EXPECT_EQ(none.LoadFile(text), E_FAIL);
    EXPECT_EQ(none.LoadFile((dir / "missing.ts").string()), E_INVALIDARG);
}

TEST(Mpeg2DataSource, HandsOutTablesInHostOrderOrFailsAfterTheTimeOut) {
    auto multiplex = std::make_shared<MultiplexSections>();
    Bytes pat = PsiBuilder::Pat(0x1234, {{1, 0x100}});
    multiplex->AddSection(0, pat);
    auto source = ComPtr<Mpeg2DataSource>::Attach(NewComObject<Mpeg2DataSource>(multiplex));

    ComPtr<IMpeg2Data> data;
    ASSERT_EQ(source->QueryInterface(IID_IMpeg2Data, data.ReleaseAndGetAddressOfVoid()), S_OK);
    ComPtr<ISectionList> list;
    ASSERT_EQ(data->GetTable(0, 0, nullptr, 5000, list.ReleaseAndGetAddressOf()), S_OK);
    WORD count = 0;
    ASSERT_EQ(list->GetNumberOfSections(&count), S_OK);
    ASSERT_EQ(count, 1);
    DWORD length = 0;
    SECTION* section = nullptr;
    ASSERT_EQ(list->GetSectionData(0, &length, &section), S_OK);
    EXPECT_EQ(length, pat.size());
    EXPECT_EQ(section->TableId, 0);
    WORD header = 0, extension = 0;
    std::memcpy(&header, reinterpret_cast<BYTE*>(section) + 1, 2);
    std::memcpy(&extension, reinterpret_cast<BYTE*>(section) + 3, 2);
    EXPECT_EQ(header & 0x0FFF, pat.size() - 3);
    EXPECT_EQ(extension, 0x1234);
    EXPECT_EQ(list->GetSectionData(1, &length, &section), E_INVALIDARG);
    list.Reset();

    std::uint64_t before = GetTickCount64();
    EXPECT_TRUE(FAILED(data->GetTable(0x10, 0x40, nullptr, 15000, list.ReleaseAndGetAddressOf())));
    EXPECT_FALSE(list);
    EXPECT_GE(GetTickCount64() - before, 15000u);

    source->SetSections(nullptr);
    EXPECT_TRUE(FAILED(data->GetTable(0, 0, nullptr, 100, list.ReleaseAndGetAddressOf())));
}

TEST(Mpeg2DataSource, FinalSectionsAnswerAMissingTableAtOnceAndKeepAnsweringPresentOnes) {
    auto multiplex = std::make_shared<MultiplexSections>();
    Bytes pat = PsiBuilder::Pat(0x1234, {{1, 0x100}});
    multiplex->AddSection(0, pat);
    auto source = ComPtr<Mpeg2DataSource>::Attach(NewComObject<Mpeg2DataSource>(multiplex));
    source->SetFinal(true);

    ComPtr<ISectionList> list;
    std::uint64_t before = GetTickCount64();
    EXPECT_EQ(source->GetTable(0x10, 0x40, nullptr, 15000, list.ReleaseAndGetAddressOf()), HRESULT_TIMEOUT);
    EXPECT_EQ(source->GetSection(0x11, 0x42, nullptr, 15000, list.ReleaseAndGetAddressOf()), HRESULT_TIMEOUT);
    EXPECT_FALSE(list);
    EXPECT_LT(GetTickCount64() - before, 100u);

    ASSERT_EQ(source->GetTable(0, 0, nullptr, 15000, list.ReleaseAndGetAddressOf()), S_OK);
    WORD count = 0;
    ASSERT_EQ(list->GetNumberOfSections(&count), S_OK);
    EXPECT_EQ(count, 1);

    // Sections still being fed are waited for again.
    source->SetFinal(false);
    before = GetTickCount64();
    EXPECT_EQ(source->GetTable(0x10, 0x40, nullptr, 300, list.ReleaseAndGetAddressOf()), HRESULT_TIMEOUT);
    EXPECT_GE(GetTickCount64() - before, 300u);
}

}  // namespace
