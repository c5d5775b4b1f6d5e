#pragma once
// IoptLinearConstraint: what a solver needs from the linear constraints of its problem.
#include <cstddef>
#include <string>

#include "solvutil/constraints/optmatrix.hpp"
#include "solvutil/solvutil_export.hpp"

/// Abstract linear constraints in n variables x: inequalities A x <= b, equalities
/// Aeq x = beq, fixed variables x(j) = ub(j), and finite bounds written as rows
/// -x(j) <= -lb(j) and x(j) <= ub(j).
///
/// Points x are n-by-1 matrices. Operations returning OPTMatrix<double> hand the caller a
/// new matrix; `*x` products and `*constr` residuals (row values minus right-hand side,
/// non-positive where an inequality holds) may borrow scratch-buffer arrays, which go back
/// when the result is destroyed. The declaration order of the operations is part of the
/// binary interface.
class SOLVUTIL_API IoptLinearConstraint {
public:
    virtual ~IoptLinearConstraint() = default;

    virtual bool isSparse() = 0;
    virtual void print() = 0;
    virtual double maxConstrViolation(const OPTMatrix<double>& x) = 0;

    // Inequalities.
    virtual OPTMatrix<double> Ax(const OPTMatrix<double>& x) = 0;
    virtual OPTMatrix<double> Aconstr(const OPTMatrix<double>& x) = 0;
    virtual void deepCopyRowTranspose(std::size_t i, std::size_t col, OPTMatrix<double>& out) = 0;
    virtual double bAt(std::size_t i) = 0;

    // Equalities.
    virtual OPTMatrix<double> Aeqx(const OPTMatrix<double>& x) = 0;
    virtual OPTMatrix<double> Aeqconstr(const OPTMatrix<double>& x) = 0;
    virtual void deepCopyRowTransposeAeq(std::size_t i, std::size_t col,
                                         OPTMatrix<double>& out) = 0;
    virtual void deepCopyAeq(double* out, bool transpose) = 0;
    virtual void deepCopybeq(double* out) = 0;
    virtual double beqAt(std::size_t i) = 0;

    // Fixed variables.
    virtual void deepCopyAfixed(double* out, bool transpose) = 0;
    virtual void deepCopybfixed(double* out) = 0;
    virtual OPTMatrix<double> Afixedx(const OPTMatrix<double>& x) = 0;
    virtual double bfixedAt(std::size_t k) = 0;
    virtual OPTMatrix<double> Afixedconstr(const OPTMatrix<double>& x) = 0;
    virtual void deepCopyRowTransposeAfixed(std::size_t k, std::size_t col,
                                            OPTMatrix<double>& out) = 0;
    virtual OPTMatrix<double> AfixedRow(std::size_t k) = 0;

    // Lower bounds.
    virtual OPTMatrix<double> Albx(const OPTMatrix<double>& x) = 0;
    virtual OPTMatrix<double> Albconstr(const OPTMatrix<double>& x) = 0;
    virtual void deepCopyRowTransposeAlb(std::size_t k, std::size_t col,
                                         OPTMatrix<double>& out) = 0;
    virtual void deepCopyVarRowTransposeAlb(std::size_t j, std::size_t col,
                                            OPTMatrix<double>& out) = 0;
    virtual OPTMatrix<double> AlbRow(std::size_t k) = 0;
    virtual double lbAt(std::size_t j) = 0;

    // Upper bounds.
    virtual OPTMatrix<double> Aubx(const OPTMatrix<double>& x) = 0;
    virtual OPTMatrix<double> Aubconstr(const OPTMatrix<double>& x) = 0;
    virtual void deepCopyRowTransposeAub(std::size_t k, std::size_t col,
                                         OPTMatrix<double>& out) = 0;
    virtual void deepCopyVarRowTransposeAub(std::size_t j, std::size_t col,
                                            OPTMatrix<double>& out) = 0;
    virtual OPTMatrix<double> AubRow(std::size_t k) = 0;
    virtual double ubAt(std::size_t j) = 0;

    // Largest absolute coefficients.
    virtual double absmaxA() = 0;
    virtual double absmaxAeq() = 0;
    virtual double absmaxb() = 0;
    virtual double absmaxbeq() = 0;

    // Stored data.
    virtual OPTMatrix<double>& getA() = 0;
    virtual OPTMatrix<double>& getb() = 0;
    virtual OPTMatrix<double>& getAeq() = 0;
    virtual OPTMatrix<double>& getbeq() = 0;
    virtual OPTMatrix<double>& getlb() = 0;
    virtual OPTMatrix<double>& getub() = 0;
    virtual const std::size_t* getindexLB() = 0;
    virtual const std::size_t* getindexUB() = 0;
    virtual const std::size_t* getindexFixed() = 0;

protected:
    IoptLinearConstraint() = default;

    std::string _name;  // reserved for the builder; the library never reads it
};
