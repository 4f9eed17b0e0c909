#include "platform/dvb/fake/DvbFakeKernel.h"

#include <sys/ioctl.h>
#include <fcntl.h>
#include <poll.h>

#include <cerrno>
#include <cstdlib>

#include "platform/Clock.h"

namespace {

// "/dev/dvb/adapterN/frontend0" -> N and "frontend0"; false for anything else.
bool ParseNode(const std::string& path, int& adapter, std::string& node) {
    static const std::string prefix = "/dev/dvb/adapter";
    if (path.compare(0, prefix.size(), prefix) != 0) return false;
    std::size_t slash = path.find('/', prefix.size());
    std::string number = path.substr(prefix.size(), slash == std::string::npos ? std::string::npos : slash - prefix.size());
    if (number.empty() || number.size() > 4 || number.find_first_not_of("0123456789") != std::string::npos) return false;
    adapter = std::atoi(number.c_str());
    node = slash == std::string::npos ? std::string() : path.substr(slash + 1);
    return true;
}

}  // namespace

DvbFakeKernel::DvbFakeKernel(std::shared_ptr<const SimWorld> simWorld)
    : world(std::move(simWorld)), secondGeneration(std::make_shared<std::set<int>>()) {}

DvbFakeKernel::~DvbFakeKernel() = default;

int DvbFakeKernel::AddAdapter(DvbFakeFrontendSetup setup) {
    auto lock = Clock::Instance().Lock();
    Adapter adapter;
    adapter.frontend = std::make_unique<DvbFakeFrontend>(std::move(setup), world, secondGeneration);
    adapters.push_back(std::move(adapter));
    return static_cast<int>(adapters.size()) - 1;
}

void DvbFakeKernel::RemoveAdapter(int number) {
    auto lock = Clock::Instance().Lock();
    if (number < 0 || static_cast<std::size_t>(number) >= adapters.size()) return;
    adapters[static_cast<std::size_t>(number)].removed = true;
    ++changes;
    Clock::Instance().NotifyAll();
}

void DvbFakeKernel::SetHeldElsewhere(int number, bool held) {
    auto lock = Clock::Instance().Lock();
    if (number < 0 || static_cast<std::size_t>(number) >= adapters.size()) return;
    adapters[static_cast<std::size_t>(number)].heldElsewhere = held;
    ++changes;
    Clock::Instance().NotifyAll();
}

void DvbFakeKernel::SetSecondGeneration(int frequencyKHz) {
    auto lock = Clock::Instance().Lock();
    secondGeneration->insert(frequencyKHz);
}

void DvbFakeKernel::AddRawSections(int frequencyKHz, PID pid, std::vector<std::vector<BYTE>> sections) {
    auto lock = Clock::Instance().Lock();
    auto& list = rawSections[frequencyKHz][pid];
    list.insert(list.end(), sections.begin(), sections.end());
    carousels.clear();
}

const DvbFakeKernel::Adapter* DvbFakeKernel::FindAdapter(int number) const {
    if (number < 0 || static_cast<std::size_t>(number) >= adapters.size()) return nullptr;
    return &adapters[static_cast<std::size_t>(number)];
}

int DvbFakeKernel::OpenDescriptors() const {
    auto lock = Clock::Instance().Lock();
    return static_cast<int>(descriptors.size());
}

std::vector<std::pair<std::string, int>> DvbFakeKernel::Opens() const {
    auto lock = Clock::Instance().Lock();
    return opens;
}

std::vector<std::vector<std::pair<std::uint32_t, std::uint32_t>>> DvbFakeKernel::SetPropertyCalls(int number) const {
    auto lock = Clock::Instance().Lock();
    const Adapter* adapter = FindAdapter(number);
    return adapter ? adapter->frontend->SetPropertyCalls()
                   : std::vector<std::vector<std::pair<std::uint32_t, std::uint32_t>>>{};
}

std::vector<dmx_sct_filter_params> DvbFakeKernel::Filters(int number) const {
    auto lock = Clock::Instance().Lock();
    const Adapter* adapter = FindAdapter(number);
    return adapter ? adapter->filters : std::vector<dmx_sct_filter_params>{};
}

std::vector<unsigned long> DvbFakeKernel::BufferSizes(int number) const {
    auto lock = Clock::Instance().Lock();
    const Adapter* adapter = FindAdapter(number);
    return adapter ? adapter->bufferSizes : std::vector<unsigned long>{};
}

DvbFakeTune DvbFakeKernel::CurrentTune(int number) const {
    auto lock = Clock::Instance().Lock();
    const Adapter* adapter = FindAdapter(number);
    return adapter ? adapter->frontend->CurrentTune() : DvbFakeTune{};
}

DvbFakeKernel::Descriptor* DvbFakeKernel::Find(int fd) {
    auto it = descriptors.find(fd);
    return it == descriptors.end() ? nullptr : &it->second;
}

DvbFakeStream DvbFakeKernel::StreamOf(int number) {
    DvbFakeStream stream;
    const DvbFakeTune& tune = adapters[static_cast<std::size_t>(number)].frontend->CurrentTune();
    stream.generation = tune.generation;
    const SimMux* mux = tune.mux;
    // The transport stream flows once the frontend has locked, and not before.
    if (!mux || tune.wrongSystem || !mux->present || !mux->locked) return stream;
    auto& carousel = carousels[mux];
    if (!carousel) {
        auto raw = rawSections.find(mux->frequencyKHz);
        carousel = std::make_shared<DvbFakeCarousel>(mux->sections.get(),
                                                     raw == rawSections.end() ? std::map<PID, std::vector<std::vector<BYTE>>>{}
                                                                              : raw->second);
    }
    stream.carousel = carousel;
    stream.startMs = tune.tunedAtMs + mux->lockDelayMs + mux->tablesDelayMs;
    return stream;
}

int DvbFakeKernel::Open(const std::string& path, int flags) {
    Clock& clock = Clock::Instance();
    auto lock = clock.Lock();
    opens.emplace_back(path, flags);
    int number = 0;
    std::string node;
    if (!ParseNode(path, number, node) || (node != "frontend0" && node != "demux0")) return -ENOENT;
    if (!FindAdapter(number) || adapters[static_cast<std::size_t>(number)].removed) return -ENOENT;
    Adapter& adapter = adapters[static_cast<std::size_t>(number)];
    if (adapter.frontend->Setup().accessDenied) return -EACCES;
    Descriptor descriptor;
    descriptor.adapter = number;
    descriptor.readWrite = (flags & O_ACCMODE) == O_RDWR;
    if (node == "frontend0") {
        descriptor.frontend = true;
        if (descriptor.readWrite) {
            if ((adapter.writer || adapter.heldElsewhere) && (flags & O_NONBLOCK)) return -EBUSY;
            // A blocking read-write open waits for the other user to let go, as the kernel does.
            unsigned seen = changes;
            while (adapter.writer || adapter.heldElsewhere) {
                clock.WaitUntil(lock, Clock::kNoDeadline, [&] { return changes != seen; });
                seen = changes;
                if (adapter.removed) return -ENODEV;
            }
            adapter.writer = true;
            adapter.frontend->ReadWriteOpened();
        }
    } else {
        descriptor.filter = std::make_unique<DvbFakeSectionFilter>(adapter.frontend->Setup().checksCrc,
                                                                   (flags & O_NONBLOCK) != 0);
    }
    int fd = nextFd++;
    descriptors.emplace(fd, std::move(descriptor));
    return fd;
}

int DvbFakeKernel::Close(int fd) {
    auto lock = Clock::Instance().Lock();
    Descriptor* descriptor = Find(fd);
    if (!descriptor) return -EBADF;
    if (descriptor->frontend && descriptor->readWrite) adapters[static_cast<std::size_t>(descriptor->adapter)].writer = false;
    descriptors.erase(fd);
    ++changes;
    Clock::Instance().NotifyAll();
    return 0;
}

int DvbFakeKernel::Ioctl(int fd, unsigned long request, void* argument) {
    Clock& clock = Clock::Instance();
    auto lock = clock.Lock();
    Descriptor* descriptor = Find(fd);
    if (!descriptor) return -EBADF;
    Adapter& adapter = adapters[static_cast<std::size_t>(descriptor->adapter)];
    if (adapter.removed) return -ENODEV;
    std::int64_t now = clock.NowMs(lock);
    int result;
    if (descriptor->frontend) {
        result = adapter.frontend->Ioctl(request, argument, descriptor->readWrite, now);
    } else {
        // Sections that went out under the old filter are not the new filter's.
        descriptor->filter->CatchUp(StreamOf(descriptor->adapter), now);
        result = descriptor->filter->Ioctl(request, argument, now);
        if (request == DMX_SET_FILTER && argument)
            adapter.filters.push_back(*static_cast<const dmx_sct_filter_params*>(argument));
        if (request == DMX_SET_BUFFER_SIZE)
            adapter.bufferSizes.push_back(static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(argument)));
    }
    ++changes;
    clock.NotifyAll();
    return result;
}

int DvbFakeKernel::Poll(int fd, short events, int timeoutMs) {
    Clock& clock = Clock::Instance();
    auto lock = clock.Lock();
    const std::int64_t deadline = timeoutMs < 0 ? Clock::kNoDeadline : clock.NowMs(lock) + timeoutMs;
    for (;;) {
        Descriptor* descriptor = Find(fd);
        if (!descriptor) return -EBADF;
        if (adapters[static_cast<std::size_t>(descriptor->adapter)].removed) return POLLERR | POLLHUP;
        std::int64_t now = clock.NowMs(lock);
        std::int64_t next = -1;
        if (descriptor->filter) {
            DvbFakeStream stream = StreamOf(descriptor->adapter);
            descriptor->filter->CatchUp(stream, now);
            if (descriptor->filter->Readable()) {
                short ready = static_cast<short>((POLLIN | POLLRDNORM) & (events | POLLRDNORM));
                if (descriptor->filter->Overflowed()) ready = static_cast<short>(ready | POLLERR);
                if (ready) return ready;
            }
            next = descriptor->filter->NextSectionMs(stream);
        }
        if (deadline != Clock::kNoDeadline && now >= deadline) return 0;
        std::int64_t wake = deadline;
        if (next >= 0 && (wake == Clock::kNoDeadline || next < wake)) wake = std::max(next, now + 1);
        unsigned seen = changes;
        clock.WaitUntil(lock, wake, [&] { return changes != seen; });
    }
}

long DvbFakeKernel::Read(int fd, void* buffer, std::size_t size) {
    Clock& clock = Clock::Instance();
    auto lock = clock.Lock();
    if (!buffer) return -EFAULT;
    std::int64_t deadline = Clock::kNoDeadline;
    for (;;) {
        Descriptor* descriptor = Find(fd);
        if (!descriptor) return -EBADF;
        if (adapters[static_cast<std::size_t>(descriptor->adapter)].removed) return -ENODEV;
        if (!descriptor->filter) return -EINVAL;
        DvbFakeSectionFilter& filter = *descriptor->filter;
        std::int64_t now = clock.NowMs(lock);
        DvbFakeStream stream = StreamOf(descriptor->adapter);
        filter.CatchUp(stream, now);
        long result = filter.Read(buffer, size);
        if (result != -EAGAIN || filter.NonBlocking()) return result;
        if (deadline == Clock::kNoDeadline && filter.TimeoutSeconds() > 0)
            deadline = now + static_cast<std::int64_t>(filter.TimeoutSeconds()) * 1000;
        if (deadline != Clock::kNoDeadline && now >= deadline) return -ETIMEDOUT;
        std::int64_t next = filter.NextSectionMs(stream);
        std::int64_t wake = deadline;
        if (next >= 0 && (wake == Clock::kNoDeadline || next < wake)) wake = std::max(next, now + 1);
        unsigned seen = changes;
        clock.WaitUntil(lock, wake, [&] { return changes != seen; });
    }
}

int DvbFakeKernel::ListDirectory(const std::string& path, std::vector<std::string>& names) {
    auto lock = Clock::Instance().Lock();
    names.clear();
    if (path == "/dev/dvb" || path == "/dev/dvb/") {
        for (std::size_t i = 0; i < adapters.size(); ++i)
            if (!adapters[i].removed) names.push_back("adapter" + std::to_string(i));
        return names.empty() ? -ENOENT : 0;
    }
    int number = 0;
    std::string node;
    if (!ParseNode(path, number, node) || !node.empty() || !FindAdapter(number) ||
        adapters[static_cast<std::size_t>(number)].removed)
        return -ENOENT;
    names = {"demux0", "dvr0", "frontend0", "net0"};
    return 0;
}
