#include "solvutil/solvers/eqn_solver_sparse_ldl.hpp"

#include "solvutil/host/kxerror.hpp"
#include "solvutil/host/ma57_factor.hpp"
#include "solvutil/kernels/debug_assert.hpp"
#include "solvutil/kernels/solv_assert.hpp"
#include "solvutil/solvers/algorithm_names.hpp"

namespace {

bool hasId(const hostcore::IUserException& e, const char* id) {
    return e.getMessageId() == id;
}

}  // namespace

// The matrix members hold no matrix until init: null arrays and an order of -1, which the
// factor refuses as a negative order if a factorization comes first.
EqnSolverSparseLDL::EqnSolverSparseLDL(double pivotTol)
    : IEqnSolverLDL(solvutil::algorithmNames[solvutil::ALG_SPARSE_LDL_MA57]),
      solveInfo(0),
      factorObj(new MA57_RealLDLFactor()),
      pr(nullptr),
      ir(nullptr),
      jc(nullptr),
      nnz(-1),
      m(-1),
      n(-1) {
    status = STATUS_CREATED;
    factorObj->setPivotTolerance(pivotTol);
}

EqnSolverSparseLDL::~EqnSolverSparseLDL() {
    delete factorObj;
}

void EqnSolverSparseLDL::init(long m, long n, double* pr, long* ir, long* jc, long nnz) {
    this->m = m;
    this->n = n;
    this->pr = pr;
    this->ir = ir;
    this->jc = jc;
    this->nnz = nnz;
    solvAssert(m == n, "Equation solver must get a square matrix.");
    status = STATUS_INIT_DONE;
}

void EqnSolverSparseLDL::symfactor() {
    factorObj->symbolicFactorization(ir, jc, m, nnz, nullptr, 0);
    status = STATUS_SYMBOLIC_DONE;
}

void EqnSolverSparseLDL::numfactor() {
    try {
        factorObj->numericFactorization(pr);
    } catch (const hostcore::IUserException& e) {
        // Running out of attempts is an expected outcome the caller reads from status.
        if (!hasId(e, "KALDOR:symIndefFactor:tooManyAttempts")) throw;
        status = STATUS_NUMERIC_GAVE_UP;
        return;
    }
    status = STATUS_NUMERIC_DONE;
}

void EqnSolverSparseLDL::factor() {
    if (status <= STATUS_INIT_DONE) symfactor();
    numfactor();
}

void EqnSolverSparseLDL::factor(long m, long n, double* pr, long* ir, long* jc, long nnz) {
    init(m, n, pr, ir, jc, nnz);
    factor();
}

void EqnSolverSparseLDL::solve(std::vector<double, aligned_allocator<double>>& x,
                               const std::vector<double, aligned_allocator<double>>& b) {
    SOLVUTIL_DEBUG_ASSERT(sizeAtLeast(x, n) && sizeAtLeast(b, n),
                          "EqnSolverSparseLDL::solve: x or b is shorter than the matrix order.");
    try {
        factorObj->solve(b.data(), 1, x.data(), true);
    } catch (const hostcore::IUserException& e) {
        if (hasId(e, "KALDOR:symIndefFactor:solveError")) {
            solveInfo = factorObj->statusWord();
            status = STATUS_SOLVE_FAILED;
        }
        throw;
    }
    status = STATUS_SOLVE_DONE;
    solveInfo = factorObj->statusWord();
}

void EqnSolverSparseLDL::rank(long& out) {
    out = factorObj->rank();
}
void EqnSolverSparseLDL::numNegEigenValues(long& out) {
    out = factorObj->numNegEigenValues();
}
void EqnSolverSparseLDL::getFlops(double& out) {
    out = factorObj->flops();
}
void EqnSolverSparseLDL::getNnzL(long& out) {
    out = factorObj->nnzL();
}
