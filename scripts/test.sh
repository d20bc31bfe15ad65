#!/usr/bin/env bash
# Installs what is needed, checks the formatting and which library includes which, builds the
# tests with AddressSanitizer and UndefinedBehaviorSanitizer, and runs the whole suite through
# CTest.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --tests
bash scripts/check-format.sh
python3 scripts/check-layers.py
cmake --preset debug-sanitizer
cmake --build --preset debug-sanitizer -j"$(nproc)"
ctest --preset debug-sanitizer -j"$(nproc)"
