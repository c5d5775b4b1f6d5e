#!/usr/bin/env bash
# Installs a built preset into a temporary prefix, then builds and runs a consumer
# project against it twice: through find_package(solvutil) and through pkg-config.
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-release}"
prefix="$(mktemp -d)"
work="$(mktemp -d)"
trap 'rm -rf "$prefix" "$work"' EXIT

cmake --install "build/$preset" --prefix "$prefix" >/dev/null
cmake -S tests/install_consumer -B "$work/cmake" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/cmake" >/dev/null
"$work/cmake/consumer"

export PKG_CONFIG_PATH="$prefix/lib/pkgconfig"
# shellcheck disable=SC2046
g++ -std=c++20 tests/install_consumer/main.cpp -o "$work/consumer-pc" \
    $(pkg-config --cflags --libs solvutil) -Wl,-rpath,"$prefix/lib"
"$work/consumer-pc"
echo "install check: passed"
