#!/usr/bin/env bash
# Builds the test programs whose code starts threads in build/tsan under ThreadSanitizer and runs
# them; a data race, a lock misuse or a thread still running at the end fails the test that
# made it. The rest of the suite starts no thread of ours and runs under the other sanitizers.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$ROOT/scripts/common.sh"

# batch_test: the batch and its inputs on several threads; batch_command_test: brumel-batch's
# command line in the test's process; collection_test: the brumel-batch program with --jobs;
# fast_correction_test: the correction in bands and the streaming correction.
PROGRAMS=(batch_test batch_command_test collection_test fast_correction_test)

# GCC 12 warns about fine code under the sanitizers (see scripts/sanitize.sh).
brumel_configure "$ROOT/build/tsan" -DBRUMEL_THREAD_SANITIZE=ON -DBRUMEL_WERROR=OFF \
  -DBRUMEL_BENCH=OFF -DBRUMEL_GUI=OFF
cmake --build "$ROOT/build/tsan" -j "$(nproc)" --target "${PROGRAMS[@]}"
echo "== threaded tests under ThreadSanitizer"
# halt_on_error makes the first report end the process with a failure, in brumel-batch as well
# as in the test programs. The reports go to files, because the tests that run brumel-batch as a
# program throw its standard error away; each is shown below and fails the stage.
reports="$ROOT/build/tsan/reports"
rm -rf "$reports"
mkdir -p "$reports"
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:log_path=$reports/tsan"
labels="^($(IFS='|' && echo "${PROGRAMS[*]}"))\$"
status=0
(cd "$ROOT/build/tsan" && ctest --output-on-failure -j "$(nproc)" -L "$labels") || status=$?
for report in "$reports"/*; do
  [[ -e $report ]] || continue
  echo "== ThreadSanitizer report $report"
  cat "$report"
  status=1
done
exit "$status"
