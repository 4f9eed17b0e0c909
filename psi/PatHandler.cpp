#include "psi/PatHandler.h"

#include <utility>

#include "psi/SectionReader.h"

PatHandler::PatHandler(TransportStreamList& list, LogMessage& verboseLog, QueuePmt queuePmt)
    : streams(list), verbose(verboseLog), queue(std::move(queuePmt)) {}

void PatHandler::Handle(const std::uint8_t* body, int length, int transportStreamId) {
    SectionReader reader(body, length);
    // The lines are per program: unread, they need not even be offered.
    const bool talking = verbose.HasCallbacks();
    for (int entry = 0; entry < length / 4; ++entry) {
        int programNumber = static_cast<int>(reader.Word());
        auto pid = static_cast<std::uint16_t>(reader.Word() & 0x1FFF);
        if (programNumber == 0) {
            if (talking) verbose.ShowFormatted("Skipping nit pid entry with service_id 0x00\n");
            continue;
        }
        // Only the first PAT after a reset names the multiplex.
        if (!streams.GetCurrent()) streams.SetCurrent(streams.FindOrCreate(transportStreamId));
        TransportStreamInfo* current = streams.GetCurrent();
        if (talking) verbose.ShowFormatted("  Found service id 0x%04x with PMT 0x%04x\n", programNumber, pid);
        ServiceInfo* service = current->FindService(programNumber);
        // Only this handler sets a PMT PID, and it asks for that PMT when it does: the same
        // program on the same PID again has been asked for already.
        bool asked = service && pid != 0 && static_cast<std::uint16_t>(service->pmtPid) == pid;
        if (service) {
            if (talking) verbose.ShowFormatted("Existing service object found\n");
        } else {
            service = current->FindOrCreateService(programNumber);
        }
        service->pmtPid = static_cast<std::int16_t>(pid);
        if (pid == 0)
            verbose.ShowFormatted("Skipping adding filter. pmt pid is 0x00\n");
        else if (!asked)
            queue(pid, programNumber);
    }
}
