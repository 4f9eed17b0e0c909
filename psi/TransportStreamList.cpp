#include "psi/TransportStreamList.h"

TransportStreamInfo* TransportStreamList::Find(int transportStreamId) const {
    std::size_t at = index.Find(transportStreamId);
    return at == IdIndex::kNone ? nullptr : streams[at].get();
}

TransportStreamInfo* TransportStreamList::FindOrCreate(int transportStreamId) {
    if (TransportStreamInfo* found = Find(transportStreamId)) return found;
    index.Append(transportStreamId);
    streams.push_back(std::make_unique<TransportStreamInfo>(transportStreamId));
    return streams.back().get();
}

void TransportStreamList::Clear() {
    current = nullptr;
    streams.clear();
    index.Clear();
}
