#include "scan/BDAChannelScan.h"

#include <cwchar>
#include <iostream>
#include <limits>
#include <string>
#include <vector>

#include "logging/GlobalLogs.h"
#include "platform/Console.h"
#include "platform/TextConversion.h"

namespace {

std::string NarrowName(const std::wstring& wide) {
    int needed = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return {};
    std::vector<char> text(static_cast<std::size_t>(needed));
    WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, text.data(), needed, nullptr, nullptr);
    return text.data();
}

// A driver's name must not drive the terminal: control characters are shown as \xNN.
std::wstring EscapedName(const std::wstring& name) {
    std::wstring shown;
    for (wchar_t c : name) {
        if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
            static const wchar_t kHex[] = L"0123456789ABCDEF";
            shown += L"\\x";
            shown += kHex[(c >> 4) & 0x0F];
            shown += kHex[c & 0x0F];
        } else {
            shown += c;
        }
    }
    return shown;
}

}  // namespace

BDAChannelScan::ComRuntime::~ComRuntime() {
    if (initialised) CoUninitialize();
}

BDAChannelScan::BDAChannelScan() {
    comRuntime.initialised = SUCCEEDED(CoInitializeEx(nullptr, 0));
    guideDataMutex = CreateMutexA(nullptr, FALSE, nullptr);

    cardCollection.SetLogCallback(&logWriter);
    SetLogCallback(&consoleSink);
    SetLogCallback(&logWriter);
    reportConsoleId = parser.reportLog.AddCallback(&consoleSink);
    reportWriterId = parser.reportLog.AddCallback(&logWriter);
    signalLog.AddCallback(&logWriter);
}

BDAChannelScan::~BDAChannelScan() {
    // The console sink dies with the engine: no hub may keep it.
    parser.reportLog.RemoveCallback(reportConsoleId);
    parser.reportLog.RemoveCallback(reportWriterId);
    parser.verboseLog.RemoveCallback(consoleSink.GetId());
    log.RemoveCallback(consoleSink.GetId());
    TearDownGraph();
    parser.ReleaseMpeg2Data();
    channels.clear();
    if (guideDataMutex) CloseHandle(guideDataMutex);
}

HRESULT STDMETHODCALLTYPE BDAChannelScan::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IGuideDataEvent) {
        *object = static_cast<IGuideDataEvent*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE BDAChannelScan::AddRef() { return static_cast<ULONG>(++refCount); }

ULONG STDMETHODCALLTYPE BDAChannelScan::Release() {
    long left = --refCount;
    if (left == 0) delete static_cast<LogMessageCaller*>(this);
    return static_cast<ULONG>(left);
}

HRESULT STDMETHODCALLTYPE BDAChannelScan::GuideDataAcquired() { return S_OK; }
HRESULT STDMETHODCALLTYPE BDAChannelScan::ProgramChanged(VARIANT) { return S_OK; }
HRESULT STDMETHODCALLTYPE BDAChannelScan::ScheduleEntryChanged(VARIANT) { return S_OK; }
HRESULT STDMETHODCALLTYPE BDAChannelScan::ProgramDeleted(VARIANT) { return S_OK; }
HRESULT STDMETHODCALLTYPE BDAChannelScan::ServiceDeleted(VARIANT) { return S_OK; }
HRESULT STDMETHODCALLTYPE BDAChannelScan::ScheduleDeleted(VARIANT) { return S_OK; }

HRESULT STDMETHODCALLTYPE BDAChannelScan::ServiceChanged(VARIANT) {
    DWORD wait = WaitForSingleObject(guideDataMutex, 1000);
    // An abandoned mutex is owned all the same and must be released like any other.
    if (wait != WAIT_OBJECT_0 && wait != WAIT_ABANDONED) return S_OK;
    try {
        if (scanInProgress && lockedOnFrequency) parser.StartScan();
    } catch (...) {
    }
    ReleaseMutex(guideDataMutex);
    return S_OK;
}

void BDAChannelScan::SetScanInProgress(int value) {
    // Under the mutex, so that no event handler is between its test and its StartScan
    // when the frequency's scan ends and the next Reset frees the records.
    DWORD wait = WaitForSingleObject(guideDataMutex, INFINITE);
    scanInProgress = value;
    lockedOnFrequency = 0;
    if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED) ReleaseMutex(guideDataMutex);
}

void BDAChannelScan::ToggleVerbose() {
    if (verbose == 0) {
        verbose = 1;
        verboseConsoleId = parser.verboseLog.AddCallback(&consoleSink);
        verboseWriterId = parser.verboseLog.AddCallback(&logWriter);
    } else {
        verbose = 0;
        parser.verboseLog.RemoveCallback(verboseConsoleId);
        parser.verboseLog.RemoveCallback(verboseWriterId);
    }
}

void BDAChannelScan::CycleLockDetectionMode() {
    ++lockDetectionMode;
    if (lockDetectionMode >= 2) lockDetectionMode = 0;
}

int BDAChannelScan::SelectCard() {
    cardCollection.FindCards();
    const auto& cards = cardCollection.cards;
    int n = static_cast<int>(cards.size());
    if (n == 0) {
        return (log << "\nCould not find any BDA devices. Check that drivers are installed and that the TV tuner "
                       "is connected to your PC.\n")
            .Show(E_FAIL);  // the user must see why the program ends, not only the log
    }
    if (n == 1) {
        selectedCard = cards[0].get();
        (log << "Found BDA device: " << selectedCard->tunerDevice.friendlyName.c_str() << "\n").Write();
        return 0;
    }
    (log << n << " BDA devices found.\n").Show();
    for (;;) {
        std::cout << "Please select which device to use." << std::endl;
        for (int i = 0; i < n; ++i)
            std::cout << (i + 1) << ". "
                      << NarrowName(EscapedName(cards[static_cast<std::size_t>(i)]->tunerDevice.friendlyName))
                      << "\n";
        std::cout << (n + 1) << ". Exit" << std::endl;
        int number = 0;
        for (;;) {
            std::cout << "> " << std::flush;
            if (std::cin >> number) break;
            // The input has ended: nobody is left to choose, so the program ends cleanly,
            // on a terminal with the prompt's line ended for the shell.
            if (std::cin.eof()) {
                DWORD mode = 0;
                if (GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode)) std::cout << std::endl;
                return E_FAIL;
            }
            std::cin.clear();
            std::cin.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
            number = 0;
            break;
        }
        if (number == n + 1) return (log << "Exit chosen\n").Write(E_FAIL);
        if (number > n || number <= 0) {
            std::cout << "Invalid device selection. Please try again." << std::endl;
            continue;
        }
        selectedCard = cards[static_cast<std::size_t>(number - 1)].get();
        return (log << "using " << selectedCard->tunerDevice.friendlyName.c_str() << "\n").Write(0);
    }
}
