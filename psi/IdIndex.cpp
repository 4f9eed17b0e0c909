#include "psi/IdIndex.h"

std::size_t IdIndex::Search(std::int32_t id) const {
    std::size_t at = kNone;
    if (positions.empty()) {
        for (std::size_t i = 0; i < ids.size(); ++i)
            if (ids[i] == id) {
                at = i;
                break;
            }
    } else if (auto found = positions.find(id); found != positions.end()) {
        at = found->second;
    }
    if (at != kNone) guess = at + 1;
    return at;
}
