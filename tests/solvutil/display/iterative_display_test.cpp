// The iterative display: layout tables, rows of all ten layouts against snprintf, the
// worked DualSimplex row, substitutions, headers, flushing, unknown layouts and the
// plain-symbol wrapper. Only TwoLineHeaderEdgeTexts fetches ActiveSetLeastSquares headers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <climits>
#include <limits>
#include <random>

#include "kaldor/catalog_testing.hpp"
#include "kaldor/testing.hpp"
#include "solvutil/display/iterative_display.hpp"
#include "solvutil/display/layouts.hpp"
#include "solvutil/host/hostmsg.hpp"
#include "tests/support/host_guard.hpp"

using kaldor::testing::ConsoleCapture;
using kaldor::testing::flushCount;

namespace {

std::vector<std::string> catalogTexts(const std::vector<std::string>& keys) {
    std::vector<std::string> texts;
    for (const auto& key : keys) {
        const hostmsg::BaseMsgID id({}, "solvlib:solvUtility", key);
        texts.push_back(hostmsg::to_string(hostmsg::MessageCatalog::get_message(id, hostmsg::KdLocale::global())));
    }
    return texts;
}

struct Cell { double d = 0.0; unsigned long k = 0; const char* s = ""; };
struct Layout { long* widths; ColumnType* types; unsigned long* precisions; std::size_t count; long rowWidth; };

#define DISPLAYTEST_LAYOUT(S, n, w) \
    Layout { getColumnWidths<SolverName::S>(), getColumnTypes<SolverName::S>(), \
             getColumnPrecisions<SolverName::S>(), n, w }
Layout layout(int s) {
    static const Layout all[] = {
        DISPLAYTEST_LAYOUT(PredictorCorrector, 8, 110), DISPLAYTEST_LAYOUT(DualSimplex, 5, 63),
        DISPLAYTEST_LAYOUT(InteriorPoint, 8, 115), DISPLAYTEST_LAYOUT(InteriorPointLeastSquares, 8, 115),
        DISPLAYTEST_LAYOUT(SequentialQP, 9, 124), DISPLAYTEST_LAYOUT(RegularizedPredictorCorrector, 9, 127),
        DISPLAYTEST_LAYOUT(RegularizedPredictorCorrectorLeastSquares, 9, 127),
        DISPLAYTEST_LAYOUT(ActiveSetPhaseOne, 7, 98), DISPLAYTEST_LAYOUT(ActiveSet, 9, 129),
        DISPLAYTEST_LAYOUT(ActiveSetLeastSquares, 9, 129)};
    return all[s];
}
#undef DISPLAYTEST_LAYOUT

/// The row as printf renders it: right-aligned plus two spaces, Inf/NaN of Double columns
/// as "Inf"/"-", general doubles at the precision of the previous Double column (else 6).
std::string expectedRow(const Layout& l, const std::vector<Cell>& cells) {
    std::string row;
    char buf[512];
    int general = 6;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const int w = static_cast<int>(l.widths[i]), p = static_cast<int>(l.precisions[i]);
        const Cell& c = cells[i];
        switch (l.types[i]) {
            case ColumnType::Double:
                if (std::isfinite(c.d)) std::snprintf(buf, sizeof buf, "%*.*e  ", w, general = p, c.d);
                else std::snprintf(buf, sizeof buf, "%*s  ", w, std::isnan(c.d) ? "-" : "Inf");
                break;
            case ColumnType::Integer: std::snprintf(buf, sizeof buf, "%*lu  ", w, c.k); break;
            case ColumnType::String: std::snprintf(buf, sizeof buf, "%*s  ", w, c.s); break;
            case ColumnType::GeneralDouble: std::snprintf(buf, sizeof buf, "%*.*g  ", w, general, c.d); break;
        }
        row += buf;
    }
    return row + "\n";
}

/// Line one: each text's first line right-aligned plus two spaces; a second line (if any
/// text has one) ends each second part where its first part ends. Further lines are dropped.
std::string expectedHeader(const Layout& l, const std::vector<std::string>& texts) {
    std::string line1, line2;
    char buf[256];
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const auto lf = texts[i].find('\n');
        std::snprintf(buf, sizeof buf, "%*s  ", static_cast<int>(l.widths[i]), texts[i].substr(0, lf).c_str());
        line1 += buf;
        if (lf == std::string::npos || lf + 1 == texts[i].size()) continue;
        const std::string second = texts[i].substr(lf + 1, texts[i].find('\n', lf + 1) - lf - 1);
        line2 += std::string(line1.size() - 2 - second.size() - line2.size(), ' ') + second;
    }
    return line1 + "\n" + (line2.empty() ? "" : line2 + "\n");
}

constexpr double kInf = std::numeric_limits<double>::infinity();

// Calls the display with the argument types of layout s.
void printRow(int s, bool h, bool f, unsigned long n, std::vector<Cell> c) {
    c.resize(9);
    const auto S = static_cast<SolverName>(s);
    const auto k = [&](int i) { return c[i].k; };
    const auto d = [&](int i) { return c[i].d; };
    const auto t = [&](int i) { return c[i].s; };
    switch (s) {
        case 0: return printIterativeDisplay(S, h, f, n, k(0), d(1), d(2), d(3), d(4), d(5), d(6), k(7));
        case 1: return printIterativeDisplay(S, h, f, n, k(0), d(1), d(2), d(3), d(4));
        case 2: case 3: return printIterativeDisplay(S, h, f, n, k(0), d(1), d(2), d(3), d(4), d(5), d(6), t(7));
        case 4: return printIterativeDisplay(S, h, f, n, k(0), k(1), d(2), d(3), d(4), d(5), d(6), d(7), t(8));
        case 5: case 6:
            return printIterativeDisplay(S, h, f, n, k(0), d(1), d(2), d(3), d(4), d(5), d(6), k(7), t(8));
        case 7: return printIterativeDisplay(S, h, f, n, k(0), d(1), d(2), d(3), t(4), k(5), t(6));
        case 8: case 9:
            return printIterativeDisplay(S, h, f, n, k(0), d(1), d(2), d(3), d(4), d(5), t(6), k(7), t(8));
        default: return printIterativeDisplay(S, h, f, n, 1UL, 2.0, "x");
    }
}

std::string rowText(int s, unsigned long n, const std::vector<Cell>& cells, bool header = false) {
    ConsoleCapture capture;
    printRow(s, header, false, n, cells);
    return capture.text();
}

Cell randomCell(std::mt19937_64& rng) {
    static const char* const texts[] = {"", "Newton", "a-much-longer-text-than-any-field", "infeasible step"};
    std::uniform_real_distribution<double> mant(-10.0, 10.0);
    std::uniform_int_distribution<int> exp10(-320, 308);
    const double special[] = {kInf, -kInf, NAN, DBL_MAX, -DBL_MAX, 0.0, -0.0};
    const auto kind = rng() % 14;
    Cell c{kind < 7 ? special[kind] : mant(rng) * std::pow(10.0, exp10(rng)), 0, texts[rng() % 4]};
    c.k = (rng() % 4 == 0) ? rng() : rng() % 100000;
    return c;
}

}  // namespace

// Row widths add up to each layout's nominal width; only the three pairs share tables.
TEST(DisplayLayouts, PairsShareTablesAndRowWidthsAddUp) {
    for (int s = 0; s < 10; ++s) {
        long rowWidth = 0;
        for (std::size_t i = 0; i < layout(s).count; ++i) rowWidth += layout(s).widths[i] + 2;
        EXPECT_EQ(rowWidth, layout(s).rowWidth) << s;
        for (int t = s + 1; t < 10; ++t)
            EXPECT_EQ(layout(s).widths == layout(t).widths && layout(s).types == layout(t).types &&
                          layout(s).precisions == layout(t).precisions,
                      (s == 2 || s == 5 || s == 8) && t == s + 1) << s << " vs " << t;
    }
    EXPECT_EQ(layout(4).precisions[3], 3UL);
}

TEST(IterativeDisplay, WorkedDualSimplexRowByteForByte) {
    EXPECT_EQ(rowText(1, 5, {{0, 3}, {0.5}, {-12.5}, {0.0}, {kInf}}),
              "    3       0.5   -1.250000e+01   0.000000e+00            Inf  \n");
}

TEST(IterativeDisplay, RandomRowsOfAllLayoutsMatchSnprintf) {
    HostLeakGuard guard;
    std::mt19937_64 rng(77);
    for (int s = 0; s < 10; ++s) {
        for (int trial = 0; trial < 300; ++trial) {
            std::vector<Cell> cells;
            for (std::size_t i = 0; i < layout(s).count; ++i) cells.push_back(randomCell(rng));
            if (s == 1 && !std::isfinite(cells[1].d)) cells[1].d = 1.0;
            const auto n = trial % 3 == 0 ? rng() % (layout(s).count + 1) : layout(s).count;
            cells.resize(n);
            ASSERT_EQ(rowText(s, n, cells), expectedRow(layout(s), cells)) << s << " trial " << trial << " n " << n;
        }
    }
}

// -Inf shows no sign, NaN is "-", DBL_MAX a number; general notation keeps printf's spelling.
TEST(IterativeDisplay, SubstitutionsAndGeneralNotation) {
    EXPECT_EQ(rowText(1, 5, {{0, 1}, {0.5}, {-kInf}, {NAN}, {DBL_MAX}}),
              "    1       0.5             Inf              -  1.797693e+308  \n");
    EXPECT_EQ(rowText(1, 2, {{0, 1}, {1234567.0}}), "    1  1.23457e+06  \n");
    EXPECT_EQ(rowText(1, 2, {{0, 1}, {-kInf}}), "    1      -inf  \n");
    EXPECT_EQ(rowText(1, 2, {{0, 1}, {NAN}}), "    1       nan  \n");
    rowText(4, 9, std::vector<Cell>(9, Cell{1.0, 1, "s"}));  // precision 3 must not leak to the next row
    EXPECT_EQ(rowText(1, 2, {{0, 1}, {0.123456789}}), "    1  0.123457  \n");
}

// One-line and two-line headers for partial and full column counts.
TEST(IterativeDisplay, HeadersAndColumnCounts) {
    const struct { int s; std::vector<std::string> keys; std::vector<unsigned long> counts; } cases[] = {
        {0, {"Iter", "Fval", "PrimalInfeas", "DualInfeas", "Complementarity", "BarrierParam", "StepLength",
             "NumCorr"}, {8, 3, 0}},
        {4, {"Iter", "Fcount", "Fval", "Feasibility", "StepLength", "StepNorm", "FirstOrderOpt", "PenaltyParam",
             "StepType"}, {9, 7, 5, 0}},
        {7, {"Iter", "Feasibility", "StepNorm", "StepLength", "Action", "ActiveConstr", "StepType"}, {7}}};
    for (const auto& c : cases) {
        const auto texts = catalogTexts(c.keys);
        const auto twoLine = std::count_if(texts.begin(), texts.end(), [](auto& t) { return t.find('\n') != t.npos; });
        ASSERT_GE(twoLine, c.s == 4 ? 2 : 0) << "the catalog must exercise the second header line";
        const std::vector<Cell> cells(c.keys.size(), Cell{2.5, 4, "ok"});
        for (unsigned long n : c.counts) {
            EXPECT_EQ(rowText(c.s, n, cells, true), expectedHeader(layout(c.s), {texts.begin(), texts.begin() + n}) +
                                                        expectedRow(layout(c.s), {cells.begin(), cells.begin() + n}))
                << c.s << " with " << n << " columns";
        }
    }
    EXPECT_EQ(rowText(1, 0, {}, true), "\n\n");
}

// Nothing after the line feed: no second line; text after a second line feed: ignored.
TEST(IterativeDisplay, TwoLineHeaderEdgeTexts) {
    kaldor::testing::ScopedCatalogText resnorm("Resnorm", u"Resnorm\n");
    kaldor::testing::ScopedCatalogText feasibility("Feasibility", u"Feasi-\nbility\nignored");
    const std::vector<Cell> cells(3, Cell{1.0, 3, "x"});
    char expected[256];
    std::snprintf(expected, sizeof expected, "%5s  %14s  %13s  \n%*s\n", "Iter", "Resnorm", "Feasi-", 36, "bility");
    EXPECT_EQ(rowText(9, 3, cells, true), expected + expectedRow(layout(9), cells));
    EXPECT_EQ(rowText(9, 2, cells, true), " Iter         Resnorm  \n" + expectedRow(layout(9), {cells[0], cells[1]}));
}

TEST(IterativeDisplay, FlushOnlyWhenAskedAndUnknownLayoutsPrintNothing) {
    HostLeakGuard guard;
    ConsoleCapture capture;
    for (int s : {1, 10, 11, -1, -7, INT_MIN, INT_MAX}) {
        for (bool header : {false, true}) {
            for (bool flush : {false, true}) {
                capture.clear();
                const auto before = flushCount();
                printRow(s, header, flush, s == 1 ? 5 : 3, {{0, 1}, {0.5}, {1.0}, {2.0}, {3.0}});
                EXPECT_EQ(flushCount() - before, flush ? 1U : 0U) << s;
                const std::string text = capture.text();
                EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), s != 1 ? 0 : header ? 2 : 1) << s;
            }
        }
    }
}

// The objective offset is added before negating; a zero shows as positive zero; no flush.
TEST(IterativeDisplay, PlainSymbolWrapper) {
    const std::string expected = rowText(1, 5, {{0, 4}, {0.25}, {0.0}, {1e-9}, {kInf}}, true);
    const auto flushes = flushCount();
    ConsoleCapture capture;
    printIterativeDisplay(true, true, 4UL, 0.25, 1.0, 1e-9, kInf, -1.0);  // -(1 + -1) is -0
    EXPECT_EQ(capture.text(), expected);
    EXPECT_EQ(capture.text().find("-0.000000e+00"), std::string::npos);
    for (bool negate : {true, false}) {
        capture.clear();
        printIterativeDisplay(false, negate, 5UL, 1.5, 2.0, 0.0, 0.0, 0.5);
        EXPECT_EQ(capture.text(), expectedRow(layout(1), {{0, 5}, {1.5}, {negate ? -2.5 : 2.5}, {0.0}, {0.0}}));
    }
    EXPECT_EQ(flushCount(), flushes);
}
