#pragma once
// The figure every benchmark reports of its rounds: the middle one, which one slow round on a
// shared machine does not move.

#include <algorithm>
#include <vector>

namespace tarrow::bench {

inline double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace tarrow::bench
