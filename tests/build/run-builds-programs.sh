#!/usr/bin/env bash
# `./build.sh run` builds the two editions and tarvix-db and nothing else;
# `./build.sh test` builds everything. Usage: run-builds-programs.sh SOURCE BUILD
set -euo pipefail
src="$1" build="$2"
fail() { echo "FAIL: $*" >&2; exit 1; }

run_cmd="$(TARVIX_DRY_RUN=1 TARVIX_BUILD_DIR="$build" "$src/build.sh" run | tail -n 1)"
case "$run_cmd" in
  "cmake --build $build "*" --target tarvix tarvix-1.00.0005 tarvix-db") ;;
  *) fail "build.sh run builds: $run_cmd" ;;
esac
test_cmd="$(TARVIX_DRY_RUN=1 TARVIX_BUILD_DIR="$build" "$src/build.sh" test | tail -n 1)"
case "$test_cmd" in
  *--target*) fail "build.sh test builds only: $test_cmd" ;;
  "cmake --build $build "*) ;;
  *) fail "build.sh test builds: $test_cmd" ;;
esac

# What those three targets need from scratch: no test program, benchmark or fuzzer among it.
needed="$(ninja -C "$build" -t commands tarvix tarvix-1.00.0005 tarvix-db)"
[ -n "$needed" ] || fail "ninja lists nothing for the programs"
if grep -E -- '-o (tests|bench|fuzz|stress)/' <<<"$needed" | head -n 3 | grep .; then
  fail "the programs' build compiles test code"
fi
echo "build.sh run: $run_cmd"
