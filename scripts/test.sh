#!/bin/sh
# Configures, builds and runs the whole test suite.
#   scripts/test.sh              release build in build/
#   scripts/test.sh --sanitize   AddressSanitizer + UndefinedBehaviorSanitizer
#                                build in build-asan/; any finding fails a test
# BUILD=dir chooses another build folder.
set -e
if [ "$1" = "--sanitize" ]; then
    BUILD=${BUILD:-build-asan}
    cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTARNWICK_SANITIZE=ON
    # Stop at the first report, with a non-zero status, so CTest sees it.
    ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=0:halt_on_error=1:detect_leaks=1}
    UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
    export ASAN_OPTIONS UBSAN_OPTIONS
else
    BUILD=${BUILD:-build}
    cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release
fi
cmake --build "$BUILD"
ctest --test-dir "$BUILD" --output-on-failure -j2
