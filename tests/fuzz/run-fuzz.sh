#!/usr/bin/env bash
# Runs the request fuzzer for SECONDS over the corpus kept in the repository.
# New inputs go to a scratch folder, never into the repository.
#   run-fuzz.sh FUZZER SECONDS [more libFuzzer options…]
set -euo pipefail
fuzzer=$1 seconds=$2; shift 2
here=$(cd "$(dirname "$0")" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
"$fuzzer" -max_total_time="$seconds" -rss_limit_mb=512 -timeout=10 -print_final_stats=1 \
    -dict="$here/requests.dict" "$@" "$scratch" "$here/seeds" "$here/corpus"
