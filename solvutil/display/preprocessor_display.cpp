// The preprocessing summary: all words come from the catalog; this code only picks the
// change word and the magnitude of the signed count.
#include "solvutil/display/preprocessor_display.hpp"

#include <cstdint>
#include <string>

#include "solvutil/display/layout_view.hpp"
#include "solvutil/host/hostio.hpp"
#include "solvutil/host/hostmsg.hpp"

using solvutil::display::kCatalog;

void printPreprocessorDisplay(SolverName /*solver*/, unsigned long countA, unsigned long countB,
                              unsigned long countC, long signedCount) {
    hostio::uostream os = hostio::uout();
    std::u16string changeWord;
    // The magnitude is formed in unsigned arithmetic so that the most negative count
    // has one as well.
    auto magnitude = static_cast<std::uint64_t>(signedCount);
    if (signedCount < 1) {
        const hostmsg::BaseMsgID added({}, kCatalog, "added");
        changeWord = hostmsg::MessageCatalog::get_message(added, hostmsg::KdLocale::global());
        changeWord += hostmsg::to_ustring(" ");
        magnitude = 0 - magnitude;
    }
    os << "\n";
    const hostmsg::BaseMsgID summary({std::uint64_t{countA}, std::uint64_t{countB},
                                      std::uint64_t{countC}, changeWord, magnitude},
                                     kCatalog, "LPPreprocessorDisplay");
    os << hostmsg::MessageCatalog::get_message(summary, hostmsg::KdLocale::global());
    os << "\n";
}

extern "C" void printPreprocessorDisplay(unsigned long countA, unsigned long countB,
                                         unsigned long countC, int signedCount) {
    printPreprocessorDisplay(SolverName::DualSimplex, countA, countB, countC,
                             static_cast<long>(signedCount));
}
