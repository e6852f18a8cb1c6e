#!/usr/bin/env bash
# A configure of the sources on a machine without GoogleTest: it succeeds, building the program
# alone (the README's main command) compiles nothing of the tests, and the tests' build and
# ctest fail with a line saying what to install.
set -u
source_dir=$1
command -v make >/dev/null || { echo "skipped: no make on this machine"; exit 77; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "$*"; exit 1; }

cmake -S "$source_dir" -B "$scratch/build" -G "Unix Makefiles" -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON \
  >"$scratch/configure.log" 2>&1 || { cat "$scratch/configure.log"; fail "configure without GoogleTest failed"; }
grep -q 'GoogleTest not found' "$scratch/configure.log" || fail "configure does not say that GoogleTest is missing"

# What building the program alone would run: make -n plans it without compiling (and stops
# short of the link, as the library it plans is not there).
make -C "$scratch/build" -n -k tarnwick >"$scratch/plan" 2>&1
grep -q 'src/main.cpp' "$scratch/plan" || fail "the program's build does not compile src/main.cpp"
if grep -E -q 'tests/|gtest' "$scratch/plan"; then
  grep -E 'tests/|gtest' "$scratch/plan" | head -5
  fail "building the program alone builds test code"
fi

if cmake --build "$scratch/build" --target googletest_missing >"$scratch/tests.log" 2>&1; then
  fail "the tests' build passes without GoogleTest"
fi
grep -q 'apt install libgtest-dev' "$scratch/tests.log" || { cat "$scratch/tests.log"; fail "the tests' build does not say what to install"; }
if ctest --test-dir "$scratch/build" -R googletest_missing --output-on-failure >"$scratch/ctest.log" 2>&1; then
  fail "ctest passes without GoogleTest"
fi
grep -q 'apt install libgtest-dev' "$scratch/ctest.log" || { cat "$scratch/ctest.log"; fail "ctest does not say what to install"; }
exit 0
