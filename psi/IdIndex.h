#pragma once
// Where each record of a list sits, by its id, for lists that tables fill as they
// are read: a lookup costs the same for the hundredth service as for the first.
// Tables mostly name records in the order they were first met, so the record after
// the last one found is tried before the hash.

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

class IdIndex {
public:
    static constexpr std::size_t kNone = SIZE_MAX;

    /// The position of the record with this id, or kNone.
    std::size_t Find(std::int32_t id) const {
        if (guess < ids.size() && ids[guess] == id) return guess++;
        auto found = positions.find(id);
        if (found == positions.end()) return kNone;
        guess = found->second + 1;
        return found->second;
    }
    /// Records that the next position holds this id, which is not there yet.
    void Append(std::int32_t id) {
        positions.emplace(id, ids.size());
        ids.push_back(id);
        guess = ids.size();
    }
    void Clear() {
        ids.clear();
        positions.clear();
        guess = 0;
    }

private:
    std::vector<std::int32_t> ids;
    std::unordered_map<std::int32_t, std::size_t> positions;
    // Only a hint, so a lookup stays a const read; the lists are used by one thread at a time.
    mutable std::size_t guess = 0;
};
