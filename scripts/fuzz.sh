#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs one of them.
#
#   scripts/fuzz.sh TARGET [SECONDS] [JOBS]
#
# TARGET is the name under fuzz/ (decode_image, load_memory); SECONDS is how
# long to fuzz (default 600); JOBS is the number of parallel fuzzing
# processes (default 1). New inputs go to a scratch corpus under the build
# folder, seeded from fuzz/corpus/TARGET, so the checked-in seeds stay small;
# crashes are written to build/fuzz-findings/TARGET/. The build folder
# defaults to build/fuzz (SKYWEAVE_FUZZ_BUILD_DIR overrides it). Leaks in
# system libraries listed in tests/lsan.supp are not findings; LSAN_OPTIONS
# set by the caller still apply, over those.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

target=${1:?usage: scripts/fuzz.sh TARGET [SECONDS] [JOBS]}
seconds=${2:-600}
jobs=${3:-1}
build=${SKYWEAVE_FUZZ_BUILD_DIR:-$root/build/fuzz}

if [ ! -f "fuzz/$target.cpp" ]; then
  echo "no fuzz target fuzz/$target.cpp" >&2
  exit 2
fi

flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
cmake -S "$root" -B "$build" -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DSKYWEAVE_FUZZ=ON -DSKYWEAVE_GUI=OFF \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" >/dev/null
cmake --build "$build" --target "fuzz_$target" -j "${SKYWEAVE_JOBS:-2}"

work="$build/fuzz-corpus/$target"
findings="$root/build/fuzz-findings/$target"
mkdir -p "$work" "$findings"
if [ -d "fuzz/corpus/$target" ]; then
  cp -n fuzz/corpus/"$target"/* "$work"/ 2>/dev/null || true
fi

# Pictures may legitimately need a few hundred megabytes; the pixel ceiling
# keeps single allocations of pixels below 4.3 GB and libjpeg's whole-image buffers for a progressive or 256-colour decode below about 6.5 GB; they are virtual until touched, so the malloc limit allows them while the RSS limit stays low.
args=(-max_total_time="$seconds" -rss_limit_mb=4096 -malloc_limit_mb=8192
      -timeout=30 -max_len=262144 -print_final_stats=1
      -artifact_prefix="$findings/")
if [ "$jobs" -gt 1 ]; then
  args+=(-jobs="$jobs" -workers="$jobs")
fi
# The leaks of system libraries the other tests allow, allowed here too; the
# caller's own options come after, so that they win.
export LSAN_OPTIONS=suppressions=$root/tests/lsan.supp:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}
exec "$build/fuzz/fuzz_$target" "${args[@]}" "$work"
