#!/usr/bin/env bash
# Installs what is needed, builds Plattera (Release) and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DPLATTERA_TESTS=OFF
cmake --build build-release -j"$(nproc)" --target plattera
exec ./build-release/src/plattera
