#!/usr/bin/env bash
# Runs the multi-line unit parser's fuzzer for SECONDS over the seeds typed in
# from the units' format (unit/seeds/). New inputs go to a scratch folder,
# never into the repository.
#   run-unit-fuzz.sh FUZZER SECONDS [more libFuzzer options…]
set -euo pipefail
fuzzer=$1 seconds=$2; shift 2
here=$(cd "$(dirname "$0")" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
"$fuzzer" -max_total_time="$seconds" -rss_limit_mb=512 -timeout=10 -print_final_stats=1 \
    -dict="$here/unit/unit.dict" "$@" "$scratch" "$here/unit/seeds"
