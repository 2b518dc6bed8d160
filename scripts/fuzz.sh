#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Fuzzes the PDF library with libFuzzer for a bounded time (address and undefined
# behaviour sanitizers on), starting from the sample PDFs. Not part of ./test.
#
#   scripts/fuzz.sh [SECONDS]        (default 300; findings in build-fuzz/findings)
set -euo pipefail
source "$(dirname "$0")/setup.sh"
orv_packages clang libclang-rt-14-dev cmake make pkg-config qt6-base-dev libqpdf-dev qpdf
seconds=${1:-300}
cd "$orv_root"
# clang with the system's libstdc++ reads qpdf's headers only as C++17.
cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_CXX_STANDARD=17 \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVFIELDS_FUZZ=ON -DBUILD_TESTING=OFF \
    -DORVFIELDS_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target fuzz_tagora orv_sample
corpus=build-fuzz/corpus
mkdir -p "$corpus" build-fuzz/findings
cp build-fuzz/examples/sample/books/*.pdf "$corpus"/
ASAN_OPTIONS=detect_leaks=1 build-fuzz/bin/fuzz_tagora "$corpus" \
    -max_total_time="$seconds" -timeout=20 -rss_limit_mb=4096 -max_len=200000 \
    -artifact_prefix=build-fuzz/findings/ -print_final_stats=1
