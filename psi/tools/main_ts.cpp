// tunewright-ts: what a scan would report for a captured multiplex.
//   tunewright-ts [-v] FILE.ts
// Reads the capture through the same section source and table reader that a
// scan uses (network number 1) and prints, with -v, the table reader's lines,
// then the network block and channel table.

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "logging/LogMessageCallback.h"
#include "platform/Clock.h"
#include "platform/sections/Mpeg2DataSource.h"
#include "platform/sections/MultiplexSections.h"
#include "psi/Mpeg2DataParser.h"

namespace {

// Broadcast texts reach the hubs byte by byte; they go out as the same bytes.
class StandardOutput : public LogMessageCallback {
public:
    void Write(const wchar_t* text) override {
        for (; *text; ++text) std::fputc(static_cast<unsigned char>(*text), stdout);
    }
};

int Usage() {
    std::fprintf(stderr, "usage: tunewright-ts [-v] FILE.ts\n");
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    bool verbose = false;
    const char* path = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-v") == 0 && !verbose && !path)
            verbose = true;
        else if (!path && argv[i][0] != '-')
            path = argv[i];
        else
            return Usage();
    }
    if (!path) return Usage();

    auto sections = std::make_shared<MultiplexSections>();
    HRESULT hr = sections->LoadFile(path);
    if (hr == E_INVALIDARG) {
        std::fprintf(stderr, "tunewright-ts: cannot read %s\n", path);
        return 1;
    }
    if (FAILED(hr)) {
        std::fprintf(stderr, "tunewright-ts: %s is not an MPEG transport stream\n", path);
        return 1;
    }

    // The whole capture is already here: a missing table need not be waited for in real time.
    Clock::Instance().SetMode(Clock::Mode::Virtual);

    StandardOutput output;
    ComPtr<Mpeg2DataSource> source = ComPtr<Mpeg2DataSource>::Attach(NewComObject<Mpeg2DataSource>(sections));
    int result = 0;
    {
        Mpeg2DataParser parser;
        parser.reportLog.AddCallback(&output);
        if (verbose) parser.verboseLog.AddCallback(&output);
        parser.Reset();
        parser.SetMpeg2Data(source->Identity());
        parser.SetNetworkNumber(1);
        parser.StartScan();
        DWORD wait = parser.WaitForScanToFinish();
        if (wait == WAIT_OBJECT_0) {
            parser.PrintNetworkInfo();
        } else {
            std::fprintf(stderr, "tunewright-ts: the table reader did not finish (%u)\n", static_cast<unsigned>(wait));
            result = 1;
        }
        parser.ReleaseMpeg2Data();
    }
    std::fflush(stdout);
    return result;
}
