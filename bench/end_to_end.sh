#!/usr/bin/env bash
# A whole write-and-verify run against dd on the same file system, in one invocation:
#   - the disk that holds the repository (a directory under build/),
#   - a RAM-backed loop device: a file in /dev/shm attached with --direct-io=on, ext4.
# For each, RUNS times: dd writes SIZE MiB of random data (from a file in /dev/shm: a virtual
# disk may take zeros faster than data) with O_DIRECT in 1 MiB blocks and reads them back
# likewise; read_and_touch reads them as dd does and reads every byte once, as any check must;
# then kestrum-cli writes and verifies SIZE MiB. Prints every figure, then the median, minimum
# and maximum of each with the ratio of the medians to dd (and of the read to read_and_touch),
# and kestrum-cli's peak resident memory. Needs root for the loop device.
# Usage: bench/end_to_end.sh [RUNS] [DISK_SIZE_MB] [RAM_SIZE_MB]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
disk_mb=${2:-2048}
ram_mb=${3:-3072}

source scripts/install-packages.sh
cmake --preset release -DKESTRUM_BUILD_BENCH=ON >/dev/null
cmake --build --preset release --target kestrum-cli read_and_touch >/dev/null
cli=build/release/cli/kestrum-cli
touch_read=build/release/bench/read_and_touch

work=$(mktemp -d "$PWD/build/end-to-end.XXXXXX")
loop=""
cleanup() {
  if mountpoint -q "$work/ram" 2>/dev/null; then umount "$work/ram"; fi
  if [ -n "$loop" ]; then losetup -d "$loop"; fi
  rm -f /dev/shm/kestrum-end-to-end.img /dev/shm/kestrum-end-to-end.source
  rm -rf "$work"
}
trap cleanup EXIT

now() { date +%s%N; }
# Bytes per second of SIZE MiB in the nanoseconds between two stamps.
rate() { awk -v mb="$1" -v ns="$(($3 - $2))" 'BEGIN { printf "%.0f", mb * 1048576 / (ns / 1e9) }'; }
json_field() { sed -n "s/.*\"$2\": \([0-9]*\).*/\1/p" "$1"; }
gb() { awk -v b="$1" 'BEGIN { printf "%.2f", b / 1e9 }'; }
stats() {  # median min max of the numbers given
  printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END {
    m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; print m, v[1], v[NR] }'
}

measure() {  # name directory size_mb
  local name=$1 dir=$2 mb=$3
  local dd_w=() dd_r=() t_r=() k_w=() k_r=() peak=0
  for run in $(seq "$runs"); do
    local t0 t1 t2
    t0=$(now)
    # Like the write speed the program reports, the time ends with the last write.
    dd if=/dev/shm/kestrum-end-to-end.source of="$dir/dd.bin" bs=1M count="$mb" oflag=direct \
      status=none
    t1=$(now)
    dd if="$dir/dd.bin" of=/dev/null bs=1M iflag=direct status=none
    t2=$(now)
    t_r+=("$("$touch_read" "$dir/dd.bin")")
    rm -f "$dir/dd.bin"
    dd_w+=("$(rate "$mb" "$t0" "$t1")")
    dd_r+=("$(rate "$mb" "$t1" "$t2")")

    /usr/bin/time -f %M -o "$work/rss" "$cli" --size "$mb" --json "$work/result.json" "$dir" \
      >/dev/null
    rm -f "$dir"/*.kst
    k_w+=("$(json_field "$work/result.json" writeBytesPerSecond)")
    k_r+=("$(json_field "$work/result.json" readBytesPerSecond)")
    local rss; rss=$(cat "$work/rss")
    [ "$rss" -gt "$peak" ] && peak=$rss
    printf '%-5s run %d: dd write %s, read %s; read and touch %s; kestrum write %s, read %s GB/s\n' \
      "$name" "$run" "$(gb "${dd_w[-1]}")" "$(gb "${dd_r[-1]}")" "$(gb "${t_r[-1]}")" \
      "$(gb "${k_w[-1]}")" "$(gb "${k_r[-1]}")"
  done
  read -r dwm dwmin dwmax <<<"$(stats "${dd_w[@]}")"
  read -r drm drmin drmax <<<"$(stats "${dd_r[@]}")"
  read -r kwm kwmin kwmax <<<"$(stats "${k_w[@]}")"
  read -r krm krmin krmax <<<"$(stats "${k_r[@]}")"
  read -r trm trmin trmax <<<"$(stats "${t_r[@]}")"
  echo "$name, $mb MiB, $runs runs (GB/s: median, min, max):"
  printf '  dd write      %6s %6s %6s\n' "$(gb "$dwm")" "$(gb "$dwmin")" "$(gb "$dwmax")"
  printf '  kestrum write %6s %6s %6s   ratio %.3f\n' "$(gb "$kwm")" "$(gb "$kwmin")" \
    "$(gb "$kwmax")" "$(awk -v a="$kwm" -v b="$dwm" 'BEGIN { print a / b }')"
  printf '  dd read       %6s %6s %6s\n' "$(gb "$drm")" "$(gb "$drmin")" "$(gb "$drmax")"
  printf '  read + touch  %6s %6s %6s\n' "$(gb "$trm")" "$(gb "$trmin")" "$(gb "$trmax")"
  printf '  kestrum read  %6s %6s %6s   ratio %.3f (to read + touch %.3f)\n' "$(gb "$krm")" \
    "$(gb "$krmin")" "$(gb "$krmax")" "$(awk -v a="$krm" -v b="$drm" 'BEGIN { print a / b }')" \
    "$(awk -v a="$krm" -v b="$trm" 'BEGIN { print a / b }')"
  printf '  kestrum-cli peak resident memory: %.1f MiB\n' "$(awk -v k="$peak" 'BEGIN { print k / 1024 }')"
}

head -c "$((disk_mb > ram_mb ? disk_mb : ram_mb))M" /dev/urandom >/dev/shm/kestrum-end-to-end.source
mkdir -p "$work/disk"
measure disk "$work/disk" "$disk_mb"

if [ "$(id -u)" -ne 0 ]; then
  echo "ram: skipped, the loop device needs root"
  exit 0
fi
# Allocated up front, so that no run pays for the memory's first touch.
fallocate -l "$((ram_mb + 512))M" /dev/shm/kestrum-end-to-end.img
loop=$(losetup --find --show --direct-io=on /dev/shm/kestrum-end-to-end.img)
mkfs.ext4 -q -m 0 "$loop"
mkdir -p "$work/ram"
mount "$loop" "$work/ram"
measure ram "$work/ram" "$ram_mb"
