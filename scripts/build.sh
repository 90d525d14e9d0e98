#!/usr/bin/env bash
# Configures and builds the tree into build/ (or the directory given as $1,
# with any further arguments passed to CMake).
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${1:-build}
shift || true
cmake -S . -B "$BUILD_DIR" -G Ninja "$@"
cmake --build "$BUILD_DIR" --parallel "$(nproc)"
