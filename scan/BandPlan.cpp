#include "scan/BandPlan.h"

namespace {

std::vector<int> Raster(std::vector<int> head, int from, int to, int step, std::vector<int> tail = {}) {
    for (int f = from; f <= to; f += step) head.push_back(f);
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

}  // namespace

const std::vector<int>& BandPlan::UK() {
    static const std::vector<int> list = Raster({306000, 462000}, 474000, 850000, 8000);
    return list;
}

const std::vector<int>& BandPlan::Australia() {
    static const std::vector<int> list = [] {
        std::vector<int> vhf = Raster({}, 177500, 226500, 7000);
        return Raster(vhf, 529500, 816500, 7000);
    }();
    return list;
}

const std::vector<int>& BandPlan::EuropeVHF() {
    // Kept in the order the plan was drawn up in; it is not sorted.
    static const std::vector<int> list = {84500,  56000,  64500,  177500, 184500, 186000, 194500, 191500,
                                          191625, 198500, 203500, 205500, 212500, 219500, 226500};
    return list;
}

const std::vector<int>& BandPlan::EuropeUHF() {
    static const std::vector<int> list = Raster({306000, 462000}, 474000, 858000, 8000, {816500, 866000});
    return list;
}

const std::vector<int>& BandPlan::Taiwan() {
    static const std::vector<int> list = {533000, 539000, 545000, 551000, 557000,
                                          563000, 575000, 581000, 593000, 599000};
    return list;
}
