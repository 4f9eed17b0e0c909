#pragma once
// Helpers for the table reader's tests: a parser whose hubs record, and
// sections handed to its dispatcher as the sections interface would hand them.

#include <string>
#include <vector>

#include "RecordingSink.h"
#include "platform/sections/PsiBuilder.h"
#include "psi/Mpeg2DataParser.h"

/// The section with its two header words turned to host order, as ISectionList gives it.
std::vector<BYTE> HostOrder(std::vector<BYTE> section);

struct RecordingParser {
    RecordingParser();
    ~RecordingParser();

    /// Dispatches each section (as broadcast) for one fresh request on pid.
    void Feed(PID pid, TID tableId, const std::vector<std::vector<BYTE>>& sections);
    void Feed(PID pid, const std::vector<BYTE>& section) { Feed(pid, section[0], {section}); }

    std::string Verbose() const { return verbose.Recorded(); }
    std::string Report() const { return report.Recorded(); }
    std::string PrintReport();

    Mpeg2DataParser parser;
    RecordingSink verbose;
    RecordingSink report;
};

std::string Hex(const std::vector<BYTE>& bytes);
