#include "examples/lpsolve/options.hpp"

#include <cstdlib>

#include "examples/lpsolve/lp_error.hpp"

namespace lpsolve {
namespace {

double parseNumber(const std::string& option, const std::string& text) {
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !(v > 0.0)) {
        throw LpError(ExitCode::Usage, option + " needs a positive number, got '" + text + "'");
    }
    return v;
}

}  // namespace

const char* usageText() {
    return "usage: lpsolve [options] FILE.mps\n"
           "  --tol T        relative tolerance on infeasibilities and gap (default 1e-8)\n"
           "  --max-iter N   iteration limit (default 100)\n"
           "  --dense        dense KKT factorization (regularized dense LDL')\n"
           "  --sparse       sparse KKT factorization (sparse LDL')\n"
           "                 (default: dense up to 400 unknowns, sparse above)\n"
           "  --no-presolve  skip the presolve step\n"
           "  --quiet        print only the final summary\n";
}

Options parseOptions(const std::vector<std::string>& args) {
    Options o;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size()) throw LpError(ExitCode::Usage, a + " needs a value");
            return args[++i];
        };
        if (a == "--tol") {
            o.tolerance = parseNumber(a, value());
        } else if (a == "--max-iter") {
            o.maxIterations = static_cast<std::size_t>(parseNumber(a, value()));
        } else if (a == "--dense") {
            o.linearAlgebra = LinearAlgebra::Dense;
        } else if (a == "--sparse") {
            o.linearAlgebra = LinearAlgebra::Sparse;
        } else if (a == "--quiet" || a == "-q") {
            o.quiet = true;
        } else if (a == "--no-presolve") {
            o.presolve = false;
        } else if (!a.empty() && a[0] == '-') {
            throw LpError(ExitCode::Usage, "unknown option '" + a + "'");
        } else if (o.file.empty()) {
            o.file = a;
        } else {
            throw LpError(ExitCode::Usage, "more than one file given ('" + o.file + "', '" + a + "')");
        }
    }
    if (o.file.empty()) throw LpError(ExitCode::Usage, "no MPS file given");
    return o;
}

}  // namespace lpsolve
