// The solver's verdicts on random LPs with a planted answer, against the plan and against
// Clp, with both back ends. LPSOLVE_FAMILY_SIZE sets the problems per family (default 30).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "examples/lpsolve/lp_error.hpp"
#include "examples/lpsolve/solver.hpp"
#include "tests/examples/lpsolve/clp_oracle.hpp"
#include "tests/examples/lpsolve/planted_lps.hpp"
#include "tests/examples/lpsolve/program_run.hpp"

namespace {

using namespace lpsolve_test;
using lpsolve::IpmStatus;

struct Family {
    const char* name;
    PlantedOptions options;
};

const Family kFamilies[] = {
    {"Optimal", {.kind = Planted::Optimal}},
    {"Infeasible", {.kind = Planted::Infeasible}},
    {"Unbounded", {.kind = Planted::Unbounded}},
    {"DegenerateRankDeficient", {.kind = Planted::Optimal, .degenerate = true}},
    {"OptimalRescaled", {.kind = Planted::Optimal, .rescale = 9.0}},
    {"InfeasibleRescaled", {.kind = Planted::Infeasible, .rescale = 9.0}},
    {"UnboundedRescaled", {.kind = Planted::Unbounded, .rescale = 9.0}},
    {"LargeOptima", {.kind = Planted::Optimal, .magnitude = 10.0}},
};

unsigned familySize() {
    const char* env = std::getenv("LPSOLVE_FAMILY_SIZE");
    return env != nullptr ? static_cast<unsigned>(std::strtoul(env, nullptr, 10)) : 30u;
}

IpmStatus planned(Planted k) {
    return k == Planted::Optimal      ? IpmStatus::Optimal
           : k == Planted::Infeasible ? IpmStatus::Infeasible
                                      : IpmStatus::Unbounded;
}

IpmStatus clpStatus(ClpStatus s) {
    return s == ClpStatus::Optimal            ? IpmStatus::Optimal
           : s == ClpStatus::PrimalInfeasible ? IpmStatus::Infeasible
           : s == ClpStatus::DualInfeasible   ? IpmStatus::Unbounded
                                              : IpmStatus::NumericalFailure;
}

// The verdict the whole program gives: the presolve may decide before the method.
IpmStatus solve(const std::string& file, lpsolve::LinearAlgebra la, double& objective,
                std::string& why) {
    lpsolve::Options options;
    options.file = file, options.quiet = true, options.linearAlgebra = la;
    try {
        const lpsolve::SolveOutcome out = lpsolve::solveFile(options);
        objective = out.objective, why = out.message;
        return out.status;
    } catch (const lpsolve::LpError& e) {
        why = e.what();
        return e.code() == lpsolve::ExitCode::Infeasible  ? IpmStatus::Infeasible
               : e.code() == lpsolve::ExitCode::Unbounded ? IpmStatus::Unbounded
                                                          : IpmStatus::NumericalFailure;
    }
}

const char* name(IpmStatus s) {
    const char* names[] = {"optimal", "infeasible", "unbounded", "iteration limit", "failure"};
    return names[static_cast<int>(s)];
}

class PlantedFamily : public ::testing::TestWithParam<Family> {};

TEST_P(PlantedFamily, VerdictsAgreeWithThePlanAndWithClp) {
    if (!clpAvailable()) GTEST_SKIP() << "clp is not on PATH";
    const Family& family = GetParam();
    const std::string path = tempPath(family.name) + ".mps";
    const unsigned count = familySize();
    unsigned agreed = 0, clpAgreed = 0;
    for (unsigned seed = 1; seed <= count; ++seed) {
        const PlantedLp p =
            plantedLp(seed * 7919u + static_cast<unsigned>(family.options.kind), family.options);
        writeMps(p.lp, path);
        const IpmStatus truth = planned(p.kind);
        const ClpVerdict clp = runClp(path);
        clpAgreed += clpStatus(clp.status) == truth;
        EXPECT_STREQ(name(clpStatus(clp.status)), name(truth)) << family.name << " seed " << seed;
        bool both = true;
        using LA = lpsolve::LinearAlgebra;
        for (auto la : {LA::Dense, LA::Sparse, LA::Normal}) {
            double objective = 0.0;
            std::string why;
            const IpmStatus got = solve(path, la, objective, why);
            const char* back = la == LA::Dense ? "dense" : la == LA::Sparse ? "sparse" : "normal";
            both &= got == truth;
            EXPECT_STREQ(name(got), name(truth))
                << family.name << " seed " << seed << " " << back << ": " << why;
            if (got != IpmStatus::Optimal || truth != IpmStatus::Optimal) continue;
            const double tol = 1e-6 * std::max(1.0, std::fabs(p.objective));
            EXPECT_NEAR(objective, p.objective, tol)
                << family.name << " seed " << seed << " " << back;
            if (clp.status == ClpStatus::Optimal) {
                EXPECT_NEAR(objective, clp.objective, tol) << "vs Clp";
            }
        }
        agreed += both;
    }
    std::remove(path.c_str());
    std::printf("%s: %u of %u verdicts as planned with all three back ends; Clp %u of %u\n",
                family.name, agreed, count, clpAgreed, count);
}

INSTANTIATE_TEST_SUITE_P(Lpsolve, PlantedFamily, ::testing::ValuesIn(kFamilies),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
