#pragma once
// The sections one multiplex sends round, per PID, as a broadcaster repeats
// its tables: from the first moment the tables can be read, the PID carries
// one section every kIntervalMs, going through its sections again and again.
// A filter that starts late joins the round wherever it is.

#include <cstdint>
#include <map>
#include <vector>

#include "platform/sections/Mpeg2Data.h"

class MultiplexSections;

class DvbFakeCarousel {
public:
    using Section = std::vector<BYTE>;
    static constexpr std::int64_t kIntervalMs = 10;

    /// Sections as broadcast, from the multiplex's tables (null for none) and extra raw sections per PID.
    DvbFakeCarousel(const MultiplexSections* sections, const std::map<PID, std::vector<Section>>& extra);

    /// The PID's round; empty when the multiplex does not carry it.
    const std::vector<Section>& Round(PID pid) const;

private:
    std::map<PID, std::vector<Section>> rounds;
};
