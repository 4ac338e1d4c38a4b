#!/usr/bin/env bash
# Sets up and builds Vornalex (see setup.sh), then runs every test headless.
#
# --full (what CI runs) goes on with the checked build: the whole tree built again in build-asan/
# with AddressSanitizer and UndefinedBehaviorSanitizer (clang, so that the libFuzzer targets of
# tests/fuzz are built too), every test run there, then each fuzz target run for
# VX_FUZZ_SECONDS (20) seconds from its seeds. Any sanitizer finding fails the run.
set -euo pipefail
cd "$(dirname "$0")"

full=false
case "${1:-}" in
"") ;;
--full) full=true ;;
*)
    echo "usage: $0 [--full]" >&2
    exit 2
    ;;
esac

./setup.sh
export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8
ctest --test-dir build --output-on-failure --parallel "$(nproc)" --timeout 300
$full || exit 0

# Set before the build too: test discovery runs the test programs.
export ASAN_OPTIONS=detect_leaks=1:strict_init_order=1:detect_stack_use_after_return=1
export LSAN_OPTIONS=suppressions=$PWD/tests/sanitizers/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DVX_SANITIZE=ON >/dev/null
find build-asan -path '*_autogen/timestamp' -delete
cmake --build build-asan --parallel "$(nproc)"
ctest --test-dir build-asan --output-on-failure --parallel "$(nproc)" --timeout 600

# Each target in parallel on a scratch copy of its seeds; a failure shows the end of its log.
seconds=${VX_FUZZ_SECONDS:-20}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
pids=()
targets=()
for program in build-asan/tests/fuzz/*Fuzz; do
    name=$(basename "$program")
    mkdir -p "$scratch/$name"
    "$program" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=4096 \
        -artifact_prefix="$scratch/$name-" "$scratch/$name" "tests/fuzz/corpus/$name" \
        >"$scratch/$name.log" 2>&1 &
    pids+=($!)
    targets+=("$name")
done
passed=0
failed=0
for i in "${!pids[@]}"; do
    name=${targets[$i]}
    if wait "${pids[$i]}"; then
        passed=$((passed + 1))
        echo "$name: $(grep -o 'Done [0-9]* runs in [0-9]* second(s)' "$scratch/$name.log")"
    else
        failed=$((failed + 1))
        echo "$name: FAILED"
        tail -n 40 "$scratch/$name.log"
        for artifact in "$scratch/$name"-*; do
            [ -e "$artifact" ] && echo "input: $(od -An -c "$artifact" | head -n 20)"
        done
    fi
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
