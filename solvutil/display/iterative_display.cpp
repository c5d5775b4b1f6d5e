// The iterative display: header (one- or two-line) and row of a progress table.
//
// Every header and every row gets its own console stream, so formatting state set for
// one row never leaks into the next, and a stream that failed is simply discarded.
#include "solvutil/display/iterative_display.hpp"

#include <cfloat>
#include <cmath>
#include <cstdarg>
#include <string>
#include <vector>

#include "solvutil/display/layout_view.hpp"
#include "solvutil/host/hostio.hpp"
#include "solvutil/host/hostmsg.hpp"

namespace solvutil::display {
namespace {

void printOneLineHeader(const LayoutView& layout, unsigned long n, const std::u16string* texts) {
    hostio::uostream os = hostio::uout();
    for (unsigned long i = 0; i < n; ++i) {
        os.width(layout.widths[i]);
        os << texts[i];
        os << "  ";
    }
    os << "\n";
}

// Splits `text` into its first line and, if a line feed is followed by anything, its
// second line (up to a further line feed, beyond which everything is ignored).
bool splitHeader(const std::string& text, std::string& first, std::string& second) {
    const auto firstEnd = text.find('\n');
    first.assign(text, 0, firstEnd);
    if (firstEnd == std::string::npos || firstEnd + 1 >= text.size()) return false;
    const auto secondEnd = text.find('\n', firstEnd + 1);
    second.assign(text, firstEnd + 1,
                  secondEnd == std::string::npos ? std::string::npos : secondEnd - firstEnd - 1);
    return true;
}

// Column i's first-line text ends at (w_1 + 2) + ... + (w_i + 2) - 2. Each second line
// is right-aligned in the distance from where the previous second line ended to that
// position, so it ends under its column's first-line text.
void printTwoLineHeader(const LayoutView& layout, unsigned long n, const std::u16string* texts) {
    std::vector<long> fieldWidths{-2};
    std::vector<std::string> secondLines;
    {
        hostio::uostream os = hostio::uout();
        std::string first;
        std::string second;
        for (unsigned long i = 0; i < n; ++i) {
            const bool hasSecond = splitHeader(hostmsg::to_string(texts[i]), first, second);
            os.width(layout.widths[i]);
            os << hostmsg::to_ustring(first);
            os << "  ";
            fieldWidths.back() += layout.widths[i] + 2;
            if (hasSecond) {
                secondLines.push_back(second);
                fieldWidths.push_back(0);
            }
        }
        os << "\n";
    }
    if (secondLines.empty()) return;
    hostio::uostream os = hostio::uout();
    for (std::size_t k = 0; k < secondLines.size(); ++k) {
        os.width(fieldWidths[k]);
        os << hostmsg::to_ustring(secondLines[k]);
    }
    os << "\n";
}

// The row path: formatted writes into a stack of console stream calls, no allocation.
void printRow(const LayoutView& layout, unsigned long n, std::va_list args) {
    hostio::uostream os = hostio::uout();
    for (unsigned long i = 0; i < n; ++i) {
        const long w = layout.widths[i];
        switch (layout.types[i]) {
            case ColumnType::Double: {
                const double v = va_arg(args, double);
                if (std::fabs(v) <= DBL_MAX) {
                    os.setf(std::ios_base::scientific, std::ios_base::floatfield);
                    os.width(w);
                    os.precision(static_cast<std::streamsize>(layout.precisions[i]));
                    os << v;
                    os << "  ";
                } else {
                    // The substitute ends where a number's last digit would; its two
                    // trailing spaces stand for the separator.
                    os.width(w + 2);
                    os << (std::isnan(v) ? "-  " : "Inf  ");
                }
                break;
            }
            case ColumnType::Integer:
                os.width(w);
                os << va_arg(args, unsigned long);
                os << "  ";
                break;
            case ColumnType::String:
                os.width(w);
                os << va_arg(args, const char*);
                os << "  ";
                break;
            case ColumnType::GeneralDouble:
                os.unsetf(std::ios_base::floatfield);
                os.width(w);
                os << va_arg(args, double);
                os << "  ";
                break;
        }
    }
    os << "\n";
}

}  // namespace
}  // namespace solvutil::display

void printIterativeDisplay(SolverName solver, bool printHeader, bool flush,
                           unsigned long numColumns, ...) {
    using namespace solvutil::display;
    if (const LayoutView* layout = findLayout(solver)) {
        if (printHeader) {
            const std::u16string* texts = displayHeaders(solver);
            if (layout->twoLineHeader) {
                printTwoLineHeader(*layout, numColumns, texts);
            } else {
                printOneLineHeader(*layout, numColumns, texts);
            }
        }
        std::va_list args;
        va_start(args, numColumns);
        printRow(*layout, numColumns, args);
        va_end(args);
    }
    if (flush) ioFlush();
}

extern "C" void printIterativeDisplay(bool printHeader, bool negateObjective,
                                      unsigned long iteration, double time, double objective,
                                      double primalInfeasibility, double dualInfeasibility,
                                      double objectiveOffset) {
    double shown = objective + objectiveOffset;
    if (negateObjective) shown = -shown;
    shown = shown + 0.0;  // -0.0 + 0.0 is +0.0: a zero objective never shows a sign
    printIterativeDisplay(SolverName::DualSimplex, printHeader, false, 5UL, iteration, time, shown,
                          primalInfeasibility, dualInfeasibility);
}
