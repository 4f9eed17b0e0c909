#pragma once
// The descriptor loops of ETSI EN 300 468, 5.1 / ISO/IEC 13818-1, 2.6: each
// descriptor is tag, length and length bytes, so a step is length + 2 taken
// as a whole number. The walk stops when fewer than 2 bytes remain or when a
// descriptor runs past its loop (one verbose line says so).

#include <cstdint>

#include "logging/LogMessage.h"
#include "psi/SectionReader.h"

class DescriptorWalk {
public:
    /// Calls visit(tag, payload reader, descriptor start, descriptor size) for each whole descriptor.
    /// Returns false when the loop ended in a descriptor that runs past it.
    template <class Visit>
    static bool Walk(LogMessage& log, const std::uint8_t* start, int length, Visit&& visit) {
        SectionReader loop(start, length);
        while (loop.Remaining() >= 2) {
            const std::uint8_t* at = loop.Here();
            int size = at[1] + 2;
            if (size > loop.Remaining()) {
                log.ShowFormatted("  descriptor 0x%02x of %i bytes runs past its loop of %i, rest skipped\n", at[0], size,
                                  loop.Remaining());
                return false;
            }
            loop.Skip(size);
            visit(at[0], SectionReader(at + 2, size - 2), at, size);
        }
        return true;
    }

    /// Whether the loop holds a whole descriptor with this tag.
    static bool Contains(const std::uint8_t* start, int length, std::uint8_t tag);

    /// Hex and text rows of 8 bytes, each row starting with a tab.
    static void Dump(LogMessage& log, const std::uint8_t* bytes, int count);
};
