#include "examples/lpsolve/mps_reader.hpp"

#include <CoinMessageHandler.hpp>
#include <CoinMpsIO.hpp>
#include <CoinPackedMatrix.hpp>

#include <cmath>
#include <fstream>

#include "examples/lpsolve/lp_error.hpp"

namespace lpsolve {
namespace {

bool fileReadable(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return static_cast<bool>(in);
}

// CoinMpsIO marks infinity with its own large value; map it to IEEE infinity.
double toIeee(double v, double coinInfinity) {
    if (v >= coinInfinity) return kInf;
    if (v <= -coinInfinity) return -kInf;
    return v;
}

// True when a line starts with a section name of the quadratic/conic extensions.
// Compressed files are not scanned.
bool hasNonlinearSection(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        for (const char* section : {"QUADOBJ", "QSECTION", "QMATRIX", "QCMATRIX", "CSECTION"}) {
            if (line.rfind(section, 0) == 0) return true;
        }
    }
    return false;
}

}  // namespace

LpModel readMps(const std::string& path) {
    // CoinMpsIO would also try "<path>.mps" and "<path>.gz"; check first so that the
    // message names the file the user gave.
    if (!fileReadable(path)) {
        throw LpError(ExitCode::BadInput, "cannot open '" + path + "': no such file or not readable");
    }
    CoinMessageHandler quiet;
    quiet.setLogLevel(0);
    CoinMpsIO reader;
    reader.passInMessageHandler(&quiet);
    const int errors = reader.readMps(path.c_str(), "");
    if (errors != 0) {
        throw LpError(ExitCode::BadInput,
                      "cannot read '" + path + "' as an MPS file (" +
                          (errors < 0 ? std::string("open failed")
                                      : std::to_string(errors) + " errors") + ")");
    }

    // CoinMpsIO skips quadratic and conic sections without a word; refuse such files
    // rather than solve a different problem.
    if (hasNonlinearSection(path)) {
        throw LpError(ExitCode::BadInput, "'" + path +
                                              "' has a quadratic or conic section; lpsolve "
                                              "solves linear programs only");
    }

    LpModel lp;
    lp.name = reader.getProblemName();
    const int m = reader.getNumRows();
    const int n = reader.getNumCols();
    const double inf = reader.getInfinity();

    CoinPackedMatrix byCol(*reader.getMatrixByCol());
    byCol.removeGaps();
    lp.A.rows = static_cast<std::size_t>(m);
    lp.A.cols = static_cast<std::size_t>(n);
    lp.A.colStart.assign(static_cast<std::size_t>(n) + 1, 0);
    const CoinBigIndex* starts = byCol.getVectorStarts();
    const int* lengths = byCol.getVectorLengths();
    const int* rows = byCol.getIndices();
    const double* values = byCol.getElements();
    for (int j = 0; j < n; ++j) {
        for (CoinBigIndex k = starts[j]; k < starts[j] + lengths[j]; ++k) {
            if (values[k] == 0.0) continue;  // explicit zeros carry no information
            lp.A.rowIndex.push_back(static_cast<std::size_t>(rows[k]));
            lp.A.value.push_back(values[k]);
        }
        lp.A.colStart[static_cast<std::size_t>(j) + 1] = lp.A.rowIndex.size();
    }

    const double* c = reader.getObjCoefficients();
    lp.objective.assign(c, c + n);
    lp.objectiveConstant = -reader.objectiveOffset();
    for (int j = 0; j < n; ++j) {
        lp.colLower.push_back(toIeee(reader.getColLower()[j], inf));
        lp.colUpper.push_back(toIeee(reader.getColUpper()[j], inf));
        if (reader.isInteger(j)) ++lp.integerColumns;
    }
    for (int i = 0; i < m; ++i) {
        lp.rowLower.push_back(toIeee(reader.getRowLower()[i], inf));
        lp.rowUpper.push_back(toIeee(reader.getRowUpper()[i], inf));
    }
    return lp;
}

}  // namespace lpsolve
