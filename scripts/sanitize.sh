#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer in
# build-sanitize/ and runs the whole suite there. Run it after changing
# threads (the call wait, the draft writer), object lifetimes (windows that
# delete themselves, QPointer) or parsers (tags, gzip, code page 949,
# multipart). Any report fails the test that caused it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
flags="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORDER_BUILD_BENCH=OFF \
  -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_C_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
  -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=address,undefined"
cmake --build build-sanitize --parallel "$(nproc)"
export QT_QPA_PLATFORM=offscreen
# Leaks are reported at exit; the only suppressions are for memory that
# system libraries (D-Bus, fontconfig, ...) keep for the life of a process.
export ASAN_OPTIONS="detect_leaks=1:detect_stack_use_after_return=1"
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
cd build-sanitize && ctest --output-on-failure --timeout 1200 -j"$(nproc)" "$@"
