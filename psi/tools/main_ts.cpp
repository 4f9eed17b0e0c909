// tunewright-ts: what a scan would report for a captured multiplex.
//   tunewright-ts [-v] FILE.ts | --help | --version
// Reads the capture through the same section source and table reader that a
// scan uses (network number 1) and prints, with -v, the table reader's lines,
// then the network block and channel table.

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <ios>
#include <memory>
#include <system_error>
#include <string>

#include "logging/LogMessageCallback.h"
#include "logging/NarrowText.h"
#include "platform/Clock.h"
#include "platform/VersionConfig.h"
#include "platform/sections/Mpeg2DataSource.h"
#include "platform/sections/MultiplexSections.h"
#include "psi/Mpeg2DataParser.h"

namespace {

// Narrows as the program's own sinks do, so a name comes out as the same bytes here as in a scan.
class StandardOutput : public LogMessageCallback {
public:
    void Write(const wchar_t* text) override {
        if (auto narrow = ToNarrowText(text)) std::fwrite(narrow->data(), 1, narrow->size(), stdout);
    }
};

// A folder reads as nothing and a FIFO or device may never end: only a regular file is a capture.
const char* NotACapture(const char* path) {
    std::error_code error;
    auto status = std::filesystem::status(path, error);
    if (error || !std::filesystem::exists(status)) return nullptr;  // the read below names it
    if (std::filesystem::is_directory(status)) return "a folder, not a file";
    if (!std::filesystem::is_regular_file(status)) return "not a regular file";
    return nullptr;
}

const char kUsage[] = "usage: tunewright-ts [-v] FILE.ts\n";

const char kHelp[] =
    "Prints what a scan would report for a captured multiplex: the network block and\n"
    "the channel table, read through the same section source and table reader.\n"
    "\n"
    "  -v         the table reader's verbose lines first\n"
    "  --help     this text\n"
    "  --version  the version\n"
    "\n"
    "Exit status: 0 done; 1 wrong arguments, a file that cannot be read or is not an\n"
    "MPEG transport stream; 3 the capture holds no PAT.\n";

int Usage() {
    std::fputs(kUsage, stderr);
    return 1;
}

// Scripts tell a capture without a PAT (nothing to report) from one that was read.
constexpr int kExitNoPat = 3;

}  // namespace

int main(int argc, char** argv) {
    bool verbose = false;
    const char* path = nullptr;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (!optionsEnded && (std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0)) {
            std::fputs(kUsage, stdout);
            std::fputs(kHelp, stdout);
            return std::fflush(stdout) == 0 ? 0 : 1;
        }
        if (!optionsEnded && std::strcmp(argument, "--version") == 0) {
            std::printf("tunewright-ts %s\n", TUNEWRIGHT_FILE_VERSION);
            return std::fflush(stdout) == 0 ? 0 : 1;
        }
        if (!optionsEnded && std::strcmp(argument, "--") == 0)
            optionsEnded = true;
        else if (!optionsEnded && std::strcmp(argument, "-v") == 0 && !verbose && !path)
            verbose = true;
        else if (!path && (optionsEnded || argument[0] != '-' || argument[1] == '\0'))
            path = argument;
        else
            return Usage();
    }
    if (!path) return Usage();

    if (const char* why = NotACapture(path)) {
        std::fprintf(stderr, "tunewright-ts: cannot read %s (%s)\n", path, why);
        return 1;
    }
    auto sections = std::make_shared<MultiplexSections>();
    HRESULT hr = E_INVALIDARG;
    try {
        hr = sections->LoadFile(path);
    } catch (const std::ios_base::failure&) {
        hr = E_INVALIDARG;
    }
    if (hr == E_INVALIDARG) {
        std::fprintf(stderr, "tunewright-ts: cannot read %s\n", path);
        return 1;
    }
    if (FAILED(hr)) {
        std::fprintf(stderr, "tunewright-ts: %s is not an MPEG transport stream\n", path);
        return 1;
    }
    // A capture read only in part (cut short, changed or failing while read) still gives its tables.
    std::string problem = sections->ReadProblem();
    if (!problem.empty()) std::fprintf(stderr, "tunewright-ts: %s\n", problem.c_str());

    // The whole capture is already here: a missing table need not be waited for in real time.
    Clock::Instance().SetMode(Clock::Mode::Virtual);

    StandardOutput output;
    ComPtr<Mpeg2DataSource> source = ComPtr<Mpeg2DataSource>::Attach(NewComObject<Mpeg2DataSource>(sections));
    // Where waits take real time (Windows), a table the capture lacks is not waited for either.
    source->SetFinal(true);
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
            if (!parser.GetCurrentTransportStream()) {
                std::fflush(stdout);
                std::fprintf(stderr, "tunewright-ts: %s holds no PAT\n", path);
                result = kExitNoPat;
            }
        } else {
            std::fprintf(stderr, "tunewright-ts: the table reader did not finish (%u)\n", static_cast<unsigned>(wait));
            result = 1;
        }
        parser.ReleaseMpeg2Data();
    }
    std::fflush(stdout);
    return result;
}
