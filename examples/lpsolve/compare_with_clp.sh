#!/usr/bin/env bash
# Solves each MPS file given (default: the integer-free sample LPs of CoinUtils) with
# lpsolve and with `clp FILE -dualsimplex`, and prints both verdicts and objectives side
# by side with their relative difference.
#   examples/lpsolve/compare_with_clp.sh [lpsolve options --] [FILE.mps ...]
set -uo pipefail
cd "$(dirname "$0")/../.."
LPSOLVE=./build/release/examples/lpsolve/lpsolve
SAMPLES=/usr/share/coin/Data/Sample
opts=()
if [[ " $* " == *" -- "* ]]; then
  while [ "$1" != "--" ]; do opts+=("$1"); shift; done
  shift
fi
files=("$@")
if [ ${#files[@]} -eq 0 ]; then
  for p in afiro brandy e226 finnis galenet galenetbnds hello atm_5_10_1; do files+=("$SAMPLES/$p.mps"); done
fi
printf "%-28s %-12s %20s %-12s %20s %10s\n" problem lpsolve objective clp objective rel.diff
for f in "${files[@]}"; do
  ours=$("$LPSOLVE" --quiet "${opts[@]}" "$f" 2>&1)
  code=$?
  ourObj=$(sed -n 's/^Objective: *//p' <<<"$ours")
  case $code in 0) ourStatus=optimal ;; 3) ourStatus=infeasible ;; 4) ourStatus=unbounded ;; *) ourStatus="exit $code" ;; esac
  clpLine=$(clp "$f" -dualsimplex 2>&1 | grep -E "^(Optimal|PrimalInfeasible|DualInfeasible|Stopped) objective" | tail -1)
  clpStatus=$(awk '{print $1}' <<<"$clpLine")
  clpObj=$(awk '{print $3}' <<<"$clpLine")
  diff=""
  if [ -n "$ourObj" ] && [ "$clpStatus" = Optimal ]; then
    diff=$(awk -v a="$ourObj" -v b="$clpObj" 'BEGIN { d = a - b; if (d < 0) d = -d; s = b < 0 ? -b : b; if (s < 1) s = 1; printf "%.1e", d / s }')
  fi
  printf "%-28s %-12s %20s %-12s %20s %10s\n" "$(basename "$f")" "$ourStatus" "${ourObj:--}" "$clpStatus" "${clpObj:--}" "$diff"
done
