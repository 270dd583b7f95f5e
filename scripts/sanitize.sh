#!/usr/bin/env bash
# Builds every test program with AddressSanitizer and UndefinedBehaviorSanitizer in
# build-sanitize/ and runs them: a slower, stricter companion to ./test.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh build test
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug \
      -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer" \
      -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
cmake --build build-sanitize -j"$(nproc)"
cd build-sanitize
# Qt keeps some allocations until exit on purpose; leaks are not what this run looks for.
ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j"$(nproc)" --timeout 900
