// Iterative display rows and headers of all ten layouts against snprintf, flushing and the plain
// form.
#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <climits>
#include <limits>
#include <random>

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
struct Cell {
    double d = 0.0;
    unsigned long k = 0;
    const char* s = "";
};
struct Layout {
    long* widths;
    ColumnType* types;
    unsigned long* precisions;
    std::size_t count;
    long rowWidth;
};

#define L(S, n, w)                                                         \
    Layout {                                                               \
        getColumnWidths<SolverName::S>(), getColumnTypes<SolverName::S>(), \
            getColumnPrecisions<SolverName::S>(), n, w                     \
    }
const Layout kLayouts[] = {L(PredictorCorrector, 8, 110),
                           L(DualSimplex, 5, 63),
                           L(InteriorPoint, 8, 115),
                           L(InteriorPointLeastSquares, 8, 115),
                           L(SequentialQP, 9, 124),
                           L(RegularizedPredictorCorrector, 9, 127),
                           L(RegularizedPredictorCorrectorLeastSquares, 9, 127),
                           L(ActiveSetPhaseOne, 7, 98),
                           L(ActiveSet, 9, 129),
                           L(ActiveSetLeastSquares, 9, 129)};
#undef L

std::string format(const char* fmt, auto... args) {
    char buf[512];
    std::snprintf(buf, sizeof buf, fmt, args...);
    return buf;
}

// Oracle row: Inf/NaN of Double columns as "Inf"/"-", general doubles at the last Double precision
// (else 6).
std::string expectedRow(int s, const std::vector<Cell>& cells) {
    const Layout& l = kLayouts[s];
    std::string row;
    int general = 6;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const int w = static_cast<int>(l.widths[i]), p = static_cast<int>(l.precisions[i]);
        const Cell& c = cells[i];
        switch (l.types[i]) {
            case ColumnType::Double:
                row += std::isfinite(c.d) ? format("%*.*e  ", w, general = p, c.d)
                                          : format("%*s  ", w, std::isnan(c.d) ? "-" : "Inf");
                break;
            case ColumnType::Integer:
                row += format("%*lu  ", w, c.k);
                break;
            case ColumnType::String:
                row += format("%*s  ", w, c.s);
                break;
            case ColumnType::GeneralDouble:
                row += format("%*.*g  ", w, general, c.d);
                break;
        }
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

void printRow(int s, bool h, bool f, unsigned long n, std::vector<Cell> c) {
    c.resize(9);
    const auto S = static_cast<SolverName>(s);
    const auto k = [&](int i) { return c[i].k; };
    const auto d = [&](int i) { return c[i].d; };
    const auto t = [&](int i) { return c[i].s; };
    switch (s) {
        case 0:
            return printIterativeDisplay(S, h, f, n, k(0), d(1), d(2), d(3), d(4), d(5), d(6),
                                         k(7));
        case 1:
            return printIterativeDisplay(S, h, f, n, k(0), d(1), d(2), d(3), d(4));
        case 2:
        case 3:
            return printIterativeDisplay(S, h, f, n, k(0), d(1), d(2), d(3), d(4), d(5), d(6),
                                         t(7));
        case 4:
            return printIterativeDisplay(S, h, f, n, k(0), k(1), d(2), d(3), d(4), d(5), d(6), d(7),
                                         t(8));
        case 5:
        case 6:
            return printIterativeDisplay(S, h, f, n, k(0), d(1), d(2), d(3), d(4), d(5), d(6), k(7),
                                         t(8));
        case 7:
            return printIterativeDisplay(S, h, f, n, k(0), d(1), d(2), d(3), t(4), k(5), t(6));
        case 8:
        case 9:
            return printIterativeDisplay(S, h, f, n, k(0), d(1), d(2), d(3), d(4), d(5), t(6), k(7),
                                         t(8));
        default:
            return printIterativeDisplay(S, h, f, n, 1UL, 2.0, "x");
    }
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

// Only the three pairs share tables; row widths add up to each layout's nominal width.
TEST(DisplayLayouts, PairsShareTablesAndRowWidthsAddUp) {
    for (int s = 0; s < 10; ++s) {
        const Layout &a = kLayouts[s], &b = kLayouts[(s + 1) % 10];
        EXPECT_EQ(a.widths == b.widths && a.types == b.types && a.precisions == b.precisions,
                  s == 2 || s == 5 || s == 8)
            << s;
        long rowWidth = 0;
        for (std::size_t i = 0; i < a.count; ++i) rowWidth += a.widths[i] + 2;
        EXPECT_EQ(rowWidth, a.rowWidth) << s;
    }
    EXPECT_EQ(kLayouts[4].precisions[3], 3UL);
}

// Random rows of layouts in random order (no precision carried over), numColumns 0 to full,
// Inf/NaN, long texts.
TEST(IterativeDisplay, RandomRowsOfAllLayoutsMatchSnprintf) {
    HostLeakGuard guard;
    std::mt19937_64 rng(77);
    for (int trial = 0; trial < 3000; ++trial) {
        const int s = static_cast<int>(rng() % 10);
        std::vector<Cell> cells;
        for (std::size_t i = 0; i < kLayouts[s].count; ++i) cells.push_back(randomCell(rng));
        cells.resize(trial % 3 == 0 ? rng() % (kLayouts[s].count + 1) : kLayouts[s].count);
        ASSERT_EQ(rowText(s, cells.size(), cells), expectedRow(s, cells))
            << s << " trial " << trial;
    }
}

// Header keys of each layout; one- and two-line headers for partial and full counts; edge header
// texts.
TEST(IterativeDisplay, Headers) {
    using Keys = std::vector<std::string>;
    const Keys pc = {"Iter",         "Fval",      "PrimalInfeas", "DualInfeas", "Complementarity",
                     "BarrierParam", "StepLength"};
    const auto with = [](Keys keys, Keys more) {
        return keys.insert(keys.end(), more.begin(), more.end()), keys;
    };
    const struct {
        int s;
        Keys keys;
        std::vector<unsigned long> counts;
    } cases[] = {
        {0, with(pc, {"NumCorr"}), {8, 3, 0}},
        {1, {"Iter", "Time", "Fval", "PrimalInfeas", "DualInfeas"}, {5}},
        {2, with(pc, {"StepType"}), {8}},
        {5, with(pc, {"NumCorr", "RegType"}), {9}},
        {3,
         {"Iter", "Resnorm", "PrimalInfeas", "DualInfeas", "Complementarity", "BarrierParam",
          "StepLength", "StepType"},
         {8}},
        {4,
         {"Iter", "Fcount", "Fval", "Feasibility", "StepLength", "StepNorm", "FirstOrderOpt",
          "PenaltyParam", "StepType"},
         {9, 7, 5, 0}},
        {7,
         {"Iter", "Feasibility", "StepNorm", "StepLength", "Action", "ActiveConstr", "StepType"},
         {7}},
        {8,
         {"Iter", "Fval", "Feasibility", "FirstOrderOpt", "StepNorm", "StepLength", "Action",
          "ActiveConstr", "StepType"},
         {9}}};
    for (const auto& c : cases) {
        std::vector<std::string> texts;
        for (const auto& key : c.keys)
            texts.push_back(hostmsg::to_string(hostmsg::MessageCatalog::get_message(
                hostmsg::BaseMsgID({}, "solvlib:solvUtility", key), hostmsg::KdLocale::global())));
        ASSERT_GE(std::count_if(texts.begin(), texts.end(),
                                [](auto& t) { return t.find('\n') != t.npos; }),
                  c.s == 4 ? 2 : 0)
            << "the catalog must exercise the second header line";
        ASSERT_EQ(c.keys.size(), kLayouts[c.s].count);
        const std::vector<Cell> cells(c.keys.size(), Cell{2.5, 4, "ok"});
        for (unsigned long n : c.counts)
            EXPECT_EQ(rowText(c.s, n, cells, true),
                      expectedHeader(c.s, {texts.begin(), texts.begin() + n}) +
                          expectedRow(c.s, {cells.begin(), cells.begin() + n}))
                << c.s << " with " << n << " columns";
    }
    EXPECT_EQ(rowText(1, 0, {}, true), "\n\n");
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
    for (int s : {1, 10, 11, -1, -7, INT_MIN, INT_MAX}) {
        for (int hf = 0; hf < 4; ++hf) {
            capture.clear();
            const auto before = flushCount();
            printRow(s, hf & 1, hf & 2, s == 1 ? 5 : 3, {{0, 1}, {0.5}, {1.0}, {2.0}, {3.0}});
            EXPECT_EQ(flushCount() - before, hf & 2 ? 1U : 0U) << s;
            const std::string text = capture.text();
            EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), s != 1 ? 0 : hf & 1 ? 2 : 1) << s;
        }
    }
}

// The worked row in both forms; the plain form adds the offset before negating, shows +0, never
// flushes.
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
