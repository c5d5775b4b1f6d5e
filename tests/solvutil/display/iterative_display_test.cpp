// Iterative display rows and headers of all ten layouts against snprintf; flushing; the plain form.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cfloat>
#include <climits>
#include <limits>
#include <random>
#include <sstream>
#include <utility>

#include "kaldor/testing/catalog.hpp"
#include "kaldor/testing/services.hpp"
#include "solvutil/display/iterative_display.hpp"
#include "solvutil/display/layouts.hpp"
#include "solvutil/host/hostmsg.hpp"
#include "tests/support/host_guard.hpp"

using kaldor::testing::ConsoleCapture;
using kaldor::testing::flushCount;

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
struct Cell {  // one value of each column type
    double d = 0.0;
    unsigned long k = 0;
    const char* s = "";
    operator double() const { return d; }
    operator unsigned long() const { return k; }
    operator const char*() const { return s; }
};
struct Layout {
    long* widths;
    ColumnType* types;
    unsigned long* precisions;
};
template <std::size_t... S>
std::array<Layout, 10> layouts(std::index_sequence<S...>) {
    return {Layout{getColumnWidths<SolverName(S)>(), getColumnTypes<SolverName(S)>(),
                   getColumnPrecisions<SolverName(S)>()}...};
}
const std::array<Layout, 10> kLayouts = layouts(std::make_index_sequence<10>());

// The width of a full row and the catalog keys of each layout's columns after "Iter".
const struct {
    long rowWidth;
    const char* keys;
} kSpec[] = {
    {110, "Fval PrimalInfeas DualInfeas Complementarity BarrierParam StepLength NumCorr"},
    {63, "Time Fval PrimalInfeas DualInfeas"},
    {115, "Fval PrimalInfeas DualInfeas Complementarity BarrierParam StepLength StepType"},
    {115, "Resnorm PrimalInfeas DualInfeas Complementarity BarrierParam StepLength StepType"},
    {124, "Fcount Fval Feasibility StepLength StepNorm FirstOrderOpt PenaltyParam StepType"},
    {127, "Fval PrimalInfeas DualInfeas Complementarity BarrierParam StepLength NumCorr RegType"},
    {127,
     "Resnorm PrimalInfeas DualInfeas Complementarity BarrierParam StepLength NumCorr RegType"},
    {98, "Feasibility StepNorm StepLength Action ActiveConstr StepType"},
    {129, "Fval Feasibility FirstOrderOpt StepNorm StepLength Action ActiveConstr StepType"},
    {129, "Resnorm Feasibility FirstOrderOpt StepNorm StepLength Action ActiveConstr StepType"}};

std::vector<std::string> keysOf(int s) {
    std::istringstream in(kSpec[s].keys);
    std::vector<std::string> keys{"Iter"};
    for (std::string key; in >> key;) keys.push_back(key);
    return keys;
}

std::string format(const char* fmt, auto... args) {
    char buf[512];
    std::snprintf(buf, sizeof buf, fmt, args...);
    return buf;
}

// Oracle row: Inf/NaN as "Inf"/"-"; general doubles at the last finite Double's precision, else 6.
std::string expectedRow(int s, const std::vector<Cell>& cells) {
    const Layout& l = kLayouts[s];
    std::string row;
    int general = 6;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const int w = static_cast<int>(l.widths[i]), p = static_cast<int>(l.precisions[i]);
        const Cell& c = cells[i];
        const ColumnType t = l.types[i];
        if (t == ColumnType::Double && std::isfinite(c.d)) general = p;
        row += t == ColumnType::Integer         ? format("%*lu  ", w, c.k)
               : t == ColumnType::String        ? format("%*s  ", w, c.s)
               : t == ColumnType::GeneralDouble ? format("%*.*g  ", w, general, c.d)
               : std::isfinite(c.d)             ? format("%*.*e  ", w, p, c.d)
                                                : format("%*s  ", w, std::isnan(c.d) ? "-" : "Inf");
    }
    return row + "\n";
}

// Oracle header: first lines right-aligned; each second line ends where its first line ends.
std::string expectedHeader(int s, const std::vector<std::string>& texts) {
    std::string line1, line2;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const auto lf = texts[i].find('\n');
        line1 += format("%*s  ", static_cast<int>(kLayouts[s].widths[i]),
                        texts[i].substr(0, lf).c_str());
        if (lf == std::string::npos || lf + 1 == texts[i].size()) continue;
        const std::string second = texts[i].substr(lf + 1, texts[i].find('\n', lf + 1) - lf - 1);
        line2 += std::string(line1.size() - 2 - second.size() - line2.size(), ' ') + second;
    }
    return line1 + "\n" + (line2.empty() ? "" : line2 + "\n");
}

// Passes cells as the arguments of a layout whose columns take the types T...
template <class... T>
void print(int s, bool h, bool f, unsigned long n, const std::vector<Cell>& c) {
    [&]<std::size_t... I>(std::index_sequence<I...>) {
        printIterativeDisplay(SolverName(s), h, f, n, static_cast<T>(c[I])...);
    }
    (std::index_sequence_for<T...>());
}
using D = double;
using K = unsigned long;
using T = const char*;
void (*const kPrinters[])(int, bool, bool, unsigned long, const std::vector<Cell>&) = {
    print<K, D, D, D, D, D, D, K>,    print<K, D, D, D, D>,
    print<K, D, D, D, D, D, D, T>,    print<K, D, D, D, D, D, D, T>,
    print<K, K, D, D, D, D, D, D, T>, print<K, D, D, D, D, D, D, K, T>,
    print<K, D, D, D, D, D, D, K, T>, print<K, D, D, D, T, K, T>,
    print<K, D, D, D, D, D, T, K, T>, print<K, D, D, D, D, D, T, K, T>};

void printRow(int s, bool h, bool f, unsigned long n, std::vector<Cell> c) {
    c.resize(9);
    if (s >= 0 && s < 10) return kPrinters[s](s, h, f, n, c);
    printIterativeDisplay(SolverName(s), h, f, n, 1UL, 2.0, "x");
}

std::string rowText(int s, unsigned long n, const std::vector<Cell>& cells, bool header = false) {
    ConsoleCapture capture;
    printRow(s, header, false, n, cells);
    return capture.text();
}

Cell randomCell(std::mt19937_64& rng) {
    static const char* const texts[] = {"", "Newton", "a-much-longer-text-than-any-field",
                                        "infeasible step"};
    const double special[] = {kInf, -kInf, NAN, DBL_MAX, -DBL_MAX, 0.0, -0.0};
    const auto kind = rng() % 14;
    const double random = std::uniform_real_distribution<double>(-10.0, 10.0)(rng) *
                          std::pow(10.0, std::uniform_int_distribution<int>(-320, 308)(rng));
    return {kind < 7 ? special[kind] : random, rng() % 4 == 0 ? rng() : rng() % 100000,
            texts[rng() % 4]};
}

}  // namespace

// Layouts in random order (no precision carried over), numColumns 0 to full, Inf/NaN, long texts.
TEST(IterativeDisplay, RandomRowsOfAllLayoutsMatchSnprintf) {
    HostLeakGuard guard;
    std::mt19937_64 rng(77);
    for (int trial = 0; trial < 3000; ++trial) {
        const int s = static_cast<int>(rng() % 10);
        const std::size_t count = keysOf(s).size();
        std::vector<Cell> cells;
        for (std::size_t i = 0; i < count; ++i) cells.push_back(randomCell(rng));
        cells.resize(trial % 3 == 0 ? rng() % (count + 1) : count);
        ASSERT_EQ(rowText(s, cells.size(), cells), expectedRow(s, cells))
            << s << " trial " << trial;
    }
}

// Row widths; headers of full and partial rows; a trailing line break and a third line ignored.
TEST(IterativeDisplay, LayoutsAndHeaders) {
    for (int s = 0; s < 10; ++s) {
        std::vector<std::string> texts;
        long rowWidth = 0;
        for (const auto& key : keysOf(s)) {
            rowWidth += kLayouts[s].widths[texts.size()] + 2;
            texts.push_back(hostmsg::to_string(hostmsg::MessageCatalog::get_message(
                hostmsg::BaseMsgID({}, "solvlib:solvUtility", key), hostmsg::KdLocale::global())));
        }
        EXPECT_EQ(rowWidth, kSpec[s].rowWidth) << s;
        const std::vector<Cell> cells(texts.size(), Cell{2.5, 4, "ok"});
        for (unsigned long n : {texts.size(), 3UL, 0UL}) {
            if (s == 9) break;  // its header cache is built from the edge texts below
            EXPECT_EQ(rowText(s, n, cells, true),
                      expectedHeader(s, {texts.begin(), texts.begin() + n}) +
                          expectedRow(s, {cells.begin(), cells.begin() + n}))
                << s << " with " << n << " columns";
        }
    }
    kaldor::testing::ScopedCatalogText resnorm("Resnorm", u"Resnorm\n");
    kaldor::testing::ScopedCatalogText feasibility("Feasibility", u"Feasi-\nbility\nignored");
    const std::vector<Cell> cells(3, Cell{1.0, 3, "x"});
    EXPECT_EQ(rowText(9, 3, cells, true),
              format("%5s  %14s  %13s  \n%*s\n", "Iter", "Resnorm", "Feasi-", 36, "bility") +
                  expectedRow(9, cells));
    EXPECT_EQ(rowText(9, 2, cells, true),
              " Iter         Resnorm  \n" + expectedRow(9, {cells[0], cells[1]}));
}

TEST(IterativeDisplay, FlushOnlyWhenAskedAndUnknownLayoutsPrintNothing) {
    HostLeakGuard guard;
    ConsoleCapture capture;
    for (int s : {1, 10, 11, -1, -7, INT_MIN, INT_MAX})
        for (int hf = 0; hf < 4; ++hf) {
            capture.clear();
            const auto before = flushCount();
            printRow(s, hf & 1, hf & 2, s == 1 ? 5 : 3, {{0, 1}, {0.5}, {1.0}, {2.0}, {3.0}});
            EXPECT_EQ(flushCount() - before, hf & 2 ? 1U : 0U) << s;
            const std::string text = capture.text();
            EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), s != 1 ? 0 : hf & 1 ? 2 : 1) << s;
        }
}

// The worked row; the plain form adds the offset before negating, shows +0, never flushes.
TEST(IterativeDisplay, WorkedRowAndPlainSymbolForm) {
    const std::string worked = "    3       0.5   -1.250000e+01   0.000000e+00            Inf  \n";
    EXPECT_EQ(rowText(1, 5, {{0, 3}, {0.5}, {-12.5}, {0.0}, {kInf}}), worked);
    const std::string zero = rowText(1, 5, {{0, 4}, {0.25}, {0.0}, {1e-9}, {kInf}}, true);
    const auto flushes = flushCount();
    ConsoleCapture capture;
    printIterativeDisplay(false, true, 3UL, 0.5, 13.5, 0.0, kInf, -1.0);
    printIterativeDisplay(true, true, 4UL, 0.25, 1.0, 1e-9, kInf, -1.0);
    printIterativeDisplay(false, false, 5UL, 1.5, 2.0, 0.0, 0.0, 0.5);
    EXPECT_EQ(capture.text(), worked + zero + expectedRow(1, {{0, 5}, {1.5}, {2.5}, {0.0}, {0.0}}));
    EXPECT_EQ(flushCount(), flushes);
}
