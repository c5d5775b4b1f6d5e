#!/usr/bin/env bash
# Installs what is missing, builds one preset (default: release) and runs its tests.
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-release}"
bash scripts/setup.sh
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
ctest --preset "$preset"
