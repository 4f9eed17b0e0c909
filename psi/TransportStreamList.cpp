#include "psi/TransportStreamList.h"

TransportStreamInfo* TransportStreamList::Find(int transportStreamId) const {
    for (const auto& stream : streams)
        if (stream->transportStreamId == transportStreamId) return stream.get();
    return nullptr;
}

TransportStreamInfo* TransportStreamList::FindOrCreate(int transportStreamId) {
    if (TransportStreamInfo* found = Find(transportStreamId)) return found;
    streams.push_back(std::make_unique<TransportStreamInfo>(transportStreamId));
    return streams.back().get();
}

void TransportStreamList::Clear() {
    current = nullptr;
    streams.clear();
}
