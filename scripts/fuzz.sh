#!/usr/bin/env bash
# Builds the loaders' fuzz targets (mask file, configuration file, settings file) with clang's
# libFuzzer and runs each for a bounded time on its seed corpus in fuzz/corpus/.
#   scripts/fuzz.sh [seconds per target, default 30] [--install]
# Without clang and libFuzzer (Debian: clang, libclang-rt-14-dev) it says so and does nothing;
# --install first installs them through scripts/install-deps.sh. New inputs the fuzzer finds go
# to a scratch corpus, never into the repository; a crash fails the run and leaves its input in
# build-fuzz/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=30
for arg in "$@"; do
  case "$arg" in
    --install) scripts/install-deps.sh --fuzz ;;
    *) seconds="$arg" ;;
  esac
done

probe='extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }'
if ! command -v clang++ >/dev/null ||
   ! echo "$probe" | clang++ -x c++ -fsanitize=fuzzer - -o /dev/null 2>/dev/null; then
  echo "fuzz: clang with libFuzzer is not installed (scripts/install-deps.sh --fuzz); skipped"
  exit 0
fi

dir=build-fuzz
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S fuzz -B "$dir" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" \
  >/dev/null
cmake --build "$dir" -j"$(nproc)"

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
for target in mask_file config_file settings_file; do
  scratch=$(mktemp -d)
  log="$dir/$target.log"
  echo "fuzz: $target for ${seconds}s"
  if ! (cd "$dir" && "./${target}_fuzz" -max_total_time="$seconds" -max_len=65536 \
          -print_final_stats=1 "$scratch" "../fuzz/corpus/$target") >"$log" 2>&1; then
    tail -n 60 "$log"
    rm -rf "$scratch"
    echo "fuzz: $target FAILED (see $log)"
    exit 1
  fi
  grep -E "stat::number_of_executed_units|stat::new_units_added" "$log" | sed "s/^/fuzz: $target /"
  rm -rf "$scratch"
done
