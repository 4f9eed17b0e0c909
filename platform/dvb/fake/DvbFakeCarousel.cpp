#include "platform/dvb/fake/DvbFakeCarousel.h"

#include "platform/sections/MultiplexSections.h"

DvbFakeCarousel::DvbFakeCarousel(const MultiplexSections* sections, const std::map<PID, std::vector<Section>>& extra) {
    if (sections) rounds = sections->SectionsByPid();
    for (const auto& [pid, added] : extra) rounds[pid].insert(rounds[pid].end(), added.begin(), added.end());
}

const std::vector<DvbFakeCarousel::Section>& DvbFakeCarousel::Round(PID pid) const {
    static const std::vector<Section> none;
    auto it = rounds.find(pid);
    return it == rounds.end() ? none : it->second;
}
