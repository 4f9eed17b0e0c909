#pragma once
// A fake kernel behind the backend's system-call seam: adapters at
// /dev/dvb/adapterN with one frontend0 and one demux0 each, fed by a
// simulated world. Opens follow the kernel's rules (any number read-only, one
// read-write, EBUSY for a second non-blocking read-write open, EACCES for a
// node the user may not open, ENODEV once the adapter is unplugged); waits
// (poll, blocking reads) run on the platform clock, so the fake works on the
// virtual clock too. Thread-safe: every call holds the platform clock's lock.

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/dvb/DvbSystemCalls.h"
#include "platform/dvb/fake/DvbFakeFrontend.h"
#include "platform/dvb/fake/DvbFakeSectionFilter.h"

class DvbFakeKernel final : public DvbSystemCalls {
public:
    explicit DvbFakeKernel(std::shared_ptr<const SimWorld> world);
    ~DvbFakeKernel() override;

    /// Plugs in an adapter with one frontend and one demux; returns its number (0, 1, ...).
    int AddAdapter(DvbFakeFrontendSetup setup);
    /// Unplugs it: its nodes disappear, and descriptors still open fail with ENODEV.
    void RemoveAdapter(int adapter);
    /// Another program holds (or lets go of) the adapter's frontend read-write.
    void SetHeldElsewhere(int adapter, bool held);
    /// The multiplex at this frequency (kHz) is DVB-T2: only a DVB-T2 tune receives it.
    void SetSecondGeneration(int frequencyKHz);
    /// Raw sections that the multiplex at this frequency carries besides its tables (unchecked: bad CRCs too).
    void AddRawSections(int frequencyKHz, PID pid, std::vector<std::vector<BYTE>> sections);

    static std::string FrontendPath(int adapter) { return AdapterPath(adapter) + "/frontend0"; }
    static std::string DemuxPath(int adapter) { return AdapterPath(adapter) + "/demux0"; }
    static std::string AdapterPath(int adapter) { return "/dev/dvb/adapter" + std::to_string(adapter); }

    // What the backend did, for tests.
    int OpenDescriptors() const;
    /// Every open (path and flags) in order, failed ones included.
    std::vector<std::pair<std::string, int>> Opens() const;
    std::vector<std::vector<std::pair<std::uint32_t, std::uint32_t>>> SetPropertyCalls(int adapter) const;
    std::vector<dmx_sct_filter_params> Filters(int adapter) const;
    std::vector<unsigned long> BufferSizes(int adapter) const;
    DvbFakeTune CurrentTune(int adapter) const;

    int Open(const std::string& path, int flags) override;
    int Close(int fd) override;
    int Ioctl(int fd, unsigned long request, void* argument) override;
    int Poll(int fd, short events, int timeoutMs) override;
    long Read(int fd, void* buffer, std::size_t size) override;
    int ListDirectory(const std::string& path, std::vector<std::string>& names) override;

private:
    struct Adapter {
        std::unique_ptr<DvbFakeFrontend> frontend;
        bool removed = false;
        bool writer = false;
        bool heldElsewhere = false;
        // Kept from closed filters, so that tests can look at them afterwards.
        std::vector<dmx_sct_filter_params> filters;
        std::vector<unsigned long> bufferSizes;
    };
    struct Descriptor {
        int adapter = 0;
        bool frontend = false;
        bool readWrite = false;
        std::unique_ptr<DvbFakeSectionFilter> filter;
    };

    DvbFakeStream StreamOf(int adapter);
    Descriptor* Find(int fd);
    const Adapter* FindAdapter(int adapter) const;

    std::shared_ptr<const SimWorld> world;
    std::shared_ptr<std::set<int>> secondGeneration;
    std::map<int, std::map<PID, std::vector<std::vector<BYTE>>>> rawSections;
    std::map<const SimMux*, std::shared_ptr<const DvbFakeCarousel>> carousels;
    std::vector<Adapter> adapters;
    std::map<int, Descriptor> descriptors;
    std::vector<std::pair<std::string, int>> opens;
    int nextFd = 100;
    /// Moves on with every change a waiter could be waiting for.
    unsigned changes = 0;
};
