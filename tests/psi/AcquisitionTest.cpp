// How the reader asks for its tables and what it says when the sections
// interface fails it: each request's PID, table and time-out in order, and
// each failure's line on the report log only.

#include <gtest/gtest.h>

#include <tuple>

#include "PsiTestSupport.h"
#include "platform/sections/SectionList.h"

namespace {

using B = PsiBuilder;
using Request = std::tuple<int, int, unsigned>;  // PID, table_id, time-out in ms

// A list whose count or sections fail as told.
class FailingList final : public ComObject<ISectionList> {
public:
    FailingList(HRESULT countResult, WORD sectionCount, std::vector<BYTE> onlySection)
        : count(countResult), sections(sectionCount), section(std::move(onlySection)) {}
    HRESULT GetNumberOfSections(WORD* number) override {
        *number = sections;
        return count;
    }
    // Every index but the last fails.
    HRESULT GetSectionData(WORD index, DWORD* length, SECTION** data) override {
        if (index + 1 != sections) return E_INVALIDARG;
        *length = static_cast<DWORD>(section.size());
        *data = reinterpret_cast<SECTION*>(section.data());
        return S_OK;
    }
    HRESULT GetProgramIdentifier(PID* pid) override { return *pid = 0, S_OK; }
    HRESULT GetTableIdentifier(TID* tid) override { return *tid = 0, S_OK; }

private:
    HRESULT count;
    WORD sections;
    std::vector<BYTE> section;
};

// Records every request; answers from a table of sections, or with a list made to fail, or with a failure.
class ScriptedSource final : public ComObject<IMpeg2Data> {
public:
    HRESULT GetSection(PID, TID, MPEG2_FILTER*, DWORD, ISectionList** list) override {
        *list = nullptr;
        return E_NOTIMPL;
    }
    HRESULT GetTable(PID pid, TID tableId, MPEG2_FILTER* filter, DWORD timeoutMs, ISectionList** list) override {
        requests.emplace_back(pid, tableId, timeoutMs);
        filters += filter ? 1 : 0;
        *list = nullptr;
        if (pid == 0 && pat) {
            *list = NewComObject<SectionList>(pid, tableId, std::vector<std::vector<BYTE>>{*pat});
            return S_OK;
        }
        if (pid == 0x11 && failingList) {
            *list = NewComObject<FailingList>(countResult, 3, HostOrder(B::Sdt(true, 1, 1, {{7}})));
            return S_OK;
        }
        return pid == 0x10 ? E_UNEXPECTED : HRESULT_TIMEOUT;
    }

    std::vector<Request> requests;
    int filters = 0;
    const std::vector<BYTE>* pat = nullptr;
    bool failingList = false;
    HRESULT countResult = S_OK;
};

class Acquisition : public testing::Test {
protected:
    void Scan() {
        p.parser.Reset();
        p.parser.SetMpeg2Data(source->Identity());
        p.parser.StartScan();
        ASSERT_EQ(p.parser.WaitForScanToFinish(), WAIT_OBJECT_0);
        p.parser.ReleaseMpeg2Data();
    }

    ComPtr<ScriptedSource> source = ComPtr<ScriptedSource>::Attach(NewComObject<ScriptedSource>());
    RecordingParser p;
};

TEST_F(Acquisition, TablesAreAskedForInOrderEachWithItsTimeOut) {
    std::vector<BYTE> pat = B::Pat(0x20, {{0, 0x10}, {3, 0x300}, {1, 0x100}, {2, 0}});
    source->pat = &pat;
    Scan();
    EXPECT_EQ(source->requests, (std::vector<Request>{{0x0000, 0x00, 5000u},
                                                      {0x0010, 0x40, 15000u},
                                                      {0x0011, 0x42, 5000u},
                                                      {0x0300, 0x02, 5000u},
                                                      {0x0100, 0x02, 5000u}}));
    EXPECT_EQ(source->filters, 0) << "whole tables, no filter";
    EXPECT_EQ(p.Report(),
              "Timeout getting table (pid=0010, tid=40)\nTimeout getting table (pid=0011, tid=42)\n"
              "Timeout getting table (pid=0300, tid=02)\nTimeout getting table (pid=0100, tid=02)\n")
        << "any failure of GetTable reads as a time-out";
    EXPECT_EQ(p.verbose.Shown(), p.Verbose()) << "the reader's lines are shown";
    EXPECT_EQ(p.report.Shown(), p.Report());
    EXPECT_EQ(p.Verbose().find("Timeout"), std::string::npos) << "failures are for the report log only";
}

TEST_F(Acquisition, AListThatCannotCountIsReportedWithItsCode) {
    source->failingList = true;
    source->countResult = static_cast<HRESULT>(0x8007001Fu);
    Scan();
    EXPECT_EQ(p.Report(),
              "Timeout getting table (pid=0000, tid=00)\nTimeout getting table (pid=0010, tid=40)\n"
              "Error 0x8007001f getting number of sections\n");
    EXPECT_EQ(p.Verbose().find("section(s) found for pid=0011"), std::string::npos);
}

TEST_F(Acquisition, SectionsThatCannotBeReadAreSkippedWithoutALine) {
    source->failingList = true;
    Scan();
    EXPECT_EQ(p.Report(), "Timeout getting table (pid=0000, tid=00)\nTimeout getting table (pid=0010, tid=40)\n");
    EXPECT_EQ(p.Verbose(),
              "\n3 section(s) found for pid=0011, tid=42\npid \n"
              "pid 0x11 tid 0x42 table_id_ext 0x0001, 0/0 (version 0)\nSDT (actual TS)\n")
        << "only the third section, the one that could be read, is handled";
    EXPECT_NE(p.parser.GetTransportStreams().Find(1), nullptr);
}

TEST_F(Acquisition, WithoutASectionsInterfaceNothingIsAskedFor) {
    p.parser.Reset();
    p.parser.SetMpeg2Data(nullptr);
    p.parser.StartScan();
    ASSERT_EQ(p.parser.WaitForScanToFinish(), WAIT_OBJECT_0);
    EXPECT_TRUE(source->requests.empty());
    EXPECT_EQ(p.Report(), "");
    EXPECT_EQ(p.Verbose(), "");

    // A filter that offers no sections interface is as none.
    ComPtr<FailingList> notASource = ComPtr<FailingList>::Attach(NewComObject<FailingList>(S_OK, 0, std::vector<BYTE>{}));
    p.parser.Reset();
    p.parser.SetMpeg2Data(notASource->Identity());
    p.parser.StartScan();
    ASSERT_EQ(p.parser.WaitForScanToFinish(), WAIT_OBJECT_0);
    EXPECT_EQ(p.Report(), "");
}

}  // namespace
