#!/usr/bin/env python3
"""Usage: cvxopt_qp.py INPUT [KKTSOLVER]. Solves QPs with cvxopt.solvers.qp and prints one
line per problem: the optimal objective (with its constant) and the solver's wall time in
seconds, or "nan" and the status when cvxopt does not report an optimum.

Input (whitespace-separated numbers, "inf"/"-inf" for infinite bounds):
  count, then per problem: n m constant, c (n), colLower (n), colUpper (n),
  rowLower (m), rowUpper (m), nnzA and (row col value) triplets, nnzQ and triplets of
  the full symmetric Q. The problem: minimize c'x + 1/2 x'Qx + constant subject to
  rowLower <= A x <= rowUpper, colLower <= x <= colUpper.
"""
import math
import sys
import time

from cvxopt import matrix, solvers, spmatrix


def solve(n, m, const, c, cl, cu, rl, ru, A, Q, kktsolver):
    rows_a = [[] for _ in range(m)]
    for i, j, v in A:
        rows_a[i].append((j, v))
    G, h, E, e = [], [], [], []  # rows as lists of (col, value)

    def add(target, rhs, row, value):
        target.append(row)
        rhs.append(value)

    for i in range(m):
        if rl[i] == ru[i]:
            add(E, e, rows_a[i], rl[i])
            continue
        if math.isfinite(ru[i]):
            add(G, h, rows_a[i], ru[i])
        if math.isfinite(rl[i]):
            add(G, h, [(j, -v) for j, v in rows_a[i]], -rl[i])
    for j in range(n):
        if cl[j] == cu[j]:
            add(E, e, [(j, 1.0)], cl[j])
            continue
        if math.isfinite(cu[j]):
            add(G, h, [(j, 1.0)], cu[j])
        if math.isfinite(cl[j]):
            add(G, h, [(j, -1.0)], -cl[j])

    def sparse(rows):
        vals, ri, ci = [], [], []
        for k, row in enumerate(rows):
            for j, v in row:
                vals.append(v), ri.append(k), ci.append(j)
        return spmatrix(vals, ri, ci, (len(rows), n))

    P = spmatrix([v for _, _, v in Q], [i for i, _, _ in Q], [j for _, j, _ in Q], (n, n))
    args = [P, matrix(c), sparse(G), matrix(h, tc="d")]
    if E:
        args += [sparse(E), matrix(e, tc="d")]
    solvers.options.update(show_progress=False, abstol=1e-10, reltol=1e-10, feastol=1e-10,
                           maxiters=200)
    start = time.perf_counter()
    r = solvers.qp(*args, kktsolver=kktsolver)
    seconds = time.perf_counter() - start
    x = r["x"]
    # Tight tolerances can end in "unknown" a little short of them: accept such an end
    # when its relative gap and infeasibilities are small against the 1e-6 comparisons.
    close = all(r[k] is not None and r[k] <= 1e-8
                for k in ("relative gap", "primal infeasibility", "dual infeasibility"))
    if x is None or (r["status"] != "optimal" and not close):
        return "nan %s" % r["status"].replace(" ", "_")
    xs = list(x)
    obj = const + sum(c[j] * xs[j] for j in range(n))
    obj += 0.5 * sum(v * xs[i] * xs[j] for i, j, v in Q)
    return "%.17g %.6f" % (obj, seconds)


def main():
    data = open(sys.argv[1]).read().split()
    # "ldl" copes with a singular Q and dependent rows; "chol2" (cvxopt's default) is faster.
    kktsolver = sys.argv[2] if len(sys.argv) > 2 else "ldl"
    pos = 0

    def take(k, conv=float):
        nonlocal pos
        out = [conv(t) for t in data[pos:pos + k]]
        pos += k
        return out

    def triplets():
        count = int(take(1)[0])
        return [(int(a), int(b), float(v)) for a, b, v in zip(*[iter(take(3 * count, str))] * 3)]

    for _ in range(int(take(1)[0])):
        n, m = take(2, int)
        const = take(1)[0]
        c, cl, cu, rl, ru = take(n), take(n), take(n), take(m), take(m)
        A, Q = triplets(), triplets()
        try:
            print(solve(n, m, const, c, cl, cu, rl, ru, A, Q, kktsolver), flush=True)
        except (ValueError, ArithmeticError) as err:
            print("nan %s" % type(err).__name__, flush=True)


if __name__ == "__main__":
    main()
