#pragma once
// The generators' random numbers: splitmix64, small, fast and the same on
// every machine, so a seed always gives the same file.
#include <QtGlobal>

#include <cstddef>

struct SplitMix
{
    quint64 state;
    quint64 next()
    {
        quint64 z = (state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    int below(int n) { return int(next() % quint64(n)); }
    bool chance(int percent) { return below(100) < percent; }
    template <typename T, size_t N> const T &pick(const T (&items)[N]) { return items[below(N)]; }
};
