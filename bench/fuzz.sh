#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs one.
# Usage: bash bench/fuzz.sh archive|hexdoc|dbase|exports|pictures|search|folders SECONDS
set -euo pipefail
cd "$(dirname "$0")/.."
target=${1:?archive or hexdoc}
seconds=${2:-60}
./scripts/install-deps.sh
if ! command -v clang++ >/dev/null || ! ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1; then
  apt-get install -y -qq --no-install-recommends clang libclang-rt-dev >/dev/null 2>&1 ||
    apt-get install -y -qq --no-install-recommends clang >/dev/null
fi
if [ ! -f build-fuzz/build.ninja ]; then
  cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DTAVTOOLS_FUZZ=ON -DTAVTOOLS_TESTS=OFF -DTAVTOOLS_BENCH=OFF >/dev/null
fi
cmake --build build-fuzz --target "fuzz_$target"
corpus=build-fuzz/corpus/$target
mkdir -p "$corpus"
dict=()
[ -f "tests/fuzz/$target.dict" ] && dict=("-dict=tests/fuzz/$target.dict")
QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 \
  "./build-fuzz/tests/fuzz/fuzz_$target" "${dict[@]}" -max_total_time="$seconds" \
  -print_final_stats=1 -rss_limit_mb="$([ "$target" = pictures ] && echo 1024 || echo 4096)" "$corpus" "tests/fuzz/seeds/$target"
