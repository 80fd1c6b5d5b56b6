#!/usr/bin/env bash
# clang-tidy's bugprone and analyzer checks (.clang-tidy) over the firmware,
# the virtual board, the tools and the benchmarks, as the host build compiles
# them. Any finding fails.
#
# usage: clang_tidy.sh <build folder with compile_commands.json>
set -u
build=${1:?usage: clang_tidy.sh <build folder>}
root=$(cd "$(dirname "$0")/../.." && pwd)
runner=$(command -v run-clang-tidy || command -v run-clang-tidy-14) || {
    echo "clang_tidy: run-clang-tidy is not installed (Debian package clang-tidy)" >&2
    exit 1
}
[[ -f $build/compile_commands.json ]] || {
    echo "clang_tidy: no compile_commands.json in $build: configure the host preset first" >&2
    exit 1
}
log=$(mktemp)
trap 'rm -f "$log"' EXIT
cd "$root"
"$runner" -p "$build" -j "$(nproc)" -quiet \
    "$root/(Libraries|Utilities|src|sim|tools|bench)/" >"$log" 2>&1
status=$?
findings=$(grep -cE '(warning|error): ' "$log")
if ((status != 0 || findings != 0)); then
    grep -E '(warning|error): ' "$log" | sed 's/\x1b\[[0-9;]*m//g' | sort -u >&2
    echo "clang_tidy: $findings finding(s)" >&2
    exit 1
fi
echo "clang_tidy: no findings"
