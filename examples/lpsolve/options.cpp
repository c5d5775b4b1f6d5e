#include "examples/lpsolve/options.hpp"

#include <cmath>
#include <cstdlib>

#include "examples/lpsolve/lp_error.hpp"

namespace lpsolve {
namespace {

double parseTolerance(const std::string& text) {
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(v) || v < kMinTolerance ||
        v > kMaxTolerance) {
        throw LpError(ExitCode::Usage,
                      "--tol needs a number between 1e-14 and 1e-2, got '" + text + "'");
    }
    return v;
}

std::size_t parseIterationLimit(const std::string& text) {
    std::size_t v = 0;
    bool valid = !text.empty() && text.size() <= 7;  // kMaxIterationLimit has 7 digits
    for (const char c : text) {
        valid = valid && c >= '0' && c <= '9';
        if (valid) v = 10 * v + static_cast<std::size_t>(c - '0');
    }
    if (!valid || v < 1 || v > kMaxIterationLimit) {
        throw LpError(ExitCode::Usage, "--max-iter needs a whole number between 1 and " +
                                           std::to_string(kMaxIterationLimit) + ", got '" + text +
                                           "'");
    }
    return v;
}

LinearAlgebra parseKktForm(const std::string& text) {
    if (text == "auto") return LinearAlgebra::Automatic;
    if (text == "augmented") return LinearAlgebra::Augmented;
    if (text == "normal") return LinearAlgebra::Normal;
    throw LpError(ExitCode::Usage,
                  "--kkt needs one of augmented, normal or auto, got '" + text + "'");
}

}  // namespace

const char* usageText() {
    return "usage: lpsolve (or qpsolve) [options] FILE.mps\n"
           "  --tol T        relative tolerance on infeasibilities and gap,\n"
           "                 a number in [1e-14, 1e-2] (default 1e-8)\n"
           "  --max-iter N   iteration limit, a whole number in [1, 1000000] (default 100)\n"
           "  --kkt FORM     the linear system each iteration factors: augmented (the\n"
           "                 augmented system; dense LDL' up to 400 unknowns, sparse LDL'\n"
           "                 above), normal (sparse LDL' of the normal equations A D^-1 A',\n"
           "                 dense columns of A kept as a border) or auto (default: dense\n"
           "                 up to 400 unknowns; above, the normal equations unless their\n"
           "                 factor would fill, else the sparse augmented system)\n"
           "  --dense        augmented system, dense LDL' (with --kkt auto or augmented)\n"
           "  --sparse       augmented system, sparse LDL' (with --kkt auto or augmented)\n"
           "  --normal       same as --kkt normal\n"
           "  --no-presolve  skip the presolve step\n"
           "  --quiet        print only the final summary\n"
           "\n"
           "FILE: fixed or free MPS, plain or compressed with gzip or bzip2. OBJSENSE MAX\n"
           "(or MAXIMIZE, as a section or on the NAME line) is honoured and the objective\n"
           "reported in the file's sense. Bounds, right-hand sides and ranges of magnitude\n"
           ">= 1e20 are infinite, as in Clp. A QUADOBJ, QMATRIX or QSECTION section (the last\n"
           "before ENDATA) adds 1/2 x'Qx to the objective; Q must be positive semidefinite.\n"
           "Refused (exit 2): lines over 512 characters, names or numbers over 80,\n"
           "quadratic-constraint or conic sections, special ordered sets,\n"
           "semi-continuous columns, binary files, directories.\n"
           "\n"
           "Exit codes: 0 optimal; 1 usage error; 2 unreadable or refused file;\n"
           "3 infeasible; 4 unbounded; 5 numerical failure (KKT factorization, no progress,\n"
           "non-finite iterates), also out of memory and any other internal error;\n"
           "6 iteration limit; 7 non-convex quadratic objective. Every non-zero exit prints\n"
           "its reason on stderr.\n";
}

Options parseOptions(const std::vector<std::string>& args) {
    Options o;
    LinearAlgebra form = LinearAlgebra::Automatic, factorization = LinearAlgebra::Automatic;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size()) throw LpError(ExitCode::Usage, a + " needs a value");
            return args[++i];
        };
        if (a == "--tol") {
            o.tolerance = parseTolerance(value());
        } else if (a == "--max-iter") {
            o.maxIterations = parseIterationLimit(value());
        } else if (a == "--kkt") {
            form = parseKktForm(value());
        } else if (a == "--normal") {
            form = LinearAlgebra::Normal;
        } else if (a == "--dense" || a == "--sparse") {
            factorization = a == "--dense" ? LinearAlgebra::Dense : LinearAlgebra::Sparse;
        } else if (a == "--quiet" || a == "-q") {
            o.quiet = true;
        } else if (a == "--no-presolve") {
            o.presolve = false;
        } else if (!a.empty() && a[0] == '-') {
            throw LpError(ExitCode::Usage, "unknown option '" + a + "'");
        } else if (o.file.empty()) {
            o.file = a;
        } else {
            throw LpError(ExitCode::Usage,
                          "more than one file given ('" + o.file + "', '" + a + "')");
        }
    }
    if (factorization != LinearAlgebra::Automatic && form == LinearAlgebra::Normal) {
        throw LpError(ExitCode::Usage,
                      "--dense and --sparse factor the augmented system; they do not go with "
                      "--kkt normal");
    }
    o.linearAlgebra = factorization != LinearAlgebra::Automatic ? factorization : form;
    if (o.file.empty()) throw LpError(ExitCode::Usage, "no MPS file given");
    return o;
}

}  // namespace lpsolve
