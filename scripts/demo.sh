#!/usr/bin/env bash
# Installs what is missing, builds the release preset and runs the main example.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release
./build/release/examples/tour/tour
