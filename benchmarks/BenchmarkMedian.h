#pragma once

#include <algorithm>
#include <vector>

// The middle one of `values` (of two middle ones, the upper): what each benchmark reports of its
// runs, so that one slow or fast run moves nothing.
template <typename T>
double median(std::vector<T> values) {
    std::sort(values.begin(), values.end());
    return double(values[values.size() / 2]);
}
