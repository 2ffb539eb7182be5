#pragma once

// What every benchmark program prints its table with: one stream on standard
// output, and the median of its runs.
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace Bench {

inline QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

} // namespace Bench
