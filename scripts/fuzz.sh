#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time.
#   scripts/fuzz.sh [seconds per target, default 60] [target ...]
# Corpora are kept in fuzz/corpus/<target> (git-ignored) between runs.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
shift || true
build=fuzz-build
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DORDER_BUILD_FUZZ=ON -DORDER_BUILD_GUI=OFF -DORDER_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --parallel 2
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for f in fuzz/fuzz_*.cpp; do targets+=("$(basename "$f" .cpp)"); done
fi
status=0
for t in "${targets[@]}"; do
  mkdir -p "fuzz/corpus/$t" "$build/artifacts/$t"
  if [ -z "$(ls -A "fuzz/corpus/$t")" ]; then
    # A few well-formed seeds so that the first minutes are not spent
    # rediscovering the gzip magic and the tag syntax.
    answer='<RESULT_CODE>1</RESULT_CODE><RESULT_RECORD_COUNT>2</RESULT_RECORD_COUNT><RDC_0><G_NAME>사과</G_NAME></RDC_0><RDC_1><G_NAME>배</G_NAME></RDC_1>'
    printf '%s' "$answer" | gzip -n | { printf '\x01'; cat; } >"fuzz/corpus/$t/seed-gzip"
    printf 'RDC_0\\x<G_NAME>\\x</G_NAME>\\x%s' "$answer" >"fuzz/corpus/$t/seed-tags"
    printf '%s' "$answer" | gzip -n | { printf '\x00'; cat; } >"fuzz/corpus/$t/seed-member"
    printf '%s' "$answer" | iconv -f UTF-8 -t CP949 >"fuzz/corpus/$t/seed-cp949"
    printf '%s' "$answer" | gzip -n | tail -c +11 | head -c -8 >"fuzz/corpus/$t/seed-deflate"
  fi
  echo "== $t for ${seconds}s"
  if ! "$build/fuzz/$t" -max_total_time="$seconds" -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$build/artifacts/$t/" "fuzz/corpus/$t"; then
    echo "== $t found a failure; see $build/artifacts/$t/"
    status=1
  fi
done
exit $status
