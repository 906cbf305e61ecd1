#!/usr/bin/env bash
# Cold-cache comparison of raumfuchs-scan with du: an ext4 image on a loop
# device with direct I/O (so the image file's own page cache does not serve
# the reads), unmounted, flushed and mounted again before every run, so each
# run reads the device. Runs alternate between du and the scan at each thread
# count; the medians are compared. The device's read count and its average
# wait per read come from the loop device's statistics, the CPU time (user
# and system, all threads) from the shell's `times`.
#
#   bench/cold_bench.sh [RUNS]     RUNS defaults to 3
#   BUILD_DIR=build-x    the build folder to take the programs from (default build)
#   IMAGE=path           the image (default bench/cold.img, made when missing:
#                        make_tree with 20 top folders, 1,002,021 entries, and an
#                        attributes-only copy of /usr: its shape, no file data)
#   THREADS="1 2 8 0"    thread counts to compare; 0 is the default choice
#
# Needs root and loop devices; skips (exit 0) with a message where refused.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
runs=${1:-3}
image=${IMAGE:-$PWD/bench/cold.img}
read -r -a threads <<<"${THREADS:-1 2 8 0}"
scan=$build/bin/raumfuchs-scan

skip() {
  echo "cold_bench: skipped: $1" >&2
  exit 0
}
[ "$(id -u)" = 0 ] || skip "needs root for loop devices and mounts"
# In a mount namespace of its own, so that no other program (a scan of "/",
# say) walks into the image and holds it busy or warms its cache.
if [ -z "${COLD_BENCH_PRIVATE:-}" ]; then
  COLD_BENCH_PRIVATE=1 exec unshare --mount --propagation private "$0" "$@" ||
    skip "no private mount namespace"
fi
command -v mkfs.ext4 >/dev/null || skip "mkfs.ext4 missing (package e2fsprogs)"
[ -f "$build/build.ninja" ] || cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target raumfuchs-scan make_tree >/dev/null

work=$(mktemp -d /tmp/raumfuchs-cold.XXXXXX)
mnt=$work/mnt
mkdir "$mnt"
device=
cleanup() {
  set +e
  # A run cut short may still hold the mount: detach it lazily.
  mountpoint -q "$mnt" && { umount "$mnt" 2>/dev/null || umount -l "$mnt"; }
  [ -n "$device" ] && losetup -d "$device"
  rm -rf "$work" "$image.partial"
}
trap cleanup EXIT

if [ ! -f "$image" ]; then
  echo "Building $image (a few minutes)…"
  truncate -s 4G "$image.partial"
  mkfs.ext4 -q -N 1400000 -E lazy_itable_init=0,lazy_journal_init=0 "$image.partial"
  device=$(losetup --find --show "$image.partial" 2>/dev/null) || skip "loop devices are refused here"
  mount "$device" "$mnt"
  "$build/bin/make_tree" "$mnt/tree" 20
  cp -a --attributes-only /usr "$mnt/usr"
  umount "$mnt"
  losetup -d "$device"
  device=
  mv "$image.partial" "$image"
fi
device=$(losetup --find --show --direct-io=on --read-only "$image" 2>/dev/null) ||
  skip "loop devices are refused here"
name=${device#/dev/}

# Reads completed and milliseconds spent reading, from the loop device.
io_stat() { awk '{ print $1, $4 }' "/sys/block/$name/stat"; }
calc() { awk "BEGIN { printf \"%.6f\", $1 }"; }
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
field() { grep -o "\"$1\":[0-9.]*" | head -n1 | cut -d: -f2; }

# Mounts the image afresh with nothing of it cached, runs the command, sets
# t (wall seconds), c (CPU seconds), r (device reads) and w (ms per read); the
# command's output goes to $work/out.
cold_run() {
  mountpoint -q "$mnt" && umount "$mnt"
  blockdev --flushbufs "$device"
  mount -o ro "$device" "$mnt"
  local start end reads0 ticks0 reads1 ticks1
  read -r reads0 ticks0 < <(io_stat)
  start=$(date +%s.%N)
  # The second line of `times` is the children's user and system time.
  (
    "$@" >"$work/out"
    times >"$work/times"
  )
  end=$(date +%s.%N)
  c=$(sed -n 2p "$work/times" | awk '{ split($0, f, /[ms ]+/); print f[1] * 60 + f[2] + f[3] * 60 + f[4] }')
  read -r reads1 ticks1 < <(io_stat)
  r=$((reads1 - reads0))
  t=$(calc "$end - $start")
  w=$(calc "($ticks1 - $ticks0) / ($r > 0 ? $r : 1)")
}

label() { [ "$1" = 0 ] && echo "default" || echo "$1 threads"; }
declare -A times cpu wait_ms reads
status=0
echo "Image $image on $device (direct I/O), $runs runs, load: $(cut -d' ' -f1-3 /proc/loadavg)"
for run in $(seq "$runs"); do
  # Rotate the order each run, so no command always follows the same one.
  order=(du "${threads[@]}")
  shift_by=$(((run - 1) % ${#order[@]}))
  order=("${order[@]:shift_by}" "${order[@]:0:shift_by}")
  for what in "${order[@]}"; do
    if [ "$what" = du ]; then
      cold_run du -sxB1 "$mnt"
      du_bytes=$(cut -f1 "$work/out")
    else
      if [ "$what" = 0 ]; then
        cold_run env -u RAUMFUCHS_SCAN_THREADS "$scan" --json "$mnt"
      else
        cold_run "$scan" --json --threads "$what" "$mnt"
      fi
      scan_bytes=$(field bytes <"$work/out")
      used=$(field threads <"$work/out")
      entries=$(field entries <"$work/out")
      if [ -n "${du_bytes:-}" ] && [ "$scan_bytes" != "$du_bytes" ]; then
        echo "  totals differ: scan $scan_bytes, du $du_bytes ($(label "$what"))" >&2
        status=1
      fi
      [ "$what" = 0 ] && echo "  run $run: default used ${used:-?} threads"
    fi
    times[$what]+="$t "
    cpu[$what]+="$c "
    wait_ms[$what]+="$w "
    reads[$what]+="$r "
  done
done
mountpoint -q "$mnt" && umount "$mnt"

du_median=$(printf '%s\n' ${times[du]} | median)
echo "entries $entries, bytes $du_bytes (du equal in every run: $([ $status = 0 ] && echo yes || echo NO))"
for what in du "${threads[@]}"; do
  m=$(printf '%s\n' ${times[$what]} | median)
  w=$(printf '%s\n' ${wait_ms[$what]} | median)
  r=$(printf '%s\n' ${reads[$what]} | median)
  c=$(printf '%s\n' ${cpu[$what]} | median)
  name_of=$([ "$what" = du ] && echo "du -sxB1" || label "$what")
  printf '  %-12s median %7.3f s  ratio %.3f  CPU %.2f s  reads %s, %.2f ms per read  runs: %s\n' \
    "$name_of" "$m" "$(calc "$m / $du_median")" "$c" "$r" "$w" "${times[$what]}"
done
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
exit $status
