#pragma once
// Paired timing for "ours versus peer" benchmarks: each benchmark iteration times one
// batch of the peer and one batch of our call on the same data, alternating which goes
// first, and the counters report the median time per call of each and their ratio.
// Batches are timed in CPU time of the calling thread, so time slices lost to other
// processes on a shared machine do not count; medians of interleaved batches keep the
// remaining noise and frequency drift out of the ratio.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <vector>

namespace benchutil {

inline double median(std::vector<double> v) {
    if (v.empty()) return 0.0;
    std::sort(v.begin(), v.end());
    const std::size_t h = v.size() / 2;
    return v.size() % 2 ? v[h] : 0.5 * (v[h - 1] + v[h]);
}

template <class Peer, class Ours>
void comparePaired(benchmark::State& state, long batch, Peer&& peer, Ours&& ours) {
    auto threadMicros = [] {
        timespec ts{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
        return 1.0e6 * static_cast<double>(ts.tv_sec) + 1.0e-3 * static_cast<double>(ts.tv_nsec);
    };
    auto timeBatch = [batch, &threadMicros](auto& f) {
        const double t0 = threadMicros();
        for (long b = 0; b < batch; ++b) f();
        benchmark::ClobberMemory();
        return (threadMicros() - t0) / static_cast<double>(batch);
    };
    peer();  // warm caches and lazily initialised BLAS state before timing
    ours();
    std::vector<double> tPeer, tOurs;
    bool oursFirst = false;
    for (auto _ : state) {
        if (oursFirst) {
            tOurs.push_back(timeBatch(ours));
            tPeer.push_back(timeBatch(peer));
        } else {
            tPeer.push_back(timeBatch(peer));
            tOurs.push_back(timeBatch(ours));
        }
        oursFirst = !oursFirst;
    }
    const double p = median(tPeer), o = median(tOurs);
    state.counters["peer_us"] = p;
    state.counters["ours_us"] = o;
    state.counters["ratio"] = p > 0.0 ? o / p : 0.0;
}

}  // namespace benchutil
