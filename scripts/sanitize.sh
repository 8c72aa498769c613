#!/usr/bin/env bash
# Builds everything again in build/asan under AddressSanitizer and UndefinedBehaviorSanitizer and
# runs the whole test suite there; any report fails the test that made it.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$ROOT/scripts/common.sh"

# Warnings are errors in the normal build; under the sanitizers GCC 12 warns about code that is
# fine (-Wrestrict on std::string inlined with the instrumentation), so they stay warnings here.
brumel_build "$ROOT/build/asan" -DBRUMEL_SANITIZE=ON -DBRUMEL_WERROR=OFF -DBRUMEL_BENCH=OFF
echo "== tests under the sanitizers"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
(cd "$ROOT/build/asan" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$(nproc)")
