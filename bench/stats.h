#pragma once

// The summary every benchmark prints of its runs: median and spread.

#include <algorithm>
#include <vector>

namespace bench {

struct Stats {
    double median = 0, lo = 0, hi = 0;
};

inline Stats stats(std::vector<double> v) {
    if (v.empty()) return {};
    std::sort(v.begin(), v.end());
    return {v[v.size() / 2], v.front(), v.back()};
}

}  // namespace bench
