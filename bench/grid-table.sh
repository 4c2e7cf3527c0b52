#!/usr/bin/env bash
# The grid at a million rows against Qt's QTableView and QStandardItemModel: builds
# the two benches in Release, runs the measures that matter, once each, and prints
# every ratio beside its target. A ratio is the peer's time over ours (above 1:
# we are faster); memory is ours over the peer's (below 1: we are smaller).
# Usage: bench/grid-table.sh [BUILD-DIR]   (default: build-rel; JOBS=2 by default)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-rel}
jobs=${JOBS:-2}

if [ -f "$build/CMakeCache.txt" ]; then
    type=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$build/CMakeCache.txt")
    if [ "$type" != Release ]; then
        echo "$build is a $type build; the figures need Release (give another folder)" >&2
        exit 2
    fi
else
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" --target grid_bench cells_bench -j "$jobs" >/dev/null

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

echo "Running grid_bench (scrolling, repainting)..." >&2
"$build/bench/grid_bench" --benchmark_filter='(GridView|TableView)(ScrollLine|FullRepaint)' \
    --benchmark_out="$out/grid.json" --benchmark_out_format=json >"$out/grid.txt"
echo "Running cells_bench (memory, appending, sorting)..." >&2
"$build/bench/cells_bench" \
    --benchmark_filter='^(MemoryTCells|MemoryQtModel|AppendTCells|AppendTGridView|AppendQtAppendRow|SortTCells|SortQtModel|SortSameOrder)(/|$)' \
    --benchmark_out="$out/cells.json" --benchmark_out_format=json >"$out/cells.txt"

# Google Benchmark writes one field per line: "name": ..., "real_time": ...,
# counters by their own names. Prints NAME FIELD VALUE for every benchmark,
# named without its settings ("SortTCells", not "SortTCells/iterations:3").
fields() {
    awk '
        /"name":/ { gsub(/[",]/, "", $2); sub(/\/.*/, "", $2); name = $2 }
        /"error_occurred": true/ { failed[name] = 1 }
        /"(real_time|MiB|asc_ms)":/ {
            key = $1; gsub(/[":]/, "", key); value = $2; gsub(/,/, "", value)
            print name, key, value
        }
        END { for (n in failed) print n, "failed", 1 }' "$@"
}
fields "$out/grid.json" "$out/cells.json" >"$out/fields"

value() { # NAME FIELD
    awk -v n="$1" -v f="$2" '$1 == n && $2 == f { v = $3 } END { print v }' "$out/fields"
}
if grep -q ' failed ' "$out/fields"; then
    echo "A benchmark failed:" >&2
    grep ' failed ' "$out/fields" >&2
    exit 1
fi

ratio() { # PEER-NAME OURS-NAME FIELD: the peer's figure over ours
    local p o
    p=$(value "$1" "$3")
    o=$(value "$2" "$3")
    if [ -z "$p" ] || [ -z "$o" ]; then
        echo "No figure $3 for $1 or $2." >&2
        exit 1
    fi
    awk -v p="$p" -v o="$o" 'BEGIN { printf "%.4f", p / o }'
}

# Each ratio on its own line, so that a missing figure stops the script.
scroll=$(ratio TableViewScrollLine GridViewScrollLine real_time)
repaint=$(ratio TableViewFullRepaint GridViewFullRepaint real_time)
append_grid=$(ratio AppendQtAppendRow AppendTGridView real_time)
append_cells=$(ratio AppendQtAppendRow AppendTCells real_time)
sort=$(ratio SortQtModel SortTCells asc_ms)
memory=$(ratio MemoryTCells MemoryQtModel MiB)

printf '\nThe grid at 1M rows against Qt (one run each, %s)\n\n' "$(date -u '+%Y-%m-%d %H:%M UTC')"
printf '| %-56s | %-31s | %9s | %9s | %-4s |\n' Measure Peer Ratio Target Met
printf '|%s|%s|%s|%s|%s|\n' "$(printf -- '-%.0s' {1..58})" "$(printf -- '-%.0s' {1..33})" \
    "$(printf -- '-%.0s' {1..11})" "$(printf -- '-%.0s' {1..11})" "$(printf -- '-%.0s' {1..6})"
status=0
row() { # MEASURE PEER RATIO OP TARGET  (OP: ge or le)
    local met
    if awk -v r="$3" -v t="$5" -v op="$4" 'BEGIN { exit !(op == "ge" ? r >= t : r <= t) }'; then
        met=yes
    else
        met=NO
        status=1
    fi
    printf '| %-56s | %-31s | %8.2fx | %s %5.2fx | %-4s |\n' "$1" "$2" "$3" \
        "$([ "$4" = ge ] && echo '>=' || echo '<=')" "$5" "$met"
}
table=QTableView+QStandardItemModel
row 'scroll one line, 1M rows (grid_bench ScrollLine)' "$table" "$scroll" ge 1.5
row 'full repaint 1000x700, 1M rows (grid_bench FullRepaint)' "$table" "$repaint" ge 2
row 'append a row + 5 texts via the grid (AppendTGridView)' QStandardItemModel::appendRow \
    "$append_grid" ge 5
row 'append a row + 5 texts on the store (AppendTCells)' QStandardItemModel::appendRow \
    "$append_cells" ge 5
row 'sort 1M rows of 12-char texts, ascending (Sort)' QStandardItemModel::sort "$sort" ge 40
row 'resident memory, 1M rows x 5 texts (Memory)' QStandardItemModel "$memory" le 0.35
if [ -z "$(value SortSameOrder real_time)" ]; then
    echo "The sort's order check did not run." >&2
    status=1
fi
printf '\nBoth stores sorted into the same order; full figures:\n'
grep -E '^(Grid|Table)View' "$out/grid.txt" || true
sed -n '/^Cell store against/,$p' "$out/cells.txt"
exit $status
