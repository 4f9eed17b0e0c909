#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "TempDir.h"
#include "platform/ComPtr.h"
#include "platform/Kernel.h"
#include "platform/sections/CaptureFile.h"
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
    demux.End();
    if (statistics) *statistics = demux.GetStatistics();
    return found;
}

Bytes ReadData(const std::string& name) {
    std::ifstream file(std::string(TW_TEST_DATA_DIR) + "/" + name, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

// The same packets framed as other capture formats do: a prefix before each packet, a suffix after it.
Bytes Framed(const Bytes& stream, const Bytes& prefix, const Bytes& suffix) {
    Bytes framed;
    for (std::size_t at = 0; at + 188 <= stream.size(); at += 188) {
        framed.insert(framed.end(), prefix.begin(), prefix.end());
        framed.insert(framed.end(), stream.begin() + static_cast<std::ptrdiff_t>(at),
                      stream.begin() + static_cast<std::ptrdiff_t>(at + 188));
        framed.insert(framed.end(), suffix.begin(), suffix.end());
    }
    return framed;
}

// Every complete table of the requestable PIDs, as one comparable list.
std::vector<Bytes> Tables(const MultiplexSections& multiplex) {
    std::vector<Bytes> all;
    const std::pair<PID, TID> wanted[] = {{0, 0x00}, {0x10, 0x40}, {0x11, 0x42}, {0x11, 0x46}, {0x100, 0x02}, {0x101, 0x02}};
    for (const auto& [pid, tid] : wanted)
        for (auto& section : multiplex.FindTable(pid, tid, nullptr)) all.push_back(section);
    return all;
}

TEST(Crc32Mpeg2, MatchesTheCheckValueAndValidatesBuiltSections) {
    const char* check = "123456789";
    EXPECT_EQ(Crc32Mpeg2::Compute(reinterpret_cast<const BYTE*>(check), 9), 0x0376E6E7u);
    Bytes pat = PsiBuilder::Pat(1, {{1, 0x100}});
    EXPECT_TRUE(Crc32Mpeg2::Check(pat.data(), pat.size()));
    pat[9] ^= 1;
    EXPECT_FALSE(Crc32Mpeg2::Check(pat.data(), pat.size()));
}

// Eight bytes at a time and byte by byte for the rest: every length and every offset must give
// what the polynomial gives bit by bit.
TEST(Crc32Mpeg2, AgreesWithTheBitwiseDefinitionAtEveryLength) {
    auto bitwise = [](const BYTE* data, std::size_t length) {
        std::uint32_t crc = 0xFFFFFFFFu;
        for (std::size_t i = 0; i < length; ++i) {
            crc ^= std::uint32_t{data[i]} << 24;
            for (int bit = 0; bit < 8; ++bit) crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
        }
        return crc;
    };
    Bytes data(64);
    std::uint32_t seed = 12345;
    for (BYTE& b : data) b = static_cast<BYTE>((seed = seed * 1103515245u + 12345u) >> 24);
    for (std::size_t offset = 0; offset < 8; ++offset)
        for (std::size_t length = 0; offset + length <= data.size(); ++length)
            ASSERT_EQ(Crc32Mpeg2::Compute(data.data() + offset, length), bitwise(data.data() + offset, length))
                << "offset " << offset << ", length " << length;
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

// The same with only the requestable tables wanted: a PMT whose header is split between two
// packets is still taken, an unwanted table so split is passed over with what follows it kept.
TEST(TransportStreamDemux, TheTableFilterJudgesASectionWhoseHeaderIsSplitBetweenPackets) {
    std::vector<Bytes> sections;
    std::vector<Bytes> wanted;
    for (int n = 0; n < 400; ++n) {
        // Lengths that put the next start at every place of a packet, the last two included.
        Bytes body(static_cast<std::size_t>(n % 2 ? n % 7 : n / 2 % 61), 0xAA);
        Bytes section = PsiBuilder::LongSection(n % 2 ? 0x4E : 0x02, static_cast<WORD>(n), body);
        sections.push_back(section);
        if (section[0] == 0x02) wanted.push_back(section);
    }
    TransportStreamWriter writer;
    writer.AddSections(0x100, sections);
    std::vector<Bytes> found;
    TransportStreamDemux demux([&](PID, const BYTE* s, std::size_t n) { found.push_back(Bytes(s, s + n)); });
    demux.SetTableFilter(&MultiplexSections::Requestable);
    demux.Feed(writer.GetBytes().data(), writer.GetBytes().size());
    demux.End();
    EXPECT_EQ(found, wanted);
}

// An adaptation field that leaves no room for the payload it announces: the section in
// progress cannot be trusted and is dropped.
TEST(TransportStreamDemux, AnAdaptationFieldFillingThePacketDropsTheSectionInProgress) {
    Bytes section = BigPmt(1, 20);
    ASSERT_GT(section.size(), 184u);
    ASSERT_LT(section.size(), 2 * 183u);
    auto packet = [](int flags, int continuity) {
        Bytes p = {0x47, static_cast<BYTE>(flags | 0x01), 0x00, static_cast<BYTE>(continuity)};
        return p;
    };
    Bytes first = packet(0x40, 0x10);  // unit start, payload only
    first.push_back(0x00);             // pointer_field
    first.insert(first.end(), section.begin(), section.begin() + 183);
    Bytes full = packet(0x00, 0x31);   // adaptation field and payload, the field 183 bytes long
    full.push_back(183);
    full.push_back(0x00);
    full.resize(188, 0xFF);
    Bytes rest = packet(0x00, 0x12);
    rest.insert(rest.end(), section.begin() + 183, section.end());
    rest.resize(188, 0xFF);
    for (bool damaged : {false, true}) {
        Bytes stream = first;
        if (damaged) stream.insert(stream.end(), full.begin(), full.end());
        Bytes last = rest;
        last[3] = static_cast<BYTE>(0x10 | (damaged ? 2 : 1));
        stream.insert(stream.end(), last.begin(), last.end());
        auto found = Demux(stream);
        EXPECT_EQ(found.size(), damaged ? 0u : 1u) << "damaged " << damaged;
    }
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
    demux.End();
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
    demux.End();
    EXPECT_EQ(pids, std::vector<PID>{0x11});
}

TEST(TransportStreamDemux, ABadSyncByteCostsOnlyItsOwnPacket) {
    TransportStreamWriter writer;
    std::vector<Bytes> pats;
    for (WORD id = 1; id <= 5; ++id) {
        pats.push_back(PsiBuilder::Pat(id, {{id, 0x100}}));
        writer.AddSection(0, pats.back());
    }
    Bytes stream = writer.GetBytes();
    stream[2 * 188] = 0x46;  // the third packet's sync byte
    TransportStreamDemux::Statistics statistics;
    EXPECT_EQ(Demux(stream, &statistics), (std::vector<Bytes>{pats[0], pats[1], pats[3], pats[4]}))
        << "the whole packet before the damaged one is kept";
    EXPECT_EQ(statistics.packets, 4u);

    // The last packet's successor damaged, at the very end of the stream.
    Bytes tail = writer.GetBytes();
    tail[4 * 188] = 0x00;
    EXPECT_EQ(Demux(tail), (std::vector<Bytes>{pats[0], pats[1], pats[2], pats[3]}));

    // Two damaged sync bytes in a row lose the step: the packet before them cannot be told from noise.
    Bytes two = writer.GetBytes();
    two[2 * 188] = 0x00;
    two[3 * 188] = 0x00;
    EXPECT_EQ(Demux(two), (std::vector<Bytes>{pats[0], pats[4]}));
}

TEST(TransportStreamDemux, ReadsPacketsFramedBy192And204ByteCaptures) {
    Bytes plain = ReadData("mediaset-satellite-100packets.ts");
    ASSERT_EQ(plain.size(), 18800u);
    std::vector<Bytes> expected = Demux(plain);
    ASSERT_GT(expected.size(), 50u);
    // Timecodes and parity full of sync-byte values must not be taken for packet starts.
    const Bytes syncLike(4, 0x47);
    const std::pair<Bytes, Bytes> framings[] = {{{0x12, 0x34, 0x56, 0x78}, {}},
                                                {syncLike, {}},
                                                {{}, Bytes(16, 0x00)},
                                                {{}, Bytes(16, 0x47)}};
    for (const auto& [prefix, suffix] : framings) {
        Bytes framed = Framed(plain, prefix, suffix);
        std::vector<Bytes> found;
        TransportStreamDemux demux([&](PID, const BYTE* s, std::size_t n) { found.emplace_back(s, s + n); });
        // In pieces that cut packets and their frames anywhere.
        for (std::size_t at = 0; at < framed.size(); at += 1000)
            demux.Feed(framed.data() + at, std::min<std::size_t>(1000, framed.size() - at));
        demux.End();
        EXPECT_EQ(demux.PacketStride(), 188 + prefix.size() + suffix.size());
        EXPECT_EQ(demux.GetStatistics().packets, 100u) << "frame " << prefix.size() + suffix.size();
        EXPECT_EQ(found, expected) << "frame " << prefix.size() + suffix.size();
    }
}

TEST(TransportStreamDemux, FedInPiecesOfAnySizeGivesTheSameSections) {
    Bytes plain = ReadData("mediaset-satellite-100packets.ts");
    Bytes noisy = {0x47, 0x01, 0x02};
    noisy.insert(noisy.end(), plain.begin(), plain.end());
    noisy[3 + 40 * 188] = 0x00;
    std::vector<Bytes> whole = Demux(noisy);
    for (std::size_t piece : {1u, 7u, 187u, 188u, 189u, 1000u, 4097u}) {
        std::vector<Bytes> found;
        TransportStreamDemux demux([&](PID, const BYTE* s, std::size_t n) { found.emplace_back(s, s + n); });
        for (std::size_t at = 0; at < noisy.size(); at += piece)
            demux.Feed(noisy.data() + at, std::min(piece, noisy.size() - at));
        demux.End();
        EXPECT_EQ(found, whole) << "pieces of " << piece;
    }
}

TEST(TransportStreamDemux, TableFilterPassesOverUnwantedSectionsAndStreams) {
    TransportStreamWriter writer;
    Bytes eit = PsiBuilder::LongSection(0x4E, 1, Bytes(400, 0x11));
    Bytes pmt = BigPmt(1, 60);
    Bytes sdt = PsiBuilder::Sdt(true, 1, 2, {{1}});
    writer.AddSections(0x12, {eit});
    writer.AddSections(0x11, {PsiBuilder::LongSection(0x4E, 2, Bytes(300, 0x22)), sdt});  // EIT ahead of the SDT
    writer.AddSections(0x100, {pmt});
    // A video stream's packets: a PES header looks like pointer 0 and table_id 0.
    Bytes pes = {0x00, 0x00, 0x01, 0xE0, 0x00, 0x00};
    pes.resize(400, 0x47);
    writer.AddSections(0x200, {pes});
    std::vector<std::pair<PID, Bytes>> found;
    TransportStreamDemux demux([&](PID pid, const BYTE* s, std::size_t n) { found.push_back({pid, Bytes(s, s + n)}); });
    demux.SetTableFilter(&MultiplexSections::Requestable);
    demux.Feed(writer.GetBytes().data(), writer.GetBytes().size());
    demux.End();
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0], (std::pair<PID, Bytes>{0x11, sdt}));
    EXPECT_EQ(found[1], (std::pair<PID, Bytes>{0x100, pmt}));
    EXPECT_EQ(demux.GetStatistics().sections, 2u);

    EXPECT_TRUE(MultiplexSections::Requestable(0x0000, 0x00));
    EXPECT_FALSE(MultiplexSections::Requestable(0x0000, 0x02));
    EXPECT_FALSE(MultiplexSections::Requestable(0x0200, 0x00));
    EXPECT_TRUE(MultiplexSections::Requestable(0x0010, 0x41));
    EXPECT_TRUE(MultiplexSections::Requestable(0x0011, 0x46));
    EXPECT_FALSE(MultiplexSections::Requestable(0x0012, 0x4E));
    EXPECT_TRUE(MultiplexSections::Requestable(0x1FFE, 0x02));
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

TEST(MultiplexSections, ASectionNumberBeyondTheLastIsDroppedAndDoesNotRestartTheTable) {
    MultiplexSections multiplex;
    Bytes part0 = PsiBuilder::Sdt(true, 5, 9, {{1}}, {3, 0, 1, true});
    Bytes part1 = PsiBuilder::Sdt(true, 5, 9, {{2}}, {3, 1, 1, true});
    Bytes beyond = PsiBuilder::Sdt(true, 5, 9, {{3}}, {3, 4, 1, true});
    EXPECT_TRUE(multiplex.AddSection(0x11, part0));
    EXPECT_FALSE(multiplex.AddSection(0x11, beyond));
    EXPECT_TRUE(multiplex.AddSection(0x11, part1));
    EXPECT_EQ(multiplex.FindTable(0x11, 0x42, nullptr), (std::vector<Bytes>{part0, part1}));
    EXPECT_EQ(multiplex.FindSection(0x11, 0x42, nullptr), std::vector<Bytes>{part1});
    EXPECT_EQ(multiplex.GetStatistics().badNumber, 1u);

    // A repeated section is taken without a second check, a changed one with the same number is checked.
    EXPECT_TRUE(multiplex.AddSection(0x11, part0));
    Bytes forged = part0;
    forged[12] ^= 0x01;
    EXPECT_FALSE(multiplex.AddSection(0x11, forged));
    EXPECT_EQ(multiplex.GetStatistics().badCrc, 1u);
    EXPECT_EQ(multiplex.FindSection(0x11, 0x42, nullptr), std::vector<Bytes>{part0});
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
    EXPECT_EQ(none.ReadProblem(), text + " holds no transport-stream packets");
    EXPECT_EQ(none.LoadFile((dir / "missing.ts").string()), E_INVALIDARG);
    EXPECT_EQ(none.LoadFile(dir.Path().string()), E_INVALIDARG);
    EXPECT_EQ(none.ReadProblem(), dir.Path().string() + " is not a regular file");
    EXPECT_EQ(none.OpenFile(text), E_FAIL);
}

TEST(MultiplexSections, ReadsFramedCapturesAndSaysWhereACaptureWasCutShort) {
    Bytes plain = ReadData("mediaset-satellite-100packets.ts");
    MultiplexSections reference;
    reference.AddTransportStream(plain.data(), plain.size());
    const std::vector<Bytes> tables = Tables(reference);
    ASSERT_EQ(tables.size(), 5u);

    TempDir dir;
    const std::pair<std::string, Bytes> captures[] = {
        {"timecoded.m2ts", Framed(plain, {0x00, 0x01, 0x02, 0x03}, {})},
        {"parity.ts", Framed(plain, {}, Bytes(16, 0xAB))},
    };
    for (const auto& [name, bytes] : captures) {
        dir.WriteFile(name, std::string(bytes.begin(), bytes.end()));
        MultiplexSections capture;
        ASSERT_EQ(capture.LoadFile((dir / name).string()), S_OK) << name;
        EXPECT_EQ(capture.PacketCount(), 100u) << name;
        EXPECT_EQ(Tables(capture), tables) << name;
        EXPECT_EQ(capture.ReadProblem(), "") << name;
    }

    // Cut in the middle of its 61st packet: the tables before it, and one line.
    std::string cut = (dir / "cut.ts").string();
    dir.WriteFile("cut.ts", std::string(plain.begin(), plain.begin() + 60 * 188 + 100));
    MultiplexSections partial;
    ASSERT_EQ(partial.LoadFile(cut), S_OK);
    EXPECT_EQ(partial.PacketCount(), 60u);
    EXPECT_EQ(partial.FindTable(0, 0x00, nullptr).size(), 1u);
    EXPECT_EQ(partial.ReadProblem(), cut + " ends in the middle of a packet: its last 100 bytes are not a whole packet");
}

TEST(MultiplexSections, AReadErrorKeepsTheTablesReadBeforeIt) {
    Bytes plain = ReadData("mediaset-satellite-100packets.ts");
    for (std::size_t failAt : {std::size_t{0}, std::size_t{1000}, std::size_t{50 * 188}, plain.size()}) {
        MultiplexSections multiplex;
        std::size_t served = 0;
        int calls = 0;
        auto read = [&](BYTE* buffer, std::size_t room) -> std::ptrdiff_t {
            ++calls;
            if (served >= failAt) return -1;
            std::size_t n = std::min({room, failAt - served, std::size_t{777}});
            std::memcpy(buffer, plain.data() + served, n);
            served += n;
            return static_cast<std::ptrdiff_t>(n);
        };
        MultiplexSections::ReadResult result = multiplex.AddTransportStream(read);
        EXPECT_TRUE(result.failed);
        EXPECT_EQ(result.bytes, failAt);
        EXPECT_EQ(result.packets, failAt / 188) << "every whole packet before the error is used";
        EXPECT_EQ(calls, static_cast<int>((failAt + 776) / 777) + 1) << "no read after the error";
        if (failAt >= 50 * 188) {
            EXPECT_EQ(multiplex.FindTable(0, 0x00, nullptr).size(), 1u);
        }
    }
}

TEST(MultiplexSections, AnOpenedCaptureIsReadWhenATableIsFirstAskedFor) {
    Bytes plain = ReadData("mediaset-satellite-100packets.ts");
    TempDir dir;
    dir.WriteFile("late.ts", std::string(plain.begin(), plain.end() - 50));
    MultiplexSections multiplex;
    std::vector<std::string> lines;
    ASSERT_EQ(multiplex.OpenFile((dir / "late.ts").string(), [&](const std::string& line) { lines.push_back(line); }), S_OK);
    EXPECT_EQ(multiplex.PacketCount(), 0u) << "nothing demultiplexed before it is needed";
    EXPECT_EQ(multiplex.FindTable(0x11, 0x42, nullptr).size(), 1u);
    EXPECT_EQ(multiplex.PacketCount(), 99u);
    EXPECT_EQ(multiplex.FindTable(0, 0x00, nullptr).size(), 1u);
    EXPECT_EQ(multiplex.PacketCount(), 99u) << "read once";

    MultiplexSections carousel;
    ASSERT_EQ(carousel.OpenFile((dir / "late.ts").string()), S_OK);
    EXPECT_EQ(carousel.SectionsByPid().count(0x0000), 1u) << "every way of reading the tables reads the file";
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("ends in the middle of a packet"), std::string::npos) << lines[0];
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

// A file that changes while it is read: what was read is kept, and one line says what happened.
TEST(CaptureFile, AFileThatShrinksOrGrowsWhileItIsReadIsSaidToHaveDoneSo) {
    Bytes plain = ReadData("mediaset-satellite-100packets.ts");
    TempDir dir;
    const std::string path = (dir / "changing.ts").string();
    dir.WriteFile("changing.ts", std::string(plain.begin(), plain.end()));
    BYTE buffer[4096];

    {
        CaptureFile file;
        std::string why;
        ASSERT_TRUE(file.Open(path, why)) << why;
        ASSERT_EQ(file.Read(buffer, 1000), 1000);
        std::filesystem::resize_file(path, 3000);
        EXPECT_EQ(file.Read(buffer, sizeof buffer), 2000);
        EXPECT_EQ(file.Read(buffer, sizeof buffer), 0) << "the end, never a wait";
        EXPECT_EQ(file.Problem(0), path + " became shorter while it was read: 3000 of 18800 bytes read");
    }
    dir.WriteFile("changing.ts", std::string(plain.begin(), plain.end()));
    {
        CaptureFile file;
        std::string why;
        ASSERT_TRUE(file.Open(path, why)) << why;
        std::size_t read = 0;
        for (std::ptrdiff_t n; (n = file.Read(buffer, sizeof buffer)) > 0;) read += static_cast<std::size_t>(n);
        EXPECT_EQ(read, plain.size());
        std::FILE* more = std::fopen(path.c_str(), "ab");
        ASSERT_NE(more, nullptr);
        std::fwrite(plain.data(), 1, 188, more);
        std::fclose(more);
        EXPECT_EQ(file.Read(buffer, sizeof buffer), 0) << "what came after the opening is not followed";
        EXPECT_EQ(file.Problem(0), path + " grew while it was read: only its first 18800 bytes were read");
    }
    {
        CaptureFile file;
        std::string why;
        ASSERT_TRUE(file.Open(path, why));
        while (file.Read(buffer, sizeof buffer) > 0) {
        }
        EXPECT_EQ(file.Problem(0), "") << "read whole as it now stands";
        EXPECT_EQ(file.Problem(40), path + " ends in the middle of a packet: its last 40 bytes are not a whole packet");
    }
    CaptureFile missing;
    std::string why;
    EXPECT_FALSE(missing.Open((dir / "gone.ts").string(), why));
    EXPECT_NE(why.find("gone.ts: "), std::string::npos) << why;
    EXPECT_FALSE(missing.Open(dir.Path().string(), why));
    EXPECT_EQ(why, dir.Path().string() + " is not a regular file");
}

// The same through the section source: the tables of the part that was read, and the line.
TEST(MultiplexSections, ACaptureCutWhileItIsReadKeepsItsTablesAndSaysSo) {
    Bytes plain = ReadData("mediaset-satellite-100packets.ts");
    TempDir dir;
    const std::string path = (dir / "shrunk.ts").string();
    dir.WriteFile("shrunk.ts", std::string(plain.begin(), plain.end()));
    CaptureFile file;
    std::string why;
    ASSERT_TRUE(file.Open(path, why));
    MultiplexSections multiplex;
    int reads = 0;
    MultiplexSections::ReadResult result = multiplex.AddTransportStream([&](BYTE* buffer, std::size_t room) {
        // After the first 60 packets the file is cut in the middle of its 71st.
        if (reads++ == 1) std::filesystem::resize_file(path, 70 * 188 + 10);
        return file.Read(buffer, std::min<std::size_t>(room, 60 * 188));
    });
    EXPECT_FALSE(result.failed);
    EXPECT_EQ(result.packets, 70u);
    EXPECT_EQ(result.cutBytes, 10u);
    EXPECT_EQ(multiplex.FindTable(0, 0x00, nullptr).size(), 1u) << "the PAT came before the cut";
    EXPECT_EQ(file.Problem(result.cutBytes), path + " became shorter while it was read: 13170 of 18800 bytes read");
}
