#include "platform/com/InjectedFaults.h"

std::mutex InjectedFaults::mutex;
std::vector<InjectedFaults::Armed> InjectedFaults::armed;

void InjectedFaults::Set(std::vector<Fault> faults) {
    std::lock_guard<std::mutex> lock(mutex);
    armed.clear();
    for (Fault& fault : faults) armed.push_back(Armed{std::move(fault), 0});
}

void InjectedFaults::Clear() { Set({}); }

HRESULT InjectedFaults::Check(Point point, const wchar_t* filterName, int pid) {
    std::lock_guard<std::mutex> lock(mutex);
    for (Armed& each : armed) {
        const Fault& fault = each.fault;
        if (fault.point != point) continue;
        if ((point == Point::AddFilter || point == Point::Connect) &&
            (!filterName || fault.filterName != filterName))
            continue;
        if (point == Point::GetTable && fault.pid != -1 && fault.pid != pid) continue;
        if (each.calls++ < fault.after) continue;
        return fault.result;
    }
    return S_OK;
}
