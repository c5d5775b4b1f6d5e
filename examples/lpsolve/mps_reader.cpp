#include "examples/lpsolve/mps_reader.hpp"

#include <fcntl.h>
#include <unistd.h>
#include <CoinError.hpp>
#include <CoinFileIO.hpp>
#include <CoinMessageHandler.hpp>
#include <CoinMpsIO.hpp>
#include <CoinPackedMatrix.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "examples/lpsolve/hessian.hpp"
#include "examples/lpsolve/lp_error.hpp"
#include "examples/lpsolve/mps_file.hpp"
#include "examples/lpsolve/mps_prescan.hpp"

namespace lpsolve {
namespace {

double toIeee(double v) {
    if (v >= kInfiniteBound) return kInf;
    if (v <= -kInfiniteBound) return -kInf;
    return v;
}

// Feeds CoinMpsIO the scanned file line by line, with a comment in place of each OBJSENSE
// line. It runs inside CoinMpsIO, so it must not throw: a failure ends the text.
class ScannedInput : public CoinFileInput {
public:
    ScannedInput(const std::string& path, std::vector<std::size_t> hidden)
        : CoinFileInput(path), file_(path), hidden_(std::move(hidden)) {
        readType_ = file_.compression();
    }

    int read(void* buffer, int size) override {
        int n = 0;
        for (char* out = static_cast<char*>(buffer); n < size && next(out[n]); ++n) {
        }
        return n;
    }

    char* gets(char* buffer, int size) override {
        if (size <= 1) return nullptr;
        int n = 0;
        while (n < size - 1) {
            if (atLineStart_ && std::binary_search(hidden_.begin(), hidden_.end(), line_ + 1)) {
                skipLine(), ++line_;
                buffer[n++] = '*';
                if (n < size - 1) buffer[n++] = '\n';
                break;
            }
            char c = 0;
            if (!next(c)) break;
            buffer[n++] = c;
            atLineStart_ = c == '\n';
            if (atLineStart_) {
                ++line_;
                break;
            }
        }
        buffer[n] = '\0';
        return n > 0 ? buffer : nullptr;
    }

private:
    bool next(char& c) {
        if (pos_ == end_) {
            try {
                end_ = file_.read(buffer_, sizeof buffer_);
            } catch (const LpError&) {
                end_ = 0;  // the pre-scan read the same bytes; the file changed since
            }
            pos_ = 0;
            if (end_ == 0) return false;
        }
        c = buffer_[pos_++];
        return true;
    }
    void skipLine() {
        for (char c = 0; next(c) && c != '\n';) {
        }
    }

    MpsFile file_;
    std::vector<std::size_t> hidden_;  // sorted 1-based line numbers
    std::size_t line_ = 0;
    bool atLineStart_ = true;
    char buffer_[1 << 16];
    std::size_t pos_ = 0, end_ = 0;
};

// CoinMpsIO reading from a CoinFileInput of ours instead of opening a file by name (which
// would also try other names, treat names containing ".gms" as GAMS files and expand '~').
class ScannedMpsIO : public CoinMpsIO {
public:
    int readFrom(std::unique_ptr<CoinFileInput> input, const std::string& name) {
        std::free(fileName_);
        fileName_ = strdup(name.c_str());
        delete cardReader_;
        cardReader_ = nullptr;
        cardReader_ = new CoinMpsCardReader(input.release(), this);
        return readMps();
    }
};

// Keeps the first warning or error for our own message; echoes all of them to stderr
// unless quiet.
class ReaderMessages : public CoinMessageHandler {
public:
    explicit ReaderMessages(bool quiet) : quiet_(quiet) {
        setLogLevel(0);
        setPrefix(false);
    }
    int print() override {
        if (first_.empty() && currentMessage().externalNumber() >= 3000) first_ = messageBuffer();
        if (!quiet_) std::fprintf(stderr, "CoinMpsIO: %s\n", messageBuffer());
        return 0;
    }
    const std::string& first() const { return first_; }

private:
    bool quiet_;
    std::string first_;
};

// CoinMpsIO also prints a few notes with printf; send stdout to stderr (or nowhere when
// quiet) while it runs.
class StdoutDiverted {
public:
    explicit StdoutDiverted(bool quiet) {
        std::fflush(stdout);
        saved_ = ::dup(STDOUT_FILENO);
        const int target = quiet ? ::open("/dev/null", O_WRONLY | O_CLOEXEC) : ::dup(STDERR_FILENO);
        if (saved_ >= 0 && target >= 0) ::dup2(target, STDOUT_FILENO);
        if (target >= 0) ::close(target);
    }
    ~StdoutDiverted() {
        std::fflush(stdout);
        if (saved_ >= 0) ::dup2(saved_, STDOUT_FILENO), ::close(saved_);
    }
    StdoutDiverted(const StdoutDiverted&) = delete;
    StdoutDiverted& operator=(const StdoutDiverted&) = delete;

private:
    int saved_ = -1;
};

// The quadratic section's entries, by column name: 1/2 x'Qx joins the objective, negated
// like c for a maximization.
void readHessian(const CoinMpsIO& reader, const MpsPrescan& scan, const std::string& path,
                 double sense, LpModel& lp) {
    std::vector<std::size_t> rows, cols;
    std::vector<double> values;
    for (const auto& e : scan.quadraticEntries) {
        const int i = reader.columnIndex(e.column1.c_str());
        const int j = reader.columnIndex(e.column2.c_str());
        char* end = nullptr;
        const double v = std::strtod(e.value.c_str(), &end);
        if (i < 0 || j < 0) {
            throw LpError(ExitCode::BadInput, "cannot read '" + path + "': quadratic entry for '" +
                                                  (i < 0 ? e.column1 : e.column2) +
                                                  "', which is no column");
        }
        if (*end != '\0' || !std::isfinite(v)) {
            throw LpError(ExitCode::BadInput, "cannot read '" + path + "': quadratic entry '" +
                                                  e.value + "' is not a finite number");
        }
        rows.push_back(static_cast<std::size_t>(i));
        cols.push_back(static_cast<std::size_t>(j));
        values.push_back(sense * v);
    }
    if (!symmetricFromTriplets(lp.numCols(), rows, cols, values, lp.Q)) {
        throw LpError(ExitCode::BadInput, "cannot read '" + path +
                                              "': the quadratic section gives two different "
                                              "values for one pair of columns");
    }
}

}  // namespace

LpModel readMps(const std::string& path, bool quiet) {
    const MpsPrescan scan = prescanMps(path);
    ReaderMessages messages(quiet);
    ScannedMpsIO reader;
    reader.passInMessageHandler(&messages);
    int errors = 0;
    try {
        std::vector<std::size_t> hidden = scan.senseLines;
        hidden.insert(hidden.end(), scan.quadraticLines.begin(), scan.quadraticLines.end());
        std::sort(hidden.begin(), hidden.end());
        auto input = std::make_unique<ScannedInput>(path, std::move(hidden));
        StdoutDiverted diverted(quiet);
        errors = reader.readFrom(std::move(input), path);
    } catch (const CoinError& e) {
        throw LpError(ExitCode::BadInput, "cannot read '" + path + "': " + e.message());
    }
    if (errors != 0) {
        std::string why = messages.first();
        if (why.empty()) why = std::to_string(errors % 100000) + " errors";
        throw LpError(ExitCode::BadInput, "cannot read '" + path + "' as an MPS file: " + why);
    }

    LpModel lp;
    lp.name = reader.getProblemName();
    lp.maximize = scan.maximize;
    const int m = reader.getNumRows();
    const int n = reader.getNumCols();

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

    // A maximization becomes the minimization of the negated objective.
    const double sense = lp.maximize ? -1.0 : 1.0;
    const double* c = reader.getObjCoefficients();
    for (int j = 0; j < n; ++j) lp.objective.push_back(sense * c[j]);
    lp.objectiveConstant = -sense * reader.objectiveOffset();
    for (int j = 0; j < n; ++j) {
        if (reader.isIntegerOrSemiContinuous(j) >= 2) {
            throw LpError(ExitCode::BadInput, "cannot read '" + path + "': column '" +
                                                  reader.columnName(j) +
                                                  "' is semi-continuous; lpsolve solves "
                                                  "continuous problems only");
        }
        lp.colLower.push_back(toIeee(reader.getColLower()[j]));
        lp.colUpper.push_back(toIeee(reader.getColUpper()[j]));
        if (reader.isInteger(j)) ++lp.integerColumns;
    }
    for (int i = 0; i < m; ++i) {
        lp.rowLower.push_back(toIeee(reader.getRowLower()[i]));
        lp.rowUpper.push_back(toIeee(reader.getRowUpper()[i]));
    }
    if (scan.quadratic) readHessian(reader, scan, path, sense, lp);
    return lp;
}

}  // namespace lpsolve
