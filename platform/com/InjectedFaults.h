#pragma once
// Failures a driver or a broken installation can produce, injected at the
// component layer's own calls so that the system's failure paths can be
// exercised: a filter that cannot be added, a connection refused, a graph
// that does not run (or answers S_FALSE), a tune request refused, a table
// request that fails. The machine sets them when it loads (the world file's
// `fault` lines); tests may set their own. None are set by default.

#include <mutex>
#include <string>
#include <vector>

#include "platform/WinTypes.h"

class InjectedFaults {
public:
    enum class Point {
        AddFilter,    // IFilterGraph::AddFilter of the filter named `filterName`
        Connect,      // IFilterGraph::ConnectDirect into an input pin of the filter named `filterName`
        Run,          // IMediaControl::Run
        TuneRequest,  // ITuner::put_TuneRequest of the network provider
        GetTable,     // IMpeg2Data::GetTable on `pid` (-1: any PID)
    };

    struct Fault {
        Point point = Point::Run;
        std::wstring filterName;
        int pid = -1;
        /// Calls at the point that pass before the fault shows.
        int after = 0;
        /// A failure code: the call does nothing and returns it. A success code (S_FALSE): the call
        /// does its work and returns that code instead of S_OK.
        HRESULT result = E_FAIL;
    };

    /// Replaces every fault; call counts start again.
    static void Set(std::vector<Fault> faults);
    static void Clear();
    /// Counts one call at the point and returns the injected result, or S_OK when none applies.
    static HRESULT Check(Point point, const wchar_t* filterName = nullptr, int pid = -1);

private:
    struct Armed {
        Fault fault;
        int calls = 0;
    };
    static std::mutex mutex;
    static std::vector<Armed> armed;
};
