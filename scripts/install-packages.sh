#!/usr/bin/env bash
# Installs the Debian packages that building and testing Kestrum need. Sourced by the start and
# test scripts; uses sudo when not run as root.
set -euo pipefail

kestrum_packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev libqt6svg6      # the desktop dialogs and their icon
  fonts-noto-cjk               # Chinese in both scripts, so no text shows as boxes
  googletest libgtest-dev      # unit and integration tests
  nlohmann-json3-dev           # tests read kestrum-cli's JSON result
  libbenchmark-dev time        # the benchmarks under bench/, built on request
  e2fsprogs util-linux mount   # the tests' own small file systems on loop devices
  libfuse3-dev                 # the fake medium (a FUSE file system) of the fakemedium tests
  # the file systems that media carry, made and mounted on the fake medium (fuse_medium_test)
  exfatprogs exfat-fuse ntfs-3g xfsprogs btrfs-progs
  clang libclang-rt-14-dev     # the sector check's fuzz target (libFuzzer), tests/fuzz/run.sh
)

kestrum_sudo=""
if [ "$(id -u)" -ne 0 ]; then kestrum_sudo="sudo"; fi

if ! dpkg -s "${kestrum_packages[@]}" >/dev/null 2>&1; then
  export DEBIAN_FRONTEND=noninteractive
  $kestrum_sudo apt-get install -y "${kestrum_packages[@]}" ||
    { $kestrum_sudo apt-get update && $kestrum_sudo apt-get install -y "${kestrum_packages[@]}"; }
fi
