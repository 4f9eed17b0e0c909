// Reading tables through the demux of the fake kernel device.

#include <fcntl.h>
#include <poll.h>

#include <functional>

#include "DvbTestSupport.h"
#include "platform/Kernel.h"
#include "platform/dvb/DvbTableReader.h"

namespace {

using Bytes = std::vector<BYTE>;

// Passes every call to the fake kernel, letting a test step in before a call of its choice.
class InterceptingCalls final : public DvbSystemCalls {
public:
    explicit InterceptingCalls(DvbSystemCalls& inner) : calls(inner) {}
    std::function<long(int fd)> beforeRead;
    std::function<void()> beforePoll;

    int Open(const std::string& path, int flags) override { return calls.Open(path, flags); }
    int Close(int fd) override { return calls.Close(fd); }
    int Ioctl(int fd, unsigned long request, void* argument) override { return calls.Ioctl(fd, request, argument); }
    int Poll(int fd, short events, int timeoutMs) override {
        if (beforePoll) beforePoll();
        return calls.Poll(fd, events, timeoutMs);
    }
    long Read(int fd, void* buffer, std::size_t size) override {
        if (beforeRead) {
            long result = beforeRead(fd);
            if (result) return result;
        }
        return calls.Read(fd, buffer, size);
    }
    int ListDirectory(const std::string& path, std::vector<std::string>& names) override {
        return calls.ListDirectory(path, names);
    }

private:
    DvbSystemCalls& calls;
};

class DvbTableReaderTest : public DvbTest {
protected:
    void SetUp() override {
        DvbTest::SetUp();
        SimMux& mux = AddMux(506000);
        mux.lockDelayMs = 100;
        pat = PsiBuilder::Pat(0x1001, {{1, 0x100}, {2, 0x100}});
        Carry(mux, 0x0000, pat);
        sdt = ThreeSectionSdt(0x1001);
        for (const auto& section : sdt) Carry(mux, 0x0011, section);
        pmt1 = PsiBuilder::Pmt(1, 0x200, {}, {{0x02, 0x200}});
        pmt2 = PsiBuilder::Pmt(2, 0x300, {}, {{0x02, 0x300}});
        Carry(mux, 0x0100, pmt1);
        Carry(mux, 0x0100, pmt2);
    }

    /// Adapter 0 with its frontend tuned to the multiplex (held by the test, as a tuner filter would).
    void Tune(DvbFakeFrontendSetup setup = Setup("A")) {
        Kernel().AddAdapter(setup);
        frontendFd = Kernel().Open(DvbFakeKernel::FrontendPath(0), O_RDWR | O_NONBLOCK);
        ASSERT_GE(frontendFd, 0);
        std::vector<dtv_property> properties(4);
        properties[0].cmd = DTV_DELIVERY_SYSTEM;
        properties[0].u.data = SYS_DVBT;
        properties[1].cmd = DTV_FREQUENCY;
        properties[1].u.data = 506000000;
        properties[2].cmd = DTV_BANDWIDTH_HZ;
        properties[2].u.data = 8000000;
        properties[3].cmd = DTV_TUNE;
        dtv_properties request{4, properties.data()};
        ASSERT_EQ(Kernel().Ioctl(frontendFd, FE_SET_PROPERTY, &request), 0);
    }
    void TearDown() override {
        if (frontendFd >= 0) Kernel().Close(frontendFd);
        EXPECT_EQ(Kernel().OpenDescriptors(), 0) << "a descriptor was left open";
        DvbTest::TearDown();
    }

    Bytes pat;
    std::vector<Bytes> sdt;
    Bytes pmt1;
    Bytes pmt2;
    int frontendFd = -1;
};

TEST_F(DvbTableReaderTest, FiltersThePidAndTableIdWithTheKernelsCrcCheckAndClosesTheDemux) {
    Tune();
    DvbTableReader reader(Kernel(), DvbFakeKernel::DemuxPath(0));
    std::vector<Bytes> sections;
    ASSERT_EQ(reader.ReadTable(0x0000, 0x00, nullptr, 5000, sections), S_OK);
    EXPECT_EQ(sections, std::vector<Bytes>{pat});

    auto filters = Kernel().Filters(0);
    ASSERT_EQ(filters.size(), 1u);
    const dmx_sct_filter_params& params = filters[0];
    EXPECT_EQ(params.pid, 0x0000);
    EXPECT_EQ(params.filter.filter[0], 0x00);
    EXPECT_EQ(params.filter.mask[0], 0xFF);
    for (int i = 1; i < DMX_FILTER_SIZE; ++i) EXPECT_EQ(params.filter.mask[i], 0) << "mask byte " << i;
    EXPECT_EQ(params.timeout, 0u);
    EXPECT_EQ(params.flags, static_cast<std::uint32_t>(DMX_CHECK_CRC | DMX_IMMEDIATE_START));
    EXPECT_EQ(Kernel().BufferSizes(0), std::vector<unsigned long>{DvbTableReader::kBufferSize});
    auto opens = Kernel().Opens();
    EXPECT_EQ(opens.back(), std::make_pair(std::string("/dev/dvb/adapter0/demux0"), O_RDWR | O_NONBLOCK));
}

TEST_F(DvbTableReaderTest, ARequestedExtensionAndVersionGoIntoTheKernelFilter) {
    Tune();
    DvbTableReader reader(Kernel(), DvbFakeKernel::DemuxPath(0));
    MPEG2_FILTER filter{};
    filter.fSpecifyTableIdExtension = TRUE;
    filter.TableIdExtension = 2;
    filter.fSpecifyVersion = TRUE;
    filter.Version = 0;
    std::vector<Bytes> sections;
    ASSERT_EQ(reader.ReadTable(0x0100, 0x02, &filter, 5000, sections), S_OK);
    EXPECT_EQ(sections, std::vector<Bytes>{pmt2});
    const dmx_sct_filter_params params = Kernel().Filters(0).back();
    EXPECT_EQ(params.filter.filter[1], 0x00);
    EXPECT_EQ(params.filter.filter[2], 0x02);
    EXPECT_EQ(params.filter.mask[1], 0xFF);
    EXPECT_EQ(params.filter.mask[2], 0xFF);
    EXPECT_EQ(params.filter.mask[3], 0x3E);
}

TEST_F(DvbTableReaderTest, MultiSectionTablesAndSeveralProgramsOnOnePidComeWhole) {
    Tune();
    Sleep(1000);  // the round of every PID is somewhere in the middle now
    DvbTableReader reader(Kernel(), DvbFakeKernel::DemuxPath(0));
    std::vector<Bytes> sections;
    ASSERT_EQ(reader.ReadTable(0x0011, 0x42, nullptr, 5000, sections), S_OK);
    EXPECT_EQ(sections, sdt);
    ASSERT_EQ(reader.ReadTable(0x0100, 0x02, nullptr, 5000, sections), S_OK);
    // In the order the round brought them, each whole.
    ASSERT_EQ(sections.size(), 2u);
    if (sections[0] != pmt1) std::swap(sections[0], sections[1]);
    EXPECT_EQ(sections, (std::vector<Bytes>{pmt1, pmt2}));
}

TEST_F(DvbTableReaderTest, ATableThatNeverArrivesTimesOutAfterExactlyItsTime) {
    Tune();
    DvbTableReader reader(Kernel(), DvbFakeKernel::DemuxPath(0));
    std::vector<Bytes> sections{pat};
    std::int64_t start = Now();
    EXPECT_EQ(reader.ReadTable(0x0010, 0x40, nullptr, 15000, sections), HRESULT_TIMEOUT);
    EXPECT_EQ(Now() - start, 15000);
    EXPECT_TRUE(sections.empty());
    // A table id that the PID does not carry.
    start = Now();
    EXPECT_EQ(reader.ReadTable(0x0011, 0x46, nullptr, 5000, sections), HRESULT_TIMEOUT);
    EXPECT_EQ(Now() - start, 5000);
}

TEST_F(DvbTableReaderTest, BadCrcsThatTheDriverLetsThroughAndNextSectionsAreLeftOut) {
    Bytes corrupt = sdt[1];
    corrupt[15] ^= 0x01;
    PsiBuilder::Service other(0x999, PsiBuilder::ServiceDescriptor(1, "P", "Next"));
    Bytes next = PsiBuilder::Sdt(true, 0x1001, 9018, {other}, {2, 1, 2, false});
    Kernel().AddRawSections(506000, 0x0011, {corrupt, next});
    DvbFakeFrontendSetup setup = Setup("A");
    setup.checksCrc = false;
    Tune(setup);
    DvbTableReader reader(Kernel(), DvbFakeKernel::DemuxPath(0));
    std::vector<Bytes> sections;
    ASSERT_EQ(reader.ReadTable(0x0011, 0x42, nullptr, 5000, sections), S_OK);
    EXPECT_EQ(sections, sdt);
    EXPECT_GE(reader.LastStatistics().badCrc, 1u);
    EXPECT_GE(reader.LastStatistics().notCurrent, 1u);
}

TEST_F(DvbTableReaderTest, TheKernelDropsBadCrcsItself) {
    Bytes corrupt = pat;
    corrupt[10] ^= 0x20;
    Kernel().AddRawSections(506000, 0x0000, {corrupt});
    Tune();
    DvbTableReader reader(Kernel(), DvbFakeKernel::DemuxPath(0));
    std::vector<Bytes> sections;
    ASSERT_EQ(reader.ReadTable(0x0000, 0x00, nullptr, 5000, sections), S_OK);
    EXPECT_EQ(sections, std::vector<Bytes>{pat});
    EXPECT_EQ(reader.LastStatistics().badCrc, 0u);
}

TEST_F(DvbTableReaderTest, AnOverflowIsReadPastAndTheTableStillComesWhole) {
    Tune();
    InterceptingCalls calls(Kernel());
    int reads = 0;
    calls.beforeRead = [&](int) -> long { return ++reads == 2 ? -EOVERFLOW : 0; };
    DvbTableReader reader(calls, DvbFakeKernel::DemuxPath(0));
    std::vector<Bytes> sections;
    ASSERT_EQ(reader.ReadTable(0x0011, 0x42, nullptr, 5000, sections), S_OK);
    EXPECT_EQ(sections, sdt);
    EXPECT_EQ(reader.LastStatistics().overflows, 1u);
}

TEST_F(DvbTableReaderTest, ADemuxThatDisappearsEndsTheReadingAtOnceWithALine) {
    Tune();
    InterceptingCalls calls(Kernel());
    calls.beforePoll = [&] { Kernel().RemoveAdapter(0); };
    DvbTableReader reader(calls, DvbFakeKernel::DemuxPath(0));
    std::vector<Bytes> sections;
    std::int64_t start = Now();
    EXPECT_TRUE(FAILED(reader.ReadTable(0x0011, 0x42, nullptr, 5000, sections)));
    EXPECT_LT(Now() - start, 100);
    EXPECT_EQ(Problems(), std::vector<std::string>{"/dev/dvb/adapter0/demux0 has gone (unplugged?)."});
    // Once gone, the next table fails at the open.
    EXPECT_TRUE(FAILED(reader.ReadTable(0x0000, 0x00, nullptr, 5000, sections)));
}

TEST_F(DvbTableReaderTest, NoTablesWhileTheTunerHasNotLockedAndNoneFromANodeThatIsNotThere) {
    DvbTableReader nowhere(Kernel(), "/dev/dvb/adapter7/demux0");
    std::vector<Bytes> sections;
    EXPECT_TRUE(FAILED(nowhere.ReadTable(0x0000, 0x00, nullptr, 5000, sections)));
    Tune();
    // The multiplex locks 100 ms after the tune: a request made at once still gets the PAT.
    DvbTableReader reader(Kernel(), DvbFakeKernel::DemuxPath(0));
    ASSERT_EQ(reader.ReadTable(0x0000, 0x00, nullptr, 5000, sections), S_OK);
    EXPECT_GE(Now(), 100);
}

// The fake demux itself, as the kernel documents it: one section per read, non-blocking reads,
// poll with a time-out, and a buffer that overflows when it is not read in time.
TEST_F(DvbTableReaderTest, FakeDemuxFollowsTheKernelsSemantics) {
    Tune();
    Sleep(200);
    int fd = Kernel().Open(DvbFakeKernel::DemuxPath(0), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    Bytes buffer(4096);
    EXPECT_EQ(Kernel().Read(fd, buffer.data(), buffer.size()), -EAGAIN);
    dmx_sct_filter_params params{};
    params.pid = 0x0011;
    params.filter.filter[0] = 0x42;
    params.filter.mask[0] = 0xFF;
    params.flags = DMX_CHECK_CRC;
    ASSERT_EQ(Kernel().Ioctl(fd, DMX_SET_FILTER, &params), 0);
    std::int64_t start = Now();
    EXPECT_EQ(Kernel().Poll(fd, POLLIN, 250), 0) << "not started";
    EXPECT_EQ(Now() - start, 250);
    ASSERT_EQ(Kernel().Ioctl(fd, DMX_START, nullptr), 0);
    EXPECT_TRUE(Kernel().Poll(fd, POLLIN, 1000) & POLLIN);
    long count = Kernel().Read(fd, buffer.data(), buffer.size());
    ASSERT_GT(count, 0);
    Bytes first(buffer.begin(), buffer.begin() + count);
    EXPECT_TRUE(first == sdt[0] || first == sdt[1] || first == sdt[2]) << "one whole section per read";
    EXPECT_EQ(Kernel().Read(fd, buffer.data(), buffer.size()), -EAGAIN);

    ASSERT_EQ(Kernel().Ioctl(fd, DMX_STOP, nullptr), 0);
    ASSERT_EQ(Kernel().Ioctl(fd, DMX_SET_BUFFER_SIZE, reinterpret_cast<void*>(std::uintptr_t{300})), 0);
    ASSERT_EQ(Kernel().Ioctl(fd, DMX_START, nullptr), 0);
    Sleep(100);  // ten sections of about a hundred bytes into a buffer of 300
    EXPECT_TRUE(Kernel().Poll(fd, POLLIN, 0) & POLLERR);
    EXPECT_EQ(Kernel().Read(fd, buffer.data(), buffer.size()), -EOVERFLOW);
    EXPECT_EQ(Kernel().Read(fd, buffer.data(), buffer.size()), -EAGAIN) << "the buffer is flushed";
    EXPECT_TRUE(Kernel().Poll(fd, POLLIN, 1000) & POLLIN);
    EXPECT_GT(Kernel().Read(fd, buffer.data(), buffer.size()), 0);
    EXPECT_EQ(Kernel().Close(fd), 0);
    EXPECT_EQ(Kernel().Close(fd), -EBADF);
}

}  // namespace
