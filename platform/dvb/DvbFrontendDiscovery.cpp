#include "platform/dvb/DvbFrontendDiscovery.h"

#include <sys/ioctl.h>
#include <fcntl.h>
#include <linux/dvb/frontend.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/dvb/DvbReport.h"

namespace {

const char* SystemName(std::uint32_t system) {
    switch (system) {
    case SYS_DVBC_ANNEX_A: case SYS_DVBC_ANNEX_B: case SYS_DVBC_ANNEX_C: case SYS_ISDBC: return "cable";
    case SYS_DVBS: case SYS_DVBS2: case SYS_DSS: case SYS_ISDBS: case SYS_TURBO: return "satellite";
    case SYS_ATSC: case SYS_ATSCMH: return "ATSC";
    case SYS_ISDBT: return "ISDB-T";
    case SYS_DTMB: return "DTMB";
    default: return "other";
    }
}

std::string Kinds(const std::vector<std::uint32_t>& systems) {
    std::vector<std::string> kinds;
    for (std::uint32_t system : systems) {
        std::string kind = SystemName(system);
        if (std::find(kinds.begin(), kinds.end(), kind) == kinds.end()) kinds.push_back(kind);
    }
    std::string text;
    for (const auto& kind : kinds) text += (text.empty() ? "" : "/") + kind;
    return text.empty() ? "no delivery system" : text;
}

}  // namespace

DvbFrontendDiscovery::DvbFrontendDiscovery(DvbSystemCalls& systemCalls, std::string rootPath)
    : calls(systemCalls), root(std::move(rootPath)) {}

std::vector<int> DvbFrontendDiscovery::Numbered(const std::vector<std::string>& names, const std::string& prefix) {
    std::vector<int> numbers;
    for (const auto& name : names) {
        if (name.size() <= prefix.size() || name.size() > prefix.size() + 4 || name.compare(0, prefix.size(), prefix) != 0)
            continue;
        std::string digits = name.substr(prefix.size());
        if (digits.find_first_not_of("0123456789") != std::string::npos) continue;
        numbers.push_back(std::stoi(digits));
    }
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

int DvbFrontendDiscovery::Describe(DvbSystemCalls& calls, DvbFrontendDescription& description,
                                   std::vector<std::uint32_t>& systems) {
    systems.clear();
    int fd = calls.Open(description.path, O_RDONLY | O_NONBLOCK);
    if (fd < 0) return fd;
    dvb_frontend_info info{};
    int result = calls.Ioctl(fd, FE_GET_INFO, &info);
    if (result >= 0) {
        info.name[sizeof info.name - 1] = '\0';
        description.name = info.name;
        dtv_property property{};
        property.cmd = DTV_ENUM_DELSYS;
        dtv_properties properties{1, &property};
        if (calls.Ioctl(fd, FE_GET_PROPERTY, &properties) >= 0 && property.u.buffer.len > 0) {
            std::uint32_t count = std::min<std::uint32_t>(property.u.buffer.len, sizeof property.u.buffer.data);
            for (std::uint32_t i = 0; i < count; ++i) systems.push_back(property.u.buffer.data[i]);
        } else {
            // A driver of API 3 days: its one type is all there is to know.
            switch (info.type) {
            case FE_OFDM: systems.push_back(SYS_DVBT); break;
            case FE_QPSK: systems.push_back(SYS_DVBS); break;
            case FE_QAM: systems.push_back(SYS_DVBC_ANNEX_A); break;
            case FE_ATSC: systems.push_back(SYS_ATSC); break;
            }
        }
        result = 0;
    }
    calls.Close(fd);
    return result;
}

std::vector<DvbFrontendDescription> DvbFrontendDiscovery::Find() {
    std::vector<DvbFrontendDescription> found;
    std::vector<std::string> names;
    if (calls.ListDirectory(root, names) < 0) return found;
    for (int adapter : Numbered(names, "adapter")) {
        std::string adapterPath = root + "/adapter" + std::to_string(adapter);
        std::vector<std::string> nodes;
        if (calls.ListDirectory(adapterPath, nodes) < 0) continue;
        std::vector<int> demuxes = Numbered(nodes, "demux");
        for (int frontend : Numbered(nodes, "frontend")) {
            DvbFrontendDescription description;
            description.adapter = adapter;
            description.frontend = frontend;
            description.path = adapterPath + "/frontend" + std::to_string(frontend);
            // Frontend M feeds demux M where the adapter has one per frontend, else the adapter's first.
            int demux = std::count(demuxes.begin(), demuxes.end(), frontend) ? frontend : (demuxes.empty() ? 0 : demuxes.front());
            description.demuxPath = adapterPath + "/demux" + std::to_string(demux);
            std::vector<std::uint32_t> systems;
            int result = Describe(calls, description, systems);
            if (result == -EACCES || result == -EPERM) {
                DvbReport::Problem(description.path + ": permission denied. To use this tuner, add your user to the "
                                   "group that owns it (usually 'video': sudo usermod -aG video $USER) and log in again.");
                continue;
            }
            if (result < 0) {
                DvbReport::Problem(description.path + ": cannot be opened (" + std::strerror(-result) + "); skipped.");
                continue;
            }
            description.dvbt = std::count(systems.begin(), systems.end(), SYS_DVBT) != 0;
            description.dvbt2 = std::count(systems.begin(), systems.end(), SYS_DVBT2) != 0;
            if (!description.dvbt && !description.dvbt2) {
                DvbReport::Problem(description.path + " (" + description.name + ") is a " + Kinds(systems) +
                                   " tuner, not DVB-T; skipped.");
                continue;
            }
            // In use by another program? A non-blocking read-write open fails at once and leaves it alone.
            int probe = calls.Open(description.path, O_RDWR | O_NONBLOCK);
            if (probe == -EBUSY) {
                DvbReport::Problem(description.path + " (" + description.name +
                                   ") is in use by another program; skipped. Close that program and choose again.");
                continue;
            }
            if (probe == -EACCES || probe == -EPERM) {
                DvbReport::Problem(description.path + ": permission denied for tuning. To use this tuner, add your user "
                                   "to the group that owns it (usually 'video': sudo usermod -aG video $USER) and log in again.");
                continue;
            }
            if (probe >= 0) calls.Close(probe);
            found.push_back(description);
        }
    }
    return found;
}
