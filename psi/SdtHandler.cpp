#include "psi/SdtHandler.h"

#include "psi/DescriptorWalk.h"

namespace {

constexpr std::uint8_t kTagServiceDescriptor = 0x48;

const char* RunningStatusText(int status) {
    switch (status) {
        case 1: return "not running";
        case 2: return "starts soon";
        case 3: return "pausing";
        case 4: return "running";
        default: return "???";
    }
}

}  // namespace

SdtHandler::SdtHandler(TransportStreamList& list, LogMessage& verboseLog) : streams(list), verbose(verboseLog) {}

void SdtHandler::Handle(const std::uint8_t* body, int length, int transportStreamId) {
    TransportStreamInfo* stream = streams.FindOrCreate(transportStreamId);
    SectionReader reader(body, length);
    reader.Skip(3);  // original_network_id, reserved
    while (reader.Remaining() > 4) {
        int remaining = reader.Remaining();
        int serviceId = static_cast<int>(reader.Word());
        reader.Skip(1);  // EIT flags
        unsigned flags = reader.Word();
        int loopLength = static_cast<int>(flags & 0x0FFF);
        const std::uint8_t* descriptors = reader.Take(loopLength);
        if (!descriptors) {
            verbose.ShowFormatted(
                "  section too short: service_id == 0x%02x, section_length == %i, remainingLength == %i\n", serviceId,
                remaining, loopLength);
            return;
        }
        ServiceInfo* service = stream->FindOrCreateService(serviceId);
        service->runningStatus = static_cast<int>(flags >> 13);
        service->freeCaMode = (flags & 0x1000) != 0;
        service->transportStreamId = transportStreamId;
        DescriptorWalk::Walk(verbose, descriptors, loopLength,
                             [&](std::uint8_t tag, SectionReader, const std::uint8_t* at, int size) {
                                 if (tag == kTagServiceDescriptor) {
                                     ServiceDescriptor(*service, at + 2, size - 2);
                                 } else {
                                     verbose.ShowFormatted("  skip descriptor 0x%02x\n", tag);
                                     DescriptorWalk::Dump(verbose, at, size);
                                 }
                             });
    }
}

void SdtHandler::ServiceDescriptor(ServiceInfo& service, const std::uint8_t* descriptor, int length) {
    SectionReader payload(descriptor, length);
    int serviceType = payload.Byte();
    int providerLength = payload.Byte();
    const std::uint8_t* provider = payload.Take(providerLength);
    int nameLength = payload.Byte();
    const std::uint8_t* name = payload.Take(nameLength);
    if (payload.Error()) {
        // What is whole is kept: the type, and the provider when only the name is cut.
        verbose.ShowFormatted("  service descriptor of service 0x%04x is cut short\n", service.serviceId);
        if (!provider) return;
    }
    service.serviceType = static_cast<std::uint8_t>(serviceType);
    if (provider) service.providerName.SetCleaned(provider, providerLength);
    if (name) service.serviceName.SetCleaned(name, nameLength);
    if (!verbose.HasCallbacks()) return;  // a line per service, unread
    verbose.ShowFormatted("  0x%04x 0x%04x: pmt_pid 0x%04x %s -- %s (%s%s)\n", service.transportStreamId,
                          service.serviceId, static_cast<std::uint16_t>(service.pmtPid),
                          service.providerName.Printable(), service.serviceName.Printable(),
                          RunningStatusText(service.runningStatus), service.freeCaMode ? ", scrambled" : "");
}
