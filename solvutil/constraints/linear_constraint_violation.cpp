// LinearConstraint::maxConstrViolation: the largest violation over all constraint rows.
#include <cmath>
#include <limits>

#include "solvutil/constraints/linear_constraint.hpp"
#include "solvutil/constraints/not_found.hpp"

double LinearConstraint::maxConstrViolation(const OPTMatrix<double>& x) {
    using Residual = OPTMatrix<double> (LinearConstraint::*)(const OPTMatrix<double>&);
    struct Group {
        std::size_t count;
        Residual residual;
        bool absolute;  // equality-type rows count |r|, inequality-type rows r
    };
    const ConstraintCounts& c = *_counts;
    // Member-function pointers to virtuals dispatch virtually, so overrides are honoured.
    const Group groups[] = {
        {c.nFixed, &LinearConstraint::Afixedconstr, true},
        {c.nEq, &LinearConstraint::Aeqconstr, true},
        {c.nIneq, &LinearConstraint::Aconstr, false},
        {c.nLB, &LinearConstraint::Albconstr, false},
        {c.nUB, &LinearConstraint::Aubconstr, false},
    };

    double v = -std::numeric_limits<double>::infinity();
    bool found = false;
    for (const Group& g : groups) {
        if (g.count == 0) continue;
        OPTMatrix<double> t(g.count, 1, false);
        {
            // Assignment copies a count-by-1 residual and rejects any other shape.
            const OPTMatrix<double> r = (this->*g.residual)(x);
            t = r;
        }
        for (std::size_t k = 0; k < g.count; ++k) {
            const double r = t._data[k];  // t is dense and count-by-1
            const double a = g.absolute ? std::abs(r) : r;
            if (v <= a) {  // false for NaN: such entries are skipped
                v = a;
                found = true;
            }
        }
    }
    return found ? v : solvutil::constraints::kNotFound;
}
