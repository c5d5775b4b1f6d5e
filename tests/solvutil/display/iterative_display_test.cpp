// The iterative display: rows of all ten layouts against snprintf, the worked
// DualSimplex row, substitutions, headers (one and two lines), flushing, unknown layouts
// and the plain-symbol wrapper.
//
// SolverName ActiveSetLeastSquares is fetched only by TwoLineHeaderEdgeTexts, which
// changes catalog texts before the first fetch.
#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <limits>
#include <algorithm>
#include <random>

#include "kaldor/catalog_testing.hpp"
#include "kaldor/testing.hpp"
#include "solvutil/display/iterative_display.hpp"
#include "solvutil/host/kxerror.hpp"
#include "solvutil/display/layouts.hpp"
#include "tests/solvutil/display/display_test_support.hpp"
#include "tests/support/host_guard.hpp"

using displaytest::Cell;
using displaytest::Column;
using kaldor::testing::ConsoleCapture;

namespace {

long lineCount(const std::string& text) { return std::count(text.begin(), text.end(), '\n'); }

constexpr double kInf = std::numeric_limits<double>::infinity();

std::vector<Column> columnsOf(const long* w, const ColumnType* t, const unsigned long* p, std::size_t n) {
    std::vector<Column> columns;
    for (std::size_t i = 0; i < n; ++i) columns.push_back({w[i], t[i], static_cast<int>(p[i])});
    return columns;
}

template <SolverName S>
std::vector<Column> columnsOf(std::size_t n) {
    return columnsOf(getColumnWidths<S>(), getColumnTypes<S>(), getColumnPrecisions<S>(), n);
}

// Calls the display with the argument types of S's layout, taken from `c`.
void printRow(SolverName s, bool header, bool flush, unsigned long n, const std::vector<Cell>& given) {
    std::vector<Cell> c = given;
    c.resize(9);  // the display reads only the first n; the call still passes a full row
    switch (static_cast<int>(s)) {
        case 0:  // I D D D D D D I
            printIterativeDisplay(s, header, flush, n, c[0].k, c[1].d, c[2].d, c[3].d, c[4].d, c[5].d,
                                  c[6].d, c[7].k);
            break;
        case 1:  // I G D D D
            printIterativeDisplay(s, header, flush, n, c[0].k, c[1].d, c[2].d, c[3].d, c[4].d);
            break;
        case 2:
        case 3:  // I D D D D D D S
            printIterativeDisplay(s, header, flush, n, c[0].k, c[1].d, c[2].d, c[3].d, c[4].d, c[5].d,
                                  c[6].d, c[7].s);
            break;
        case 4:  // I I D D D D D D S
            printIterativeDisplay(s, header, flush, n, c[0].k, c[1].k, c[2].d, c[3].d, c[4].d, c[5].d,
                                  c[6].d, c[7].d, c[8].s);
            break;
        case 5:
        case 6:  // I D D D D D D I S
            printIterativeDisplay(s, header, flush, n, c[0].k, c[1].d, c[2].d, c[3].d, c[4].d, c[5].d,
                                  c[6].d, c[7].k, c[8].s);
            break;
        case 7:  // I D D D S I S
            printIterativeDisplay(s, header, flush, n, c[0].k, c[1].d, c[2].d, c[3].d, c[4].s, c[5].k,
                                  c[6].s);
            break;
        case 8:
        case 9:  // I D D D D D S I S
            printIterativeDisplay(s, header, flush, n, c[0].k, c[1].d, c[2].d, c[3].d, c[4].d, c[5].d,
                                  c[6].s, c[7].k, c[8].s);
            break;
        default:
            printIterativeDisplay(s, header, flush, n, 1UL, 2.0, "x");
    }
}

std::vector<Column> layoutColumns(int s) {
    switch (s) {
        case 0: return columnsOf<SolverName::PredictorCorrector>(8);
        case 1: return columnsOf<SolverName::DualSimplex>(5);
        case 2: return columnsOf<SolverName::InteriorPoint>(8);
        case 3: return columnsOf<SolverName::InteriorPointLeastSquares>(8);
        case 4: return columnsOf<SolverName::SequentialQP>(9);
        case 5: return columnsOf<SolverName::RegularizedPredictorCorrector>(9);
        case 6: return columnsOf<SolverName::RegularizedPredictorCorrectorLeastSquares>(9);
        case 7: return columnsOf<SolverName::ActiveSetPhaseOne>(7);
        case 8: return columnsOf<SolverName::ActiveSet>(9);
        default: return columnsOf<SolverName::ActiveSetLeastSquares>(9);
    }
}

std::string rowText(SolverName s, unsigned long n, const std::vector<Cell>& cells) {
    ConsoleCapture capture;
    printRow(s, false, false, n, cells);
    return capture.text();
}

const char* const kTexts[] = {"", "Newton", "bnd", "a-much-longer-text-than-any-field", "upd",
                              "infeasible step"};

Cell randomCell(std::mt19937_64& rng) {
    Cell c;
    std::uniform_real_distribution<double> mant(-10.0, 10.0);
    std::uniform_int_distribution<int> exp10(-320, 308);
    switch (rng() % 12) {
        case 0: c.d = kInf; break;
        case 1: c.d = -kInf; break;
        case 2: c.d = std::numeric_limits<double>::quiet_NaN(); break;
        case 3: c.d = (rng() & 1) ? DBL_MAX : -DBL_MAX; break;
        case 4: c.d = (rng() & 1) ? 0.0 : -0.0; break;
        default: c.d = mant(rng) * std::pow(10.0, exp10(rng));
    }
    c.k = (rng() % 4 == 0) ? rng() : rng() % 100000;
    c.s = kTexts[rng() % std::size(kTexts)];
    return c;
}

// Two-line header as positions: line one is each first line right-aligned in its width
// plus two spaces; each second line ends where its column's first-line text ends.
std::string expectedTwoLineHeader(const std::vector<Column>& columns, const std::vector<std::string>& texts) {
    std::string line1;
    std::vector<std::pair<std::size_t, std::string>> seconds;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const auto lf = texts[i].find('\n');
        const std::string first = texts[i].substr(0, lf);
        char buf[256];
        std::snprintf(buf, sizeof buf, "%*s  ", static_cast<int>(columns[i].width), first.c_str());
        line1 += buf;
        if (lf != std::string::npos && lf + 1 < texts[i].size()) {
            const auto lf2 = texts[i].find('\n', lf + 1);
            seconds.emplace_back(line1.size() - 2,
                                 texts[i].substr(lf + 1, lf2 == std::string::npos ? lf2 : lf2 - lf - 1));
        }
    }
    if (seconds.empty()) return line1 + "\n";
    std::string line2;
    for (const auto& [end, text] : seconds) line2 += std::string(end - text.size() - line2.size(), ' ') + text;
    return line1 + "\n" + line2 + "\n";
}

std::string expectedOneLineHeader(const std::vector<Column>& columns, const std::vector<std::string>& texts) {
    std::string line;
    char buf[256];
    for (std::size_t i = 0; i < texts.size(); ++i) {
        std::snprintf(buf, sizeof buf, "%*s  ", static_cast<int>(columns[i].width), texts[i].c_str());
        line += buf;
    }
    return line + "\n";
}

}  // namespace

TEST(IterativeDisplay, WorkedDualSimplexRowByteForByte) {
    ConsoleCapture capture;
    printIterativeDisplay(SolverName::DualSimplex, false, false, 5UL, 3UL, 0.5, -12.5, 0.0, kInf);
    const std::string expected = std::string("    3") + "  " + "     0.5" + "  " + " -1.250000e+01" +
                                 "  " + " 0.000000e+00" + "  " + "          Inf  " + "\n";
    EXPECT_EQ(capture.text(), expected);
    EXPECT_EQ(capture.text().size(), 63U + 1U);
}

TEST(IterativeDisplay, RandomRowsOfAllLayoutsMatchSnprintf) {
    HostLeakGuard guard;
    std::mt19937_64 rng(77);
    for (int s = 0; s < 10; ++s) {
        const auto columns = layoutColumns(s);
        for (int trial = 0; trial < 300; ++trial) {
            std::vector<Cell> cells;
            for (std::size_t i = 0; i < columns.size(); ++i) cells.push_back(randomCell(rng));
            if (columns[1].type == ColumnType::GeneralDouble && !std::isfinite(cells[1].d)) cells[1].d = 1.0;
            const auto n = static_cast<unsigned long>(trial % 3 == 0 ? rng() % (columns.size() + 1)
                                                                     : columns.size());
            const std::vector<Cell> printed(cells.begin(), cells.begin() + static_cast<long>(n));
            ASSERT_EQ(rowText(static_cast<SolverName>(s), n, cells), displaytest::expectedRow(columns, printed))
                << "SolverName " << s << " trial " << trial << " columns " << n;
        }
    }
}

TEST(IterativeDisplay, SubstitutionsAndGeneralNotation) {
    const auto ds = layoutColumns(1);
    // -Inf shows no sign; NaN is "-" at the last digit position; DBL_MAX is a number.
    EXPECT_EQ(rowText(SolverName::DualSimplex, 5, {{0, 1}, {0.5}, {-kInf}, {NAN}, {DBL_MAX}}),
              "    1       0.5             Inf              -  1.797693e+308  \n");
    // General notation: 6 significant digits, a longer rendering pushes the row right,
    // non-finite values are printed as printf spells them.
    EXPECT_EQ(rowText(SolverName::DualSimplex, 2, {{0, 1}, {1234567.0}}), "    1  1.23457e+06  \n");
    EXPECT_EQ(rowText(SolverName::DualSimplex, 2, {{0, 1}, {-kInf}}), "    1      -inf  \n");
    EXPECT_EQ(rowText(SolverName::DualSimplex, 2, {{0, 1}, {kInf}}), "    1       inf  \n");
    EXPECT_EQ(rowText(SolverName::DualSimplex, 2, {{0, 1}, {NAN}}), "    1       nan  \n");
    // A precision-3 row does not leave its precision to the next row's general column.
    rowText(SolverName::SequentialQP, 9, std::vector<Cell>(9, Cell{1.0, 1, "s"}));
    EXPECT_EQ(rowText(SolverName::DualSimplex, 2, {{0, 1}, {0.123456789}}), "    1  0.123457  \n");
}

TEST(IterativeDisplay, OneLineHeadersAndColumnCounts) {
    ConsoleCapture capture;
    const auto pc = layoutColumns(0);
    const std::vector<std::string> keys = {"Iter", "Fval", "PrimalInfeas", "DualInfeas",
                                           "Complementarity", "BarrierParam", "StepLength", "NumCorr"};
    std::vector<std::string> texts;
    for (const auto& k : keys) texts.push_back(displaytest::catalogText(k));
    const std::vector<Cell> cells(8, Cell{2.5, 4, ""});
    for (unsigned long n : {8UL, 3UL, 0UL}) {
        capture.clear();
        printRow(SolverName::PredictorCorrector, true, false, n, cells);
        const std::vector<Column> cols(pc.begin(), pc.begin() + static_cast<long>(n));
        const std::vector<std::string> shown(texts.begin(), texts.begin() + static_cast<long>(n));
        EXPECT_EQ(capture.text(), expectedOneLineHeader(cols, shown) +
                                      displaytest::expectedRow(cols, std::vector<Cell>(n, cells[0])))
            << n << " columns";
    }
    capture.clear();
    printRow(SolverName::DualSimplex, true, false, 0, {});
    EXPECT_EQ(capture.text(), "\n\n");
}

TEST(IterativeDisplay, TwoLineHeaders) {
    ConsoleCapture capture;
    const auto sqp = layoutColumns(4);
    const std::vector<std::string> keys = {"Iter", "Fcount", "Fval", "Feasibility", "StepLength",
                                           "StepNorm", "FirstOrderOpt", "PenaltyParam", "StepType"};
    std::vector<std::string> texts;
    for (const auto& k : keys) texts.push_back(displaytest::catalogText(k));
    const std::vector<Cell> cells(9, Cell{0.25, 12, "ok"});
    std::size_t withSecondLine = 0;
    for (const auto& t : texts) withSecondLine += t.find('\n') != std::string::npos;
    ASSERT_GE(withSecondLine, 2U) << "the catalog must exercise the second header line";
    for (unsigned long n : {9UL, 7UL, 5UL, 0UL}) {
        capture.clear();
        printRow(SolverName::SequentialQP, true, false, n, cells);
        const std::vector<Column> cols(sqp.begin(), sqp.begin() + static_cast<long>(n));
        const std::vector<std::string> shown(texts.begin(), texts.begin() + static_cast<long>(n));
        EXPECT_EQ(capture.text(), expectedTwoLineHeader(cols, shown) +
                                      displaytest::expectedRow(cols, std::vector<Cell>(n, cells[0])))
            << n << " columns";
    }
    // The first five SequentialQP headers hold no line break: exactly one header line.
    capture.clear();
    printRow(SolverName::SequentialQP, true, false, 5, cells);
    EXPECT_EQ(lineCount(capture.text()), 2);

    const auto as1 = layoutColumns(7);
    capture.clear();
    printRow(SolverName::ActiveSetPhaseOne, true, false, 7, std::vector<Cell>(7, Cell{1.0, 3, "add"}));
    std::vector<std::string> as1Texts;
    for (const char* k : {"Iter", "Feasibility", "StepNorm", "StepLength", "Action", "ActiveConstr", "StepType"})
        as1Texts.push_back(displaytest::catalogText(k));
    EXPECT_EQ(capture.text(), expectedTwoLineHeader(as1, as1Texts) +
                                  displaytest::expectedRow(as1, std::vector<Cell>(7, Cell{1.0, 3, "add"})));
}

TEST(IterativeDisplay, TwoLineHeaderEdgeTexts) {
    // Nothing after the line feed: no second line; text after a second line feed: ignored.
    kaldor::testing::ScopedCatalogText resnorm("Resnorm", u"Resnorm\n");
    kaldor::testing::ScopedCatalogText feasibility("Feasibility", u"Feasi-\nbility\nignored");
    ConsoleCapture capture;
    const std::vector<Cell> cells(9, Cell{1.0, 3, "x"});
    printRow(SolverName::ActiveSetLeastSquares, true, false, 3, cells);
    const auto cols = layoutColumns(9);
    char expected[256];
    std::snprintf(expected, sizeof expected, "%5s  %14s  %13s  \n%*s\n", "Iter", "Resnorm", "Feasi-",
                  5 + 2 + 14 + 2 + 13, "bility");
    EXPECT_EQ(capture.text(),
              expected + displaytest::expectedRow({cols.begin(), cols.begin() + 3}, {cells[0], cells[1], cells[2]}));
    capture.clear();
    printRow(SolverName::ActiveSetLeastSquares, true, false, 2, cells);
    std::snprintf(expected, sizeof expected, "%5s  %14s  \n", "Iter", "Resnorm");
    EXPECT_EQ(capture.text().substr(0, 24), expected) << "no second line at all";
}

TEST(IterativeDisplay, FlushOnlyWhenAskedAndUnknownLayoutsPrintNothing) {
    HostLeakGuard guard;
    ConsoleCapture capture;
    const std::vector<Cell> cells = {{0, 1}, {0.5}, {1.0}, {2.0}, {3.0}};
    for (bool header : {false, true}) {
        for (bool flush : {false, true}) {
            capture.clear();
            const auto before = kaldor::testing::flushCount();
            printRow(SolverName::DualSimplex, header, flush, 5, cells);
            EXPECT_EQ(kaldor::testing::flushCount() - before, flush ? 1U : 0U);
            EXPECT_EQ(lineCount(capture.text()), header ? 2 : 1);
        }
    }
    for (int bad : {10, 11, -1, -7, INT_MIN, INT_MAX}) {
        for (bool flush : {false, true}) {
            capture.clear();
            const auto before = kaldor::testing::flushCount();
            printRow(static_cast<SolverName>(bad), true, flush, 3, {});
            EXPECT_EQ(capture.text(), "") << bad;
            EXPECT_EQ(kaldor::testing::flushCount() - before, flush ? 1U : 0U) << bad;
        }
    }
}

TEST(IterativeDisplay, PlainSymbolWrapper) {
    ConsoleCapture capture;
    const auto before = kaldor::testing::flushCount();
    // 1 + (-1) negated is -0.0; the wrapper shows it as a positive zero.
    printIterativeDisplay(true, true, 4UL, 0.25, 1.0, 1e-9, kInf, -1.0);
    std::string plain = capture.text();
    capture.clear();
    printIterativeDisplay(SolverName::DualSimplex, true, false, 5UL, 4UL, 0.25, 0.0, 1e-9, kInf);
    EXPECT_EQ(plain, capture.text());
    EXPECT_NE(plain.find("  0.000000e+00"), std::string::npos);
    EXPECT_EQ(plain.find("-0.000000e+00"), std::string::npos);

    // The offset is added before negating.
    capture.clear();
    printIterativeDisplay(false, true, 5UL, 1.5, 2.0, 0.0, 0.0, 0.5);
    EXPECT_EQ(capture.text(), displaytest::expectedRow(layoutColumns(1), {{0, 5}, {1.5}, {-2.5}, {0.0}, {0.0}}));
    capture.clear();
    printIterativeDisplay(false, false, 5UL, 1.5, 2.0, 0.0, 0.0, 0.5);
    EXPECT_EQ(capture.text(), displaytest::expectedRow(layoutColumns(1), {{0, 5}, {1.5}, {2.5}, {0.0}, {0.0}}));
    EXPECT_EQ(kaldor::testing::flushCount(), before) << "the wrapper never flushes";
}
