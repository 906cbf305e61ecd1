#!/usr/bin/env bash
# Compares raumfuchs-scan with du on /usr and on the 2,000,000-entry benchmark
# tree (made under bench/tree when missing): equal totals and file counts,
# wall time (alternating runs, median), peak RSS per entry. bare_walk, the least
# a walk on one thread can do (list and stat, nothing kept), runs alongside.
#
#   bench/scan_bench.sh [RUNS] [PATH…]       RUNS defaults to 7
#   BUILD_DIR=build-x   the build folder to take the programs from (default build)
#   SCAN_ARGS="--threads 1"   extra arguments for raumfuchs-scan
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
runs=${1:-7}
shift || true
tree=$PWD/bench/tree
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(/usr "$tree")
scan=$build/bin/raumfuchs-scan
make_tree=$build/bin/make_tree
bare_walk=$build/bin/bare_walk
read -r -a scan_args <<<"${SCAN_ARGS:-}"

[ -f "$build/build.ninja" ] || cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target raumfuchs-scan make_tree bare_walk >/dev/null
if [[ " ${targets[*]} " == *" $tree "* ]] && [ ! -d "$tree" ]; then
  echo "Building the benchmark tree in $tree (a few minutes)…"
  rm -rf "$tree.partial"
  "$make_tree" "$tree.partial"
  mv "$tree.partial" "$tree"
fi

# Runs a command, prints "<wall seconds> <peak RSS KiB>".
measure() {
  local start end
  start=$(date +%s.%N)
  /usr/bin/time -f %M -o "$rss_file" "$@" >/dev/null 2>&1
  end=$(date +%s.%N)
  echo "$(calc "$end - $start") $(tail -n1 "$rss_file")"
}
calc() { awk "BEGIN { printf \"%.6f\", $1 }"; }
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
field() { grep -o "\"$1\":[0-9.]*" | head -n1 | cut -d: -f2; }

rss_file=$(mktemp)
trap 'rm -f "$rss_file"' EXIT
status=0
for target in "${targets[@]}"; do
  json=$("$scan" --json "${scan_args[@]}" "$target")
  bytes=$(echo "$json" | field bytes)
  files=$(echo "$json" | field files)
  entries=$(echo "$json" | field entries)
  du_bytes=$(du -sxB1 "$target" | cut -f1)
  find_files=$(find "$target" -xdev ! -type d | wc -l)
  du_times=() scan_times=() scan_rss=() bare_times=()
  for _ in $(seq "$runs"); do
    read -r t _ < <(measure du -sxB1 "$target")
    du_times+=("$t")
    read -r t r < <(measure "$scan" --json "${scan_args[@]}" "$target")
    scan_times+=("$t")
    scan_rss+=("$r")
    read -r t _ < <(measure "$bare_walk" "$target")
    bare_times+=("$t")
  done
  du_median=$(printf '%s\n' "${du_times[@]}" | median)
  scan_median=$(printf '%s\n' "${scan_times[@]}" | median)
  bare_median=$(printf '%s\n' "${bare_times[@]}" | median)
  rss_max=$(printf '%s\n' "${scan_rss[@]}" | sort -n | tail -n1)
  ratio=$(calc "$scan_median / $du_median")
  per_entry=$(calc "$rss_max * 1024 / $entries")
  same_bytes=$([ "$bytes" = "$du_bytes" ] && echo yes || echo NO)
  same_files=$([ "$files" = "$find_files" ] && echo yes || echo NO)
  [ "$same_bytes$same_files" = "yesyes" ] || status=1
  printf '%s\n' "$target"
  printf '  bytes    %s (du %s) equal: %s\n' "$bytes" "$du_bytes" "$same_bytes"
  printf '  files    %s (find %s) equal: %s\n' "$files" "$find_files" "$same_files"
  printf '  entries  %s\n' "$entries"
  printf '  wall     scan %.3f s, du %.3f s, ratio %.3f (median of %d alternating runs)\n' \
    "$scan_median" "$du_median" "$ratio" "$runs"
  printf '  bare walk %.3f s, ratio %.3f\n' "$bare_median" "$(calc "$bare_median / $du_median")"
  printf '  scan runs: %s\n  du runs:   %s\n' "${scan_times[*]}" "${du_times[*]}"
  printf '  peak RSS %s KiB = %.1f bytes per entry\n' "$rss_max" "$per_entry"
done
exit $status
