#!/usr/bin/env bash
# Installs the Debian packages solvutil needs to build, test, benchmark and run its examples.
# Idempotent: when every package is present it does nothing; otherwise it runs
# `apt-get update` once and installs the missing ones.
set -euo pipefail

PACKAGES=(
  # build
  cmake ninja-build g++ clang pkg-config
  # 64-bit-integer BLAS/LAPACK used by libsolvutil
  libopenblas64-pthread-dev
  # MUMPS and its private 32-bit-integer BLAS, linked statically into libkaldor
  libmumps-seq-dev libscotch-dev libopenblas-pthread-dev libgfortran-12-dev
  # tests and benchmarks (Eigen is used by one benchmark only)
  libgtest-dev libgmock-dev libbenchmark-dev libeigen3-dev
  # the example LP solver: MPS reader, netlib sample problems, reference results
  coinor-libcoinutils-dev coinor-clp
  # the independent QP solver the quadratic tests and benchmark compare with
  python3-cvxopt
  # its pre-scan reads gzip and bzip2 files as CoinUtils does
  zlib1g-dev libbz2-dev
  # AddressSanitizer/UBSan runtime for the clang build
  libclang-rt-14-dev
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "setup: installing ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
