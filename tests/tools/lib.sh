# Helpers for the kelvra tool's scenario tests. Sourced; expects KELVRA (the tool) and CHECK
# (kelvra_file_check) in the environment and a work directory as $WORK.
set -u

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# run ARGS...: runs the tool; sets $status, $out, $err.
run() {
    local err_file
    err_file=$(mktemp)
    out=$("$KELVRA" "$@" 2>"$err_file")
    status=$?
    err=$(cat "$err_file")
    rm -f "$err_file"
}

expect_status() { [[ $status -eq $1 ]] || fail "exit status $status, wanted $1 (stderr: $err)"; }
expect_out() { grep -Eq -- "$1" <<<"$out" || fail "stdout lacks /$1/: [$out]"; }
expect_err() { grep -Eq -- "$1" <<<"$err" || fail "stderr lacks /$1/: [$err]"; }
# A pipe is not a terminal: no carriage returns from the status line.
expect_no_cr() { [[ "$out" != *$'\r'* ]] || fail "status line written into a pipe"; }

# decodes FILE [WxH [BITS]]: the file decodes (and has that size).
decodes() {
    local result
    result=$("$CHECK" "$@") || fail "$result"
    echo "$result"
}

# True in sanitizer builds, where a scenario runs its short version.
short_run() { [[ -n "${KELVRA_TEST_SHORT:-}" ]]; }

fresh_work() { rm -rf "$WORK"; mkdir -p "$WORK"; }
# Keeps the work directory of a failed run for a look; a passed run leaves nothing behind.
finish() {
    [[ $failures -eq 0 ]] || { echo "$failures failure(s), files kept in $WORK"; exit 1; }
    cd / && rm -rf "$WORK"
    echo ok
}
