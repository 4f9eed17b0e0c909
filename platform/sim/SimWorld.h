#pragma once
// The simulated machine and its airwaves as the world file describes them:
// the cards installed, the multiplexes on the air and the noise between them.

#include <memory>
#include <string>
#include <vector>

#include "platform/com/InjectedFaults.h"

class MultiplexSections;

struct SimCard {
    enum class Broken { None, Demod, Capture };
    enum class Output { Bda, Mpeg2, None };
    /// What the tuner's BDA topology offers: a demodulator node with statistics (the default), a tuner
    /// node with statistics of its own ahead of it, no statistics at all, no topology, or failing node types.
    enum class Topology { Demod, Both, NoStatistics, None, Failing };

    std::wstring name;
    /// The tuner and its receiver components: 1, 2 (capture) or 3 (demodulator, capture).
    int filters = 3;
    Broken broken = Broken::None;
    /// The transport-stream type that the card's last filter offers.
    Output output = Output::Bda;
    Topology topology = Topology::Demod;
};

struct SimMux {
    int frequencyKHz = 0;
    int bandwidthMHz = 0;
    int strength = 80;
    int quality = 90;
    bool locked = true;
    bool present = true;
    /// Time after a tune before the tuner reports lock.
    int lockDelayMs = 0;
    /// Readings vary by up to this much around their level.
    int jitter = 0;
    /// Time after lock before the multiplex's tables can be read.
    int tablesDelayMs = 0;
    /// ServiceChanged events the transport information filter raises after a tune that locks (0 to 2).
    int serviceEvents = 1;
    /// The transport-stream file whose sections the multiplex carries, resolved; empty for none.
    std::string transportStreamPath;
    /// The sections the multiplex carries, shared by every tuner of the world; null for none.
    std::shared_ptr<MultiplexSections> sections;

    /// Whether the tuner delivers the stream once settled: locked, or with a quality above zero.
    bool Delivers() const { return present && (locked || quality > 0); }
};

struct SimNoise {
    int frequencyKHz = 0;
    int bandwidthMHz = 0;
    int strength = 40;
};

class SimWorld {
public:
    /// How a tuner's frequency may be off a transmitter's and still receive it.
    static constexpr int kCaptureRangeKHz = 50;

    std::vector<SimCard> cards;
    std::vector<SimMux> muxes;
    std::vector<SimNoise> noises;
    /// Driver failures the machine injects while this world is loaded.
    std::vector<InjectedFaults::Fault> faults;

    /// Reads a whole world; on failure the world is untouched and the error names source, line and fault.
    /// Transport-stream paths are taken relative to baseDirectory.
    static bool Parse(const std::string& text, const std::string& sourceName, const std::string& baseDirectory,
                      SimWorld& world, std::string& error);
    static bool LoadFile(const std::string& path, SimWorld& world, std::string& error);
    /// The radio side of the demonstration world used when no world file is named (its tables are
    /// added by SimDemonstrationWorld).
    static const char* BuiltInText();

    /// The multiplex a tuner at this frequency and bandwidth receives, else null.
    const SimMux* MuxAt(int frequencyKHz, int bandwidthMHz) const;
    const SimNoise* NoiseAt(int frequencyKHz, int bandwidthMHz) const;
};
