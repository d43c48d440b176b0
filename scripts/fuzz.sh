#!/usr/bin/env bash
# Runs one libFuzzer target (or all of them in turn) under AddressSanitizer and
# UndefinedBehaviorSanitizer, from its seed corpus, for a fixed time.
#   scripts/fuzz.sh TARGET SECONDS    TARGET: archive, command_line, defaults_text,
#   scripts/fuzz.sh all SECONDS       settings_file, scene_script, lists, tga, jpeg, mesh,
#                                     string_table, scene
# The clang tree build-fuzz/ (-DSOLVANE_FUZZ=ON) is configured and built as needed. Each target
# starts from the seeds of its fixed run (tests/fuzz/), written into build-fuzz/corpus/TARGET/
# where the working corpus grows, so the repository is not modified;
# a crash, leak, timeout or memory blow-up leaves its input in build-fuzz/findings/TARGET/ and
# makes the script exit non-zero.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
targets=(archive command_line defaults_text settings_file scene_script lists tga jpeg mesh
  string_table scene)
if [ $# -ne 2 ] || ! [[ "$2" =~ ^[0-9]+$ ]]; then
  echo "usage: scripts/fuzz.sh TARGET|all SECONDS (targets: ${targets[*]})" >&2
  exit 2
fi
if [ "$1" = all ]; then
  selected=("${targets[@]}")
else
  case " ${targets[*]} " in
    *" $1 "*) selected=("$1") ;;
    *) echo "fuzz.sh: no target $1 (targets: ${targets[*]})" >&2; exit 2 ;;
  esac
fi
seconds=$2
dir="$root/build-fuzz"
generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
if [ ! -f "$dir/CMakeCache.txt" ]; then
  launcher=()
  command -v ccache >/dev/null &&
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  CC=clang CXX=clang++ cmake -S "$root" -B "$dir" "${generator[@]}" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSOLVANE_FUZZ=ON "${launcher[@]}" >/dev/null
fi
build_targets=(fuzz_smoke)
for target in "${selected[@]}"; do build_targets+=("fuzz_$target"); done
cmake --build "$dir" --parallel "$(nproc)" --target "${build_targets[@]}"

failed=()
for target in "${selected[@]}"; do
  corpus="$dir/corpus/$target"
  findings="$dir/findings/$target"
  mkdir -p "$corpus" "$findings"
  "$dir/tests/fuzz/fuzz_smoke" "$target" "$corpus"  # the seeds the fixed run starts from
  options=(-max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -print_final_stats=1
    -artifact_prefix="$findings/")
  case "$target" in
    archive) options+=(-max_len=4096) ;;
    scene) options+=(-max_len=16384) ;;
  esac
  echo "== fuzz_$target for ${seconds}s"
  if ! ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
    LSAN_OPTIONS="suppressions=$root/tests/lsan.supp" \
    UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 SDL_AUDIODRIVER=dummy \
    "$dir/tests/fuzz/fuzz_$target" "$corpus" "${options[@]}"; then
    failed+=("$target")
  fi
done
if [ ${#failed[@]} -ne 0 ]; then
  echo "fuzz.sh: findings in ${failed[*]}; inputs in $dir/findings/" >&2
  exit 1
fi
