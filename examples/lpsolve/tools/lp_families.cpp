#include "examples/lpsolve/tools/lp_families.hpp"

#include <CoinFinite.hpp>
#include <CoinMpsIO.hpp>
#include <CoinPackedMatrix.hpp>

#include <cmath>
#include <cstdlib>
#include <random>
#include <utility>

namespace lpgen {
namespace {

using lpsolve::kInf;
using lpsolve::LpModel;

// Integers in [lo, hi] from the generator's raw output: std::uniform_int_distribution
// differs between standard libraries, the modulo does not.
class Draw {
public:
    explicit Draw(std::uint64_t seed) : engine_(seed) {}
    long operator()(long lo, long hi) {
        return lo + static_cast<long>(engine_() % static_cast<std::uint64_t>(hi - lo + 1));
    }

private:
    std::mt19937_64 engine_;
};

// Builds the model column by column.
class Builder {
public:
    Builder(std::string name, std::size_t rows) {
        lp_.name = std::move(name);
        lp_.A.rows = rows;
        lp_.A.colStart.push_back(0);
        lp_.rowLower.assign(rows, -kInf);
        lp_.rowUpper.assign(rows, kInf);
    }
    void row(std::size_t i, double lo, double up) { lp_.rowLower[i] = lo, lp_.rowUpper[i] = up; }
    void column(double cost, double lo, double up,
                std::initializer_list<std::pair<std::size_t, double>> entries) {
        for (const auto& [i, v] : entries) lp_.A.rowIndex.push_back(i), lp_.A.value.push_back(v);
        lp_.A.colStart.push_back(lp_.A.rowIndex.size());
        lp_.objective.push_back(cost);
        lp_.colLower.push_back(lo);
        lp_.colUpper.push_back(up);
        ++lp_.A.cols;
    }
    LpModel take() { return std::move(lp_); }

private:
    LpModel lp_;
};

std::string dims(std::size_t a, std::size_t b) {
    return std::to_string(a) + "x" + std::to_string(b);
}

}  // namespace

LpModel transportation(std::size_t sources, std::size_t sinks, std::uint64_t seed) {
    Draw draw(seed);
    Builder b("transport_" + dims(sources, sinks), sources + sinks);
    long demand = 0;
    for (std::size_t j = 0; j < sinks; ++j) {
        const long d = draw(10, 100);
        demand += d;
        b.row(sources + j, static_cast<double>(d), kInf);
    }
    // Supplies in proportion to random weights, 20 % above the total demand.
    std::vector<long> weight(sources);
    long total = 0;
    for (auto& w : weight) total += w = draw(50, 150);
    for (std::size_t i = 0; i < sources; ++i) {
        b.row(
            i, -kInf,
            std::ceil(1.2 * static_cast<double>(demand * weight[i]) / static_cast<double>(total)));
    }
    for (std::size_t i = 0; i < sources; ++i) {
        for (std::size_t j = 0; j < sinks; ++j) {
            b.column(static_cast<double>(draw(1, 100)), 0.0, kInf, {{i, 1.0}, {sources + j, 1.0}});
        }
    }
    return b.take();
}

LpModel assignment(std::size_t n, std::uint64_t seed) {
    Draw draw(seed);
    Builder b("assign_" + std::to_string(n), 2 * n);
    for (std::size_t i = 0; i < 2 * n; ++i) b.row(i, 1.0, 1.0);
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = 0; j < n; ++j) {
            b.column(static_cast<double>(draw(1, 1000)), 0.0, kInf, {{i, 1.0}, {n + j, 1.0}});
        }
    }
    return b.take();
}

LpModel gridFlow(std::size_t rows, std::size_t cols, std::uint64_t seed) {
    Draw draw(seed);
    const std::size_t nodes = rows * cols;
    Builder b("grid_" + dims(rows, cols), nodes);
    // Supplies in [-3, 3], then single units moved at random nodes (staying in [-3, 3])
    // until they sum to 0, so that no node has to take up the whole imbalance.
    std::vector<long> supply(nodes);
    long sum = 0;
    for (auto& s : supply) sum += s = draw(-3, 3);
    while (sum != 0) {
        long& s = supply[static_cast<std::size_t>(draw(0, static_cast<long>(nodes) - 1))];
        const long step = sum > 0 ? -1 : 1;
        if (std::labs(s + step) <= 3) s += step, sum += step;
    }
    for (std::size_t v = 0; v < nodes; ++v) {
        b.row(v, static_cast<double>(supply[v]), static_cast<double>(supply[v]));
    }
    const auto arc = [&](std::size_t from, std::size_t to) {
        b.column(static_cast<double>(draw(1, 100)), 0.0, static_cast<double>(draw(20, 60)),
                 {{from, 1.0}, {to, -1.0}});
    };
    for (std::size_t r = 0; r < rows; ++r) {
        for (std::size_t c = 0; c < cols; ++c) {
            const std::size_t v = r * cols + c;
            if (c + 1 < cols) arc(v, v + 1), arc(v + 1, v);
            if (r + 1 < rows) arc(v, v + cols), arc(v + cols, v);
        }
    }
    return b.take();
}

LpModel tspRelaxation(std::size_t cities, std::uint64_t seed) {
    Draw draw(seed);
    const std::size_t n = cities;
    std::vector<std::pair<double, double>> at(n);
    for (auto& [x, y] : at)
        x = static_cast<double>(draw(0, 1000)), y = static_cast<double>(draw(0, 1000));
    // Rows: out-degree 0..n-1, in-degree n..2n-1, flow balance 2n..3n-1, then one
    // linking row per arc.
    Builder b("tsp_" + std::to_string(n), 3 * n + n * (n - 1));
    const double others = static_cast<double>(n - 1);
    for (std::size_t i = 0; i < 2 * n; ++i) b.row(i, 1.0, 1.0);
    b.row(2 * n, others, others);  // city 0 sends one unit to each other city
    for (std::size_t k = 1; k < n; ++k) b.row(2 * n + k, -1.0, -1.0);
    std::size_t link = 3 * n;
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = 0; j < n; ++j, ++link) {
            if (i == j) {
                --link;
                continue;
            }
            b.row(link, -kInf, 0.0);
            const double dist =
                std::round(std::hypot(at[i].first - at[j].first, at[i].second - at[j].second));
            b.column(dist, 0.0, 1.0, {{i, 1.0}, {n + j, 1.0}, {link, -others}});
            b.column(0.0, 0.0, kInf, {{2 * n + i, 1.0}, {2 * n + j, -1.0}, {link, 1.0}});
        }
    }
    return b.take();
}

bool writeMps(const LpModel& lp, const std::string& path) {
    std::vector<int> start(lp.A.colStart.begin(), lp.A.colStart.end());
    std::vector<int> index(lp.A.rowIndex.begin(), lp.A.rowIndex.end());
    const CoinPackedMatrix matrix(true, static_cast<int>(lp.A.rows), static_cast<int>(lp.A.cols),
                                  static_cast<CoinBigIndex>(lp.A.nnz()), lp.A.value.data(),
                                  index.data(), start.data(), nullptr);
    CoinMpsIO io;
    io.messageHandler()->setLogLevel(0);
    // CoinMpsIO writes its own infinity (1e30) for the infinite bounds.
    const auto finite = [](std::vector<double> v) {
        for (double& e : v) e = std::isinf(e) ? std::copysign(COIN_DBL_MAX, e) : e;
        return v;
    };
    io.setMpsData(matrix, COIN_DBL_MAX, finite(lp.colLower).data(), finite(lp.colUpper).data(),
                  lp.objective.data(), nullptr, finite(lp.rowLower).data(),
                  finite(lp.rowUpper).data(), static_cast<const char* const*>(nullptr),
                  static_cast<const char* const*>(nullptr));
    io.setProblemName(lp.name.c_str());
    return io.writeMps(path.c_str(), 0, 0, 1) == 0;
}

std::vector<NamedLp> benchmarkSet() {
    std::vector<NamedLp> set;
    const auto add = [&](std::string name, std::function<LpModel()> make) {
        set.push_back({std::move(name), std::move(make)});
    };
    for (const auto& [s, d] :
         {std::pair<std::size_t, std::size_t>{50, 100}, {100, 200}, {200, 400}})
        add("transport_" + dims(s, d), [s = s, d = d] { return transportation(s, d, 11); });
    for (std::size_t n : {100, 200})
        add("assign_" + std::to_string(n), [n] { return assignment(n, 12); });
    for (std::size_t n : {50, 100})
        add("tsp_" + std::to_string(n), [n] { return tspRelaxation(n, 13); });
    for (std::size_t k : {50, 100, 200})
        add("grid_" + dims(k, k), [k] { return gridFlow(k, k, 14); });
    return set;
}

}  // namespace lpgen
