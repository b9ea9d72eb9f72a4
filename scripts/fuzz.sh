#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz/ and runs each for a
# time or a number of runs, starting from the committed seed corpus and the
# format's dictionary. New inputs collect in build-fuzz/corpus/, a failing
# input in build-fuzz/findings/; a finding fails the run and shows the
# target's log. Prints each target's runs, time and coverage.
#   scripts/fuzz.sh [--runs N] [--seconds S | S] [TARGET...]
# Without a limit each target runs 30 seconds; given both, whichever comes
# first ends it. Without targets, every one.
# TARGET is a name without "fuzz_": import_texture, decode_png, ...
set -euo pipefail
cd "$(dirname "$0")/.."

limit=()
while [[ $# -gt 0 ]]; do
    case "$1" in
    --runs) limit+=(-runs="$2"); shift 2 ;;
    --seconds) limit+=(-max_total_time="$2"); shift 2 ;;
    [0-9]*) limit+=(-max_total_time="$1"); shift ;;  # as CI has called it
    *) break ;;
    esac
done
if [[ ${#limit[@]} -eq 0 ]]; then
    limit=(-max_total_time=30)
fi
all=(import_texture inspect_texture inspect_level file_list options
     decode_png decode_jpeg decode_tga decode_bmp preference_field)
targets=("$@")
if [[ ${#targets[@]} -eq 0 ]]; then
    targets=("${all[@]}")
fi

build_dir=build-fuzz
cmake -S . -B "$build_dir" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTORVANE_FUZZ=ON \
    -DTORVANE_WINDOW=OFF -DTORVANE_BENCHMARKS=OFF > /dev/null
cmake --build "$build_dir" -j "$(nproc)" --target "${targets[@]/#/fuzz_}"

# The inspector's targets read what they write: in memory, not on a disk.
if [[ -d /dev/shm && -w /dev/shm ]]; then
    export TMPDIR=/dev/shm
fi

dictionary_of() {
    case "$1" in
    import_texture | inspect_texture) echo texture ;;
    inspect_level) echo level ;;
    options) echo options ;;
    decode_*) echo "${1#decode_}" ;;
    esac
}

mkdir -p "$build_dir/findings"
for target in "${targets[@]}"; do
    log="$build_dir/fuzz_$target.log"
    mkdir -p "$build_dir/corpus/$target"
    options=(-timeout=10 -print_final_stats=1 -artifact_prefix="$build_dir/findings/$target-")
    dictionary="tests/fuzz/dict/$(dictionary_of "$target").dict"
    if [[ -f $dictionary ]]; then
        options+=(-dict="$dictionary")
    fi
    if ! "$build_dir/tests/fuzz/fuzz_$target" "${limit[@]}" "${options[@]}" \
        "$build_dir/corpus/$target" "tests/fuzz/corpus/$target" > "$log" 2>&1; then
        tail -n 40 "$log"
        echo "fuzz_$target: finding, see $log and $build_dir/findings/" >&2
        exit 1
    fi
    done_line=$(grep -o 'Done [0-9]* runs in [0-9]* second(s)' "$log")
    final_cov=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1)
    at_million=$(grep -o '^#1048576.*cov: [0-9]*' "$log" | grep -o 'cov: [0-9]*' || true)
    echo "fuzz_$target: $done_line, $final_cov${at_million:+ ($at_million at 1,048,576 runs)}, no finding"
done
