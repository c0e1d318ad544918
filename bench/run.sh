#!/usr/bin/env bash
# Side-by-side measurements against the standard Linux tools, in one run.
# Usage: bash bench/run.sh [listing]
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
./scripts/build.sh >/dev/null
work=$(mktemp -d /var/tmp/tavbench.XXXXXX)
trap 'rm -rf "$work"' EXIT

timeit() { # best of 3 wall-clock seconds of a command
  local best=999
  for _ in 1 2 3; do
    local s e
    s=$(date +%s.%N); "$@" >/dev/null; e=$(date +%s.%N)
    best=$(echo "$e - $s" | bc -l | awk -v b="$best" '{print ($1<b)?$1:b}')
  done
  echo "$best"
}

bench_listing() {
  echo "== listing a folder of 100,000 files"
  mkdir -p "$work/list"
  (cd "$work/list" && seq -f "file%06g.txt" 1 100000 | xargs touch)
  ls_time=$(timeit ls -la "$work/list")
  out=$(./build/bench/bench_listing "$work/list" 3)
  tav_time=$(echo "$out" | sed -E 's/.*best ([0-9.]+) s.*/\1/')
  echo "ls -la:     ${ls_time} s"
  echo "LitRepert:  $out"
  echo "ratio LitRepert / ls -la: $(echo "$tav_time / $ls_time" | bc -l | cut -c1-5)"
}

case "${1:-all}" in
  listing|all) bench_listing ;;
esac
