#pragma once
// How much primal (rho) and dual (delta) regularization the KKT factorization gets.
//
// The policy remembers what worked: each iteration starts from a tenth of the values
// that the last factorization needed (never below the base values), instead of going
// back to the base and paying again for the failures that raised them. A wrong inertia
// raises both by a factor of 100; a rank deficiency raises only the dual one, once per
// factorization, so that the shift is applied evenly to the whole dual block.
#include <cstddef>

namespace lpsolve {

class RegularizationPolicy {
public:
    RegularizationPolicy(double basePrimal, double baseDual)
        : basePrimal_(basePrimal), baseDual_(baseDual), primal_(basePrimal), dual_(baseDual) {}

    /// Called before the first attempt of a factorization.
    void startFactorization() {
        primal_ = primal_ * kRelax > basePrimal_ ? primal_ * kRelax : basePrimal_;
        dual_ = dual_ * kRelax > baseDual_ ? dual_ * kRelax : baseDual_;
        rankRaised_ = false;
    }
    /// After a factorization with a wrong inertia (or none at all).
    void raiseForInertia() {
        primal_ *= kRaise;
        dual_ *= kRaise;
    }
    /// Undoes one raiseForInertia() that did not help.
    void lowerAfterRaise() {
        primal_ /= kRaise;
        dual_ /= kRaise;
    }
    /// After a factorization that reported a rank deficiency; false when the dual
    /// regularization was raised for it already (the factor is then accepted).
    bool raiseForRank() {
        if (rankRaised_) return false;
        rankRaised_ = true;
        dual_ *= kRaise;
        return true;
    }

    double primal() const { return primal_; }
    double dual() const { return dual_; }

private:
    static constexpr double kRelax = 0.1;
    static constexpr double kRaise = 100.0;
    double basePrimal_, baseDual_;
    double primal_, dual_;
    bool rankRaised_ = false;
};

}  // namespace lpsolve
