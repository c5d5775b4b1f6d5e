#!/usr/bin/env bash
# Installs a built preset into a temporary prefix, then checks the installed package from
# outside the tree:
#  1. a consumer project that asks for C++17 builds and runs through find_package(solvutil)
#     (the package's cxx_std_20 requirement wins) and through pkg-config (the consumer's
#     -std=c++17 comes first, the package's -std=c++20 after it);
#  2. every installed header compiles on its own with the package's flags, and none of
#     them is one of the library's internal headers.
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-release}"
prefix="$(mktemp -d)"
work="$(mktemp -d)"
trap 'rm -rf "$prefix" "$work"' EXIT

cmake --install "build/$preset" --prefix "$prefix" >/dev/null

# 1. The consumer, through CMake and through pkg-config.
cmake -S tests/install_consumer -B "$work/cmake" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/cmake" >/dev/null
if ! grep -Eq -- '-std=(c|gnu)\+\+20' "$work/cmake/build.ninja"; then
    echo "install check: the CMake consumer was not given C++20 by the package" >&2
    exit 1
fi
"$work/cmake/consumer"

export PKG_CONFIG_PATH="$prefix/lib/pkgconfig"
# shellcheck disable=SC2046
g++ -std=c++17 tests/install_consumer/main.cpp -o "$work/consumer-pc" \
    $(pkg-config --cflags --libs solvutil) -Wl,-rpath,"$prefix/lib"
"$work/consumer-pc"

# 2. Each installed header alone.
mapfile -t headers < <(cd "$prefix/include" && find . -name '*.hpp' | sed 's|^\./||' | sort)
echo "installed headers (${#headers[@]}):"
printf '  %s\n' "${headers[@]}"
if grep -l "internal to libsolvutil" "${headers[@]/#/$prefix/include/}"; then
    echo "install check: the headers above are internal and must not be installed" >&2
    exit 1
fi
# shellcheck disable=SC2046
for h in "${headers[@]}"; do
    printf '#include "%s"\n' "$h" > "$work/alone.cpp"
    if ! g++ -std=c++17 $(pkg-config --cflags solvutil) -Wall -Wextra -Wpedantic -Werror \
            -fsyntax-only "$work/alone.cpp"; then
        echo "install check: $h does not compile on its own" >&2
        exit 1
    fi
done
echo "install check: passed"
