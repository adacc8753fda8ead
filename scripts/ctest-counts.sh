#!/usr/bin/env bash
# "N passed, M failed, K not run" from a ctest log, from each test's result line. The Wine session's
# set-up and clean-up (wine_up, wine_down) are fixtures, not tests, and are left out. A test not run
# shows "***Not Run" in its result line (ctest's closing list repeats it, so that is not counted).
#   ctest-counts.sh LOG
set -euo pipefail
awk '
match($0, /^ *[0-9]+\/[0-9]+ Test +#[0-9]+: /) {
    result = substr($0, RLENGTH + 1)
    split(result, word, " ")
    if (word[1] == "wine_up" || word[1] == "wine_down") next
    if (result ~ /\*\*\*Not Run/) not_run++
    else if (result ~ / Passed +[0-9.]+ sec$/) passed++
    else failed++
}
END { printf "%d passed, %d failed, %d not run\n", passed, failed, not_run }' "${1:?ctest log}"
