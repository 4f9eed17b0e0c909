#pragma once
// The multiplexes met since the last reset, in creation order, and the
// current one: the multiplex named by the first PAT.

#include <memory>
#include <vector>

#include "psi/IdIndex.h"
#include "psi/TransportStreamInfo.h"

class TransportStreamList {
public:
    TransportStreamInfo* Find(int transportStreamId) const;
    /// The record with this id, appended when it is not there yet.
    TransportStreamInfo* FindOrCreate(int transportStreamId);
    void Clear();

    TransportStreamInfo* GetCurrent() const { return current; }
    void SetCurrent(TransportStreamInfo* stream) { current = stream; }
    const std::vector<std::unique_ptr<TransportStreamInfo>>& All() const { return streams; }

private:
    std::vector<std::unique_ptr<TransportStreamInfo>> streams;
    IdIndex index;
    TransportStreamInfo* current = nullptr;
};
