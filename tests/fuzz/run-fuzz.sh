#!/usr/bin/env bash
# Runs a fuzzer for SECONDS over the corpus kept in the repository: the fuzzer
# NAME-fuzz takes its typed seeds from NAME/seeds, its minimised corpus from
# NAME/corpus and its dictionary from NAME/dict. New inputs go to a scratch
# folder, never into the repository.
#   run-fuzz.sh FUZZER SECONDS [more libFuzzer options…]
set -euo pipefail
fuzzer=$1 seconds=$2; shift 2
here=$(cd "$(dirname "$0")" && pwd)
name=$(basename "$fuzzer")
name=${name%-fuzz}
[ -d "$here/$name" ] || { echo "run-fuzz.sh: no folder $here/$name for $fuzzer" >&2; exit 2; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
corpora=("$here/$name/seeds")
[ -d "$here/$name/corpus" ] && corpora+=("$here/$name/corpus")
"$fuzzer" -max_total_time="$seconds" -rss_limit_mb=512 -timeout=10 -print_final_stats=1 \
    -dict="$here/$name/dict" "$@" "$scratch" "${corpora[@]}"
