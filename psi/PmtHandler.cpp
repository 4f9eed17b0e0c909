#include "psi/PmtHandler.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "psi/DescriptorWalk.h"
#include "psi/SectionReader.h"

namespace {

constexpr std::uint8_t kTagIso639Language = 0x0A;
constexpr std::uint8_t kTagTeletext = 0x56;
constexpr std::uint8_t kTagSubtitling = 0x59;
constexpr std::uint8_t kTagAc3 = 0x6A;
constexpr std::uint8_t kTagEnhancedAc3 = 0x7A;

bool IsVideo(int type) { return type == 0x01 || type == 0x02 || type == 0x10 || type == 0x1B || type == 0x24; }
bool IsAudio(int type) { return type == 0x03 || type == 0x04 || type == 0x0F || type == 0x11; }

// A language code as the log shows it: the code's letters, and '?' for any byte that is not printable
// ASCII (a control code from a broadcast must not reach the terminal); a zero byte ends it.
void LanguageText(const std::uint8_t* code, char (&text)[4]) {
    int i = 0;
    for (; i < 3 && code[i] != 0; ++i) text[i] = code[i] >= 0x20 && code[i] < 0x7F ? static_cast<char>(code[i]) : '?';
    text[i] = 0;
}

}  // namespace

PmtHandler::PmtHandler(TransportStreamList& list, LogMessage& verboseLog) : streams(list), verbose(verboseLog) {}

void PmtHandler::Handle(const std::uint8_t* body, int length, int programNumber) {
    TransportStreamInfo* current = streams.GetCurrent();
    ServiceInfo* service = current ? current->FindService(programNumber) : nullptr;
    if (!service) {
        verbose.ShowFormatted("PMT for serivce_id 0x%04x was not in PAT\n", programNumber);
        return;
    }
    // A PMT read again (a repeated request, a new version) describes the streams anew.
    service->ClearStreams();
    SectionReader reader(body, length);
    reader.Skip(2);  // PCR PID
    int programInfoLength = static_cast<int>(reader.Word() & 0x0FFF);
    reader.Skip(programInfoLength);
    if (reader.Error()) {
        verbose.ShowFormatted("  program_info_length %i runs past the section, streams skipped\n", programInfoLength);
    } else {
        while (reader.Remaining() >= 5) {
            int streamType = reader.Byte();
            int pid = static_cast<int>(reader.Word() & 0x1FFF);
            int esInfoLength = static_cast<int>(reader.Word() & 0x0FFF);
            const std::uint8_t* descriptors = reader.Take(esInfoLength);
            if (!descriptors) {
                verbose.ShowFormatted("  ES_info_length %i of PID 0x%04x runs past the section, rest skipped\n",
                                      esInfoLength, pid);
                break;
            }
            Stream(*service, streamType, pid, descriptors, esInfoLength);
        }
    }
    Summary(*service);
}

void PmtHandler::Stream(ServiceInfo& service, int streamType, int pid, const std::uint8_t* descriptors, int length) {
    auto pid16 = static_cast<std::int16_t>(pid);
    if (IsVideo(streamType)) {
        verbose.ShowFormatted("  VIDEO     : PID 0x%04x\n", pid);
        if (service.videoPid == 0) service.videoPid = pid16;
    } else if (IsAudio(streamType)) {
        verbose.ShowFormatted("  AUDIO     : PID 0x%04x\n", pid);
        if (service.audioCount < ServiceInfo::kMaxAudio) {
            service.audioPids[service.audioCount] = pid16;
            Languages(service, descriptors, length);
            ++service.audioCount;
        } else {
            verbose.ShowFormatted("more than %i audio channels, truncating\n", ServiceInfo::kMaxAudio);
        }
    } else if (streamType == 0x06 && DescriptorWalk::Contains(descriptors, length, kTagTeletext)) {
        verbose.ShowFormatted("  TELETEXT  : PID 0x%04x\n", pid);
        service.teletextPid = pid16;
    } else if (streamType == 0x06 && DescriptorWalk::Contains(descriptors, length, kTagSubtitling)) {
        verbose.ShowFormatted("  SUBTITLING: PID 0x%04x\n", pid);
    } else if (streamType == 0x06 && (DescriptorWalk::Contains(descriptors, length, kTagAc3) ||
                                      DescriptorWalk::Contains(descriptors, length, kTagEnhancedAc3))) {
        verbose.ShowFormatted("  AC3       : PID 0x%04x\n", pid);
        service.ac3Pid = pid16;
        Languages(service, descriptors, length);
    } else {
        verbose.ShowFormatted("  OTHER     : PID 0x%04x TYPE 0x%02x\n", pid, streamType);
    }
}

void PmtHandler::Languages(ServiceInfo& service, const std::uint8_t* descriptors, int length) {
    DescriptorWalk::Walk(verbose, descriptors, length,
                         [&](std::uint8_t tag, SectionReader payload, const std::uint8_t* at, int size) {
                             if (tag != kTagIso639Language) {
                                 verbose.ShowFormatted("    skip descriptor 0x%02x\n", tag);
                                 DescriptorWalk::Dump(verbose, at, size);
                                 return;
                             }
                             if (payload.Remaining() < 4) return;
                             const std::uint8_t* code = payload.Take(3);
                             int audioType = payload.Byte();
                             char text[4];
                             LanguageText(code, text);
                             verbose.ShowFormatted("    LANG=%.3s %d\n", text, audioType);
                             // The slot of the stream being added; an AC-3 stream past the last
                             // slot has nowhere to put it.
                             if (service.audioCount < ServiceInfo::kMaxAudio)
                                 std::memcpy(service.audioLanguages[service.audioCount], code, 3);
                         });
}

void PmtHandler::Summary(const ServiceInfo& service) {
    if (!verbose.HasCallbacks()) return;  // the line would be discarded unread
    std::string audio;
    char item[32];
    for (int slot = 0; slot == 0 || slot < service.audioCount; ++slot) {
        char language[4];
        LanguageText(reinterpret_cast<const std::uint8_t*>(service.audioLanguages[slot]), language);
        std::snprintf(item, sizeof item, slot == 0 ? "0x%04x (%s)" : ", 0x%04x (%s)",
                      static_cast<unsigned>(static_cast<std::uint16_t>(service.audioPids[slot])), language);
        audio += item;
    }
    verbose.ShowFormatted("0x%04x 0x%04x: %s -- %s, pmt_pid 0x%04x, vpid 0x%04x, apid %s\n", service.transportStreamId,
                          service.serviceId, service.providerName.Printable(), service.serviceName.Printable(),
                          static_cast<std::uint16_t>(service.pmtPid), static_cast<std::uint16_t>(service.videoPid),
                          audio.c_str());
}
