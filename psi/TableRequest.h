#pragma once
// One table to fetch, with what has been handed to the handlers so far:
// per table_id_extension (several PMTs may share a PID) its version and the
// section numbers already handled.

#include <bitset>
#include <cstdint>
#include <map>
#include <memory>

class TableRequest {
public:
    TableRequest(std::uint16_t requestPid, std::uint8_t requestTableId, std::int64_t timeoutSeconds)
        : pid(requestPid), tableId(requestTableId), timeout(timeoutSeconds) {}

    struct Received {
        int version = -1;
        std::bitset<256> sections;
    };

    std::uint16_t pid;
    std::uint8_t tableId;
    std::int64_t timeout;  // seconds
    std::int32_t recordedExtension = -1;  // of the section handled last
    std::int32_t recordedVersion = -1;

    /// What has been handled of the sub-table with this table_id_extension.
    Received& ReceivedFor(int extension) {
        // Nearly every request meets one sub-table only: it needs no map node.
        if (firstExtension == -1) firstExtension = extension;
        if (extension == firstExtension) return first;
        if (!others) others = std::make_unique<std::map<int, Received>>();
        return (*others)[extension];
    }

private:
    int firstExtension = -1;
    Received first;
    std::unique_ptr<std::map<int, Received>> others;  // the rest, made when first needed
};
