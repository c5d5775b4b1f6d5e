// Header texts of the ten layouts: each column names a key of the catalog
// "solvlib:solvUtility"; the texts are fetched once per process and SolverName.
//
// Every (SolverName, column) pair owns a function-local static string, and every
// SolverName owns a static array of copies. Guarded static initialisation gives the
// retry rule for free: a fetch or copy that throws leaves its static uninitialised, so
// the next call tries again, and keys already fetched are not fetched twice.
#include <array>
#include <utility>

#include "solvutil/display/layouts.hpp"
#include "solvutil/host/hostmsg.hpp"

namespace {

constexpr const char* kCatalog = "solvlib:solvUtility";

template <SolverName S>
struct HeaderKeys;

#define SOLVUTIL_HEADER_KEYS(S, ...)                                     \
    template <>                                                          \
    struct HeaderKeys<S> {                                               \
        static constexpr std::array keys{__VA_ARGS__};                   \
    };

SOLVUTIL_HEADER_KEYS(SolverName::PredictorCorrector, "Iter", "Fval", "PrimalInfeas",
                     "DualInfeas", "Complementarity", "BarrierParam", "StepLength", "NumCorr")
SOLVUTIL_HEADER_KEYS(SolverName::DualSimplex, "Iter", "Time", "Fval", "PrimalInfeas",
                     "DualInfeas")
SOLVUTIL_HEADER_KEYS(SolverName::InteriorPoint, "Iter", "Fval", "PrimalInfeas", "DualInfeas",
                     "Complementarity", "BarrierParam", "StepLength", "StepType")
SOLVUTIL_HEADER_KEYS(SolverName::InteriorPointLeastSquares, "Iter", "Resnorm", "PrimalInfeas",
                     "DualInfeas", "Complementarity", "BarrierParam", "StepLength", "StepType")
SOLVUTIL_HEADER_KEYS(SolverName::SequentialQP, "Iter", "Fcount", "Fval", "Feasibility",
                     "StepLength", "StepNorm", "FirstOrderOpt", "PenaltyParam", "StepType")
SOLVUTIL_HEADER_KEYS(SolverName::RegularizedPredictorCorrector, "Iter", "Fval", "PrimalInfeas",
                     "DualInfeas", "Complementarity", "BarrierParam", "StepLength", "NumCorr",
                     "RegType")
SOLVUTIL_HEADER_KEYS(SolverName::RegularizedPredictorCorrectorLeastSquares, "Iter", "Resnorm",
                     "PrimalInfeas", "DualInfeas", "Complementarity", "BarrierParam",
                     "StepLength", "NumCorr", "RegType")
SOLVUTIL_HEADER_KEYS(SolverName::ActiveSetPhaseOne, "Iter", "Feasibility", "StepNorm",
                     "StepLength", "Action", "ActiveConstr", "StepType")
SOLVUTIL_HEADER_KEYS(SolverName::ActiveSet, "Iter", "Fval", "Feasibility", "FirstOrderOpt",
                     "StepNorm", "StepLength", "Action", "ActiveConstr", "StepType")
SOLVUTIL_HEADER_KEYS(SolverName::ActiveSetLeastSquares, "Iter", "Resnorm", "Feasibility",
                     "FirstOrderOpt", "StepNorm", "StepLength", "Action", "ActiveConstr",
                     "StepType")

#undef SOLVUTIL_HEADER_KEYS

std::u16string fetchHeader(const char* key) {
    const hostmsg::BaseMsgID id({}, kCatalog, key);
    return hostmsg::MessageCatalog::get_message(id, hostmsg::KdLocale::global());
}

// The cached text of column I of S.
template <SolverName S, std::size_t I>
const std::u16string& headerText() {
    static const std::u16string text = fetchHeader(HeaderKeys<S>::keys[I]);
    return text;
}

template <SolverName S, std::size_t... I>
std::u16string* buildHeaders(std::index_sequence<I...>) {
    (headerText<S, I>(), ...);  // fetch every key first, in column order
    static std::u16string headers[sizeof...(I)] = {headerText<S, I>()...};
    return headers;
}

template <SolverName S>
std::u16string* headersOf() {
    return buildHeaders<S>(std::make_index_sequence<HeaderKeys<S>::keys.size()>());
}

}  // namespace

#define SOLVUTIL_DEFINE_HEADERS(S) \
    template <> std::u16string* getDisplayHeaders<S>() { return headersOf<S>(); }

SOLVUTIL_DEFINE_HEADERS(SolverName::PredictorCorrector)
SOLVUTIL_DEFINE_HEADERS(SolverName::DualSimplex)
SOLVUTIL_DEFINE_HEADERS(SolverName::InteriorPoint)
SOLVUTIL_DEFINE_HEADERS(SolverName::InteriorPointLeastSquares)
SOLVUTIL_DEFINE_HEADERS(SolverName::SequentialQP)
SOLVUTIL_DEFINE_HEADERS(SolverName::RegularizedPredictorCorrector)
SOLVUTIL_DEFINE_HEADERS(SolverName::RegularizedPredictorCorrectorLeastSquares)
SOLVUTIL_DEFINE_HEADERS(SolverName::ActiveSetPhaseOne)
SOLVUTIL_DEFINE_HEADERS(SolverName::ActiveSet)
SOLVUTIL_DEFINE_HEADERS(SolverName::ActiveSetLeastSquares)

#undef SOLVUTIL_DEFINE_HEADERS

namespace solvutil::display {

std::u16string* displayHeaders(SolverName solver) {
    switch (solver) {
        case SolverName::PredictorCorrector: return getDisplayHeaders<SolverName::PredictorCorrector>();
        case SolverName::DualSimplex: return getDisplayHeaders<SolverName::DualSimplex>();
        case SolverName::InteriorPoint: return getDisplayHeaders<SolverName::InteriorPoint>();
        case SolverName::InteriorPointLeastSquares:
            return getDisplayHeaders<SolverName::InteriorPointLeastSquares>();
        case SolverName::SequentialQP: return getDisplayHeaders<SolverName::SequentialQP>();
        case SolverName::RegularizedPredictorCorrector:
            return getDisplayHeaders<SolverName::RegularizedPredictorCorrector>();
        case SolverName::RegularizedPredictorCorrectorLeastSquares:
            return getDisplayHeaders<SolverName::RegularizedPredictorCorrectorLeastSquares>();
        case SolverName::ActiveSetPhaseOne: return getDisplayHeaders<SolverName::ActiveSetPhaseOne>();
        case SolverName::ActiveSet: return getDisplayHeaders<SolverName::ActiveSet>();
        case SolverName::ActiveSetLeastSquares:
            return getDisplayHeaders<SolverName::ActiveSetLeastSquares>();
    }
    return nullptr;
}

}  // namespace solvutil::display
