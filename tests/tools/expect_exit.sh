#!/usr/bin/env bash
# expect_exit.sh CODE COMMAND...: fails unless COMMAND exits with CODE.
set -u
want="$1"; shift
"$@" >/dev/null 2>&1
status=$?
[[ $status -eq $want ]] || { echo "exit status $status, wanted $want"; exit 1; }
