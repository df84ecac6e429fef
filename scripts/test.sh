#!/bin/sh
# Configures, builds and runs the whole test suite.
set -e
BUILD=${BUILD:-build}
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build "$BUILD"
ctest --test-dir "$BUILD" --output-on-failure -j2
