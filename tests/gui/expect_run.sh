#!/bin/sh
# Runs a program and checks its exit status and what it printed.
# Usage: expect_run.sh STATUS PATTERN QUIET PROGRAM [ARGUMENT...]
#   PATTERN  an extended regular expression that some line of the output (stdout and stderr)
#            must match; - for none
#   QUIET    1 when the program may print nothing on stderr
# An argument @FOLDER@ stands for a new empty folder, which must hold PNG files afterwards.
set -u
status=$1 pattern=$2 quiet=$3
shift 3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/folder"
program=$1
shift
folder=0
for argument; do
    shift
    if [ "$argument" = @FOLDER@ ]; then
        set -- "$@" "$work/folder"
        folder=1
    else
        set -- "$@" "$argument"
    fi
done
"$program" "$@" >"$work/out" 2>"$work/err"
got=$?
cat "$work/out" "$work/err"
failed=0
if [ "$got" != "$status" ]; then
    echo "expect_run: exit status $got, expected $status"
    failed=1
fi
if [ "$pattern" != - ] && ! cat "$work/out" "$work/err" | grep -Eq -- "$pattern"; then
    echo "expect_run: no line matches '$pattern'"
    failed=1
fi
if [ "$quiet" = 1 ] && [ -s "$work/err" ]; then
    echo "expect_run: the program printed on stderr"
    failed=1
fi
if [ "$folder" = 1 ] && [ -z "$(find "$work/folder" -name '*.png')" ]; then
    echo "expect_run: no pictures in the folder"
    failed=1
fi
exit "$failed"
