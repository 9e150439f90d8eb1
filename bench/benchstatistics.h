#pragma once

#include <QList>
#include <algorithm>
#include <cmath>

// The figures the accuracy benchmarks print for a run's offsets.

// The middle value, its sign kept (the upper one of an even count).
inline double signedMedian(QList<double> values)
{
    if (values.isEmpty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

// The sample standard deviation; 0 for fewer than two values.
inline double standardDeviation(const QList<double> &values)
{
    if (values.size() < 2) {
        return 0;
    }
    double sum = 0;
    for (const double value : values) {
        sum += value;
    }
    const double mean = sum / double(values.size());
    double squares = 0;
    for (const double value : values) {
        squares += (value - mean) * (value - mean);
    }
    return std::sqrt(squares / double(values.size() - 1));
}
