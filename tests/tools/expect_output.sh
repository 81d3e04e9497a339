#!/usr/bin/env bash
# expect_output.sh STDOUT STDERR COMMAND...: runs COMMAND and fails unless it exits 0 and its
# standard output and standard error are exactly the two texts (one line each, or empty).
set -u
want_out="$1"; want_err="$2"; shift 2
err_file=$(mktemp)
out=$("$@" 2>"$err_file"); status=$?
err=$(cat "$err_file"); rm -f "$err_file"
ok=1
[[ $status -eq 0 ]] || { echo "exit status $status"; ok=0; }
[[ "$out" == "$want_out" ]] || { echo "stdout: [$out], wanted [$want_out]"; ok=0; }
[[ "$err" == "$want_err" ]] || { echo "stderr: [$err], wanted [$want_err]"; ok=0; }
[[ $ok -eq 1 ]]
