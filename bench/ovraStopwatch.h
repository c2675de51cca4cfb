#pragma once

#include <windows.h>

#include <algorithm>
#include <vector>

namespace ovra {

// Milliseconds from the performance counter, and the median of a set of runs.
class Stopwatch {
public:
    Stopwatch() { Restart(); }
    void Restart() { QueryPerformanceCounter(&m_start); }
    double Ms() const
    {
        LARGE_INTEGER now, frequency;
        QueryPerformanceCounter(&now);
        QueryPerformanceFrequency(&frequency);
        return static_cast<double>(now.QuadPart - m_start.QuadPart) * 1000.0 /
               static_cast<double>(frequency.QuadPart);
    }

    static double Median(std::vector<double> runs)
    {
        if (runs.empty())
            return 0.0;
        std::sort(runs.begin(), runs.end());
        const size_t mid = runs.size() / 2;
        return runs.size() % 2 ? runs[mid] : (runs[mid - 1] + runs[mid]) / 2.0;
    }

private:
    LARGE_INTEGER m_start;
};

} // namespace ovra
