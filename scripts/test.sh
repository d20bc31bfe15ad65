#!/usr/bin/env bash
# Installs what is needed, builds the tests with AddressSanitizer and UndefinedBehaviorSanitizer,
# and runs the whole suite through CTest.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --tests
cmake -S . -B build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPLATTERA_SANITIZE=ON
cmake --build build-test -j"$(nproc)"
cd build-test
ctest --output-on-failure -j"$(nproc)"
