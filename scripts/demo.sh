#!/usr/bin/env bash
# Installs what is missing, builds the release preset and runs the main example: the
# interior-point LP solver on a sample problem that CoinUtils installs. Pass another MPS
# file (and lpsolve options) to solve that instead; the tour of the subsystems follows.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release
if [ "$#" -eq 0 ]; then
  set -- /usr/share/coin/Data/Sample/afiro.mps
fi
./build/release/examples/lpsolve/lpsolve "$@"
echo
./build/release/examples/tour/tour
