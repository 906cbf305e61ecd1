#!/usr/bin/env bash
# Exports and imports in ncdu's format on a tree of about 1,000,000 entries:
#   - export while scanning against a plain scan (raumfuchs-scan --export F
#     PATH against raumfuchs-scan PATH);
#   - importing that export against ncdu 1.18 reading it (ncdu -f F -o /dev/null);
#   - peak RSS of the import per entry.
# Runs alternate, figures are medians. The tree is the first 20 of the 40 top
# folders of the scan benchmark's tree (bench/tree, made by bench/scan_bench.sh),
# bound read-only into a temporary folder on the same file system.
#
#   bench/ncdu_bench.sh [RUNS] [TREE]     RUNS defaults to 5
#   BUILD_DIR=build-x   the build folder to take the programs from (default build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
runs=${1:-5}
source_tree=${2:-$PWD/bench/tree}
scan=$build/bin/raumfuchs-scan
[ -d "$source_tree/d19" ] || { echo "no benchmark tree at $source_tree (bench/scan_bench.sh makes it)"; exit 1; }
cmake --build "$build" --target raumfuchs-scan >/dev/null

work=$(mktemp -d "$(dirname "$source_tree")/ncdu-bench.XXXXXX")
tree=$work/tree
mounted=()
cleanup() {
  for m in "${mounted[@]}"; do umount "$m" || umount -l "$m"; done
  rm -rf "$work"
}
trap cleanup EXIT
mkdir "$tree"
for i in $(seq -w 0 19); do
  mkdir "$tree/d$i"
  mount --bind -o ro "$source_tree/d$i" "$tree/d$i"
  mounted+=("$tree/d$i")
done
export_file=$work/export.json

calc() { awk "BEGIN { printf \"%.6f\", $1 }"; }
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
field() { grep -o "\"$1\":[0-9.]*" | head -n1 | cut -d: -f2; }
rss_file=$work/rss
# Runs a command, prints "<wall seconds> <peak RSS KiB>".
measure() {
  local start end
  start=$(date +%s.%N)
  /usr/bin/time -f %M -o "$rss_file" "$@" >/dev/null 2>&1
  end=$(date +%s.%N)
  echo "$(calc "$end - $start") $(tail -n1 "$rss_file")"
}

json=$("$scan" --json "$tree")  # also warms the cache
"$scan" --export "$export_file" "$tree" >/dev/null
imported=$("$scan" --json --import "$export_file")
entries=$(echo "$json" | field entries)
same=$([ "$(echo "$json" | field bytes) $(echo "$json" | field files)" = \
  "$(echo "$imported" | field bytes) $(echo "$imported" | field files)" ] && echo yes || echo NO)

scan_t=() export_t=() import_t=() import_rss=() ncdu_t=()
for _ in $(seq "$runs"); do
  read -r t _ < <(measure "$scan" --json "$tree"); scan_t+=("$t")
  read -r t _ < <(measure "$scan" --json --export "$export_file" "$tree"); export_t+=("$t")
  read -r t r < <(measure "$scan" --json --import "$export_file"); import_t+=("$t"); import_rss+=("$r")
  read -r t _ < <(measure ncdu -f "$export_file" -o /dev/null); ncdu_t+=("$t")
done
scan_m=$(printf '%s\n' "${scan_t[@]}" | median)
export_m=$(printf '%s\n' "${export_t[@]}" | median)
import_m=$(printf '%s\n' "${import_t[@]}" | median)
ncdu_m=$(printf '%s\n' "${ncdu_t[@]}" | median)
rss_max=$(printf '%s\n' "${import_rss[@]}" | sort -n | tail -n1)

printf 'tree      %s entries, export %s bytes, import totals equal to the scan: %s\n' \
  "$entries" "$(stat -c %s "$export_file")" "$same"
printf 'export    %.3f s, plain scan %.3f s, ratio %.3f\n' "$export_m" "$scan_m" "$(calc "$export_m / $scan_m")"
printf 'import    %.3f s, ncdu -f -o /dev/null %.3f s, ratio %.3f\n' "$import_m" "$ncdu_m" "$(calc "$import_m / $ncdu_m")"
printf 'import peak RSS %s KiB = %.1f bytes per entry\n' "$rss_max" "$(calc "$rss_max * 1024 / $entries")"
printf 'runs (median of %d, alternating):\n  scan   %s\n  export %s\n  import %s\n  ncdu   %s\n' \
  "$runs" "${scan_t[*]}" "${export_t[*]}" "${import_t[*]}" "${ncdu_t[*]}"
[ "$same" = yes ]
