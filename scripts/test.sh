#!/usr/bin/env bash
# One command from a fresh clone: install what is missing, build, run the whole test suite.
#   scripts/test.sh                 release build with benchmarks compiled (not run)
#   scripts/test.sh address|thread  the suite under AddressSanitizer+UBSan or ThreadSanitizer
set -euo pipefail
cd "$(dirname "$0")/.."
sanitize="${1:-}"
# Every option that decides what is built is given, so a build folder configured otherwise
# before (scripts/demo.sh turns the tests off in build/) still builds and runs the whole suite.
if [[ -z "$sanitize" ]]; then
  scripts/install-deps.sh --bench
  dir=build
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DKELVRA_BUILD_TESTS=ON -DKELVRA_BUILD_BENCH=ON \
    -DKELVRA_SANITIZE=
else
  scripts/install-deps.sh
  dir="build-$sanitize"
  # -O1 without debug information keeps the two sanitizer builds within CI's time; reports
  # still name every function (build with -g1 by hand for source lines).
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g0" \
    -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g0" -DKELVRA_SANITIZE="$sanitize" \
    -DKELVRA_BUILD_TESTS=ON -DKELVRA_BUILD_BENCH=OFF
fi
cmake --build "$dir" -j"$(nproc)"
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
export TSAN_OPTIONS="${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1}"
# Most tests spend their time waiting for the simulated camera's frames, so twice as many run at
# once as there are cores; under ThreadSanitizer they are busy instead, and more at once only
# pushes their frame waits past their limits.
jobs=$((2 * $(nproc)))
[[ "$sanitize" == thread ]] && jobs=$(nproc)
# A suite that found no tests is a failure, not a pass.
ctest --test-dir "$dir" --output-on-failure --no-tests=error -j"$jobs" --timeout 300
