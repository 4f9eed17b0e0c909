#pragma once
// Where each record of a list sits, by its id, for lists that tables fill as they
// are read: a lookup costs about the same for the thousandth service as for the first.
// Tables mostly name records in the order they were first met, so the record after
// the last one found is tried first.

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

class IdIndex {
public:
    static constexpr std::size_t kNone = SIZE_MAX;
    /// Up to this many records the ids are searched in turn; beyond, they are hashed.
    static constexpr std::size_t kSearchedLength = 32;

    /// The position of the record with this id, or kNone.
    std::size_t Find(std::int32_t id) const {
        if (guess < ids.size() && ids[guess] == id) return guess++;
        // Records are mostly made the moment they are first missed: a bit per id's low six
        // bits tells most of those misses without a search.
        if (!(seen & Bit(id))) return kNone;
        return Search(id);
    }
    /// Records that the next position holds this id, which is not there yet.
    void Append(std::int32_t id) {
        if (ids.empty()) ids.reserve(16);
        ids.push_back(id);
        seen |= Bit(id);
        // A short list is searched faster than hashed, and costs no allocation per record.
        if (ids.size() > kSearchedLength) {
            if (positions.empty())
                for (std::size_t i = 0; i + 1 < ids.size(); ++i) positions.emplace(ids[i], i);
            positions.emplace(id, ids.size() - 1);
        }
        guess = ids.size();
    }
    void Clear() {
        ids.clear();
        positions.clear();
        seen = 0;
        guess = 0;
    }

private:
    std::size_t Search(std::int32_t id) const;
    static std::uint64_t Bit(std::int32_t id) { return std::uint64_t{1} << (static_cast<std::uint32_t>(id) & 63); }

    std::vector<std::int32_t> ids;
    std::uint64_t seen = 0;
    std::unordered_map<std::int32_t, std::size_t> positions;
    // Only a hint, so a lookup stays a const read; the lists are used by one thread at a time.
    mutable std::size_t guess = 0;
};
