#include "solvutil/solvers/eqn_solver.hpp"

#include <utility>

#include "solvutil/kernels/solv_assert.hpp"

IEqnSolver::IEqnSolver(std::string name) : name(std::move(name)) {}
IEqnSolver::~IEqnSolver() = default;

IEqnSolverLDL::IEqnSolverLDL(std::string name) : IEqnSolver(std::move(name)) {}
IEqnSolverLDL::~IEqnSolverLDL() = default;

// The optional operations: a solver that does not support one reports it as an error.
void IEqnSolverLDL::setApr(double*) {
    solvAssert(false, "setApr() method not defined");
}
void IEqnSolverLDL::setAir(long*) {
    solvAssert(false, "setAir() method not defined");
}
void IEqnSolverLDL::setAjc(long*) {
    solvAssert(false, "setAjc() method not defined");
}
void IEqnSolverLDL::setNnz(long) {
    solvAssert(false, "setNnz() method not defined");
}
void IEqnSolverLDL::rank(long&) {
    solvAssert(false, "rank() method not defined");
}
void IEqnSolverLDL::numNegEigenValues(long&) {
    solvAssert(false, "numNegEigenValues() method not defined");
}
void IEqnSolverLDL::getFlops(double&) {
    solvAssert(false, "getFlops() method not defined");
}
void IEqnSolverLDL::getNnzL(long&) {
    solvAssert(false, "getNnzL() method not defined");
}
