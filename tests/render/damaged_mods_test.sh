#!/usr/bin/env bash
# Mods made to hurt, one of each kind the readers have met: through `scene dump --content` and
# `render --content`, each either shows its scene (exit 0) or says why in one line (exit 1), in
# bounded time and memory, and never crashes. Run by the sanitizer build too.
# Usage: damaged_mods_test.sh path/to/solvane-tool
set -u
tool=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck source=../support/script_checks.sh
source "$(dirname "$0")/../support/script_checks.sh"
command -v convert >/dev/null || { echo "missing convert (scripts/install-deps.sh installs it)"; exit 1; }
export SDL_AUDIODRIVER=dummy

# The carried scene's files, as the base every mod changes one thing of.
base=$work/base
mkdir -p "$base/textures" "$base/meshes"
for name in texture.txt env.txt worlds.txt firstpass.txt firstpass2.txt postpass.txt out.txt \
  world.txt; do
  "$tool" archive extract "$name" -o "$base/$name" >/dev/null
done
while read -r name; do
  "$tool" archive extract "$name" -o "$base/$(echo "$name" | tr '\\' /)" >/dev/null
done < <("$tool" archive list | awk '{print $1}' | grep -E '^(textures|meshes)\\')
"$tool" archive extract music.ogg -o "$base/music.ogg" >/dev/null

# A mod: the base with the changes a function makes in its copy, packed.
make_mod() {  # name, function
  rm -rf "$work/m"
  cp -r "$base" "$work/m"
  (cd "$work/m" && "$2")
  (cd "$work/m" && "$tool" archive pack "$work/$1.rar" --compress $(find . -type f | sed 's|^\./||' | sort) \
    >/dev/null)
}

# Objects before the world script's end marker: what follows it is never read.
add_objects() {
  sed -i 's/^ENDWORLD.*$//' world.txt
  cat >>world.txt
  printf 'ENDWORLD' >>world.txt
}

grey_sun() { convert textures/sun.jpg -colorspace Gray textures/sun.jpg; }
cmyk_sun() { convert textures/sun.jpg -colorspace CMYK textures/sun.jpg; }
progressive_sun() { convert textures/sun.jpg -interlace JPEG textures/sun.jpg; }
garbage_sun() { head -c 3000 /dev/urandom >textures/sun.jpg; }
truncated_sun() { head -c 700 textures/sun.jpg >t && mv t textures/sun.jpg; }
lying_tga() {
  # An RLE image that claims 8192 x 8192 and holds a few bytes.
  printf '\0\0\12\0\0\0\0\30\0\0\0\0\0\40\0\40\40\0\377\1\2\3' >textures/big.tga
  printf 'big.tga\r\n' | cat - texture.txt >t && mv t texture.txt
}
non_finite() {
  for value in nan inf -inf 1e39 3.4e38 1e308; do
    printf 'flare\r\nbegin\r\nposition V(%s %s %s)\r\nsize %s\r\nend\r\n' "$value" "$value" "$value" "$value"
    printf 'sphere\r\nbegin x\r\nradius %s\r\nposition V(0 %s 0)\r\nend\r\n' "$value" "$value"
    printf 'billboard\r\nbegin\r\nsize %s\r\nrotation %s %s\r\nend\r\n' "$value" "$value" "$value"
  done | add_objects
}
empty_music() { : >music.ogg; }
particle_bomb() {
  for _ in $(seq 20); do printf 'ps\r\nbegin\r\nline\r\ndens 1000000\r\nend\r\n'; done | add_objects
}
line_streams() {
  for _ in 1 2; do printf 'ps\r\nbegin\r\nline\r\ndens 50000\r\ntime 5\r\nend\r\n'; done | add_objects
}
huge_list() {
  # Over the largest text file; packed with compression it is a small archive.
  yes 'sun.jpg' | head -c 6000000 >texture.txt
}
many_objects() {
  for _ in $(seq 3000); do printf 'billboard\r\nbegin\r\nsize 10\r\nend\r\n'; done | add_objects
}
no_world() { sed -i 's/^world world/world elsewhere/' worlds.txt; }

kinds=(grey_sun cmyk_sun progressive_sun garbage_sun truncated_sun lying_tga non_finite
  empty_music particle_bomb line_streams huge_list many_objects no_world)
for kind in "${kinds[@]}"; do make_mod "$kind" "$kind"; done
head -c 20000 "$work/grey_sun.rar" >"$work/cut_archive.rar"
kinds+=(cut_archive)

# Exit 0, or exit 1 with exactly one line; at most 10 s and 500 MB.
judge() {  # kind, what, command...
  local kind=$1 what=$2
  shift 2
  /usr/bin/time -f '%e %M' -o "$work/time" "$@" >"$work/out" 2>"$work/err"
  local code=$? seconds kb
  read -r seconds kb < <(tail -n 1 "$work/time")
  local lines
  lines=$(grep -cv '^solvane: \|^$' "$work/err")  # the program's own warnings aside
  local verdict=ok
  if [ $code -eq 1 ]; then
    [ "$(wc -l <"$work/err")" -ge 1 ] && [ "$lines" -eq 1 ] || verdict="exit 1 without one line"
  elif [ $code -ne 0 ]; then
    verdict="exit $code: $(tail -n 3 "$work/err")"
  fi
  printf '%-16s %-10s exit %d %6ss %5d MB  %s\n' "$kind" "$what" $code "$seconds" $((kb / 1024)) \
    "$(grep -v '^solvane: ' "$work/err" | head -n 1)"
  check "$kind: $what ends cleanly" ok "$verdict"
  check "$kind: $what within 10 s" yes "$(awk -v s="$seconds" 'BEGIN{print s < 10 ? "yes" : s}')"
  check "$kind: $what within 500 MB" yes "$(awk -v k="$kb" 'BEGIN{print k < 512000 ? "yes" : k}')"
}
for kind in "${kinds[@]}"; do
  judge "$kind" "scene dump" "$tool" scene dump --content "$work/$kind.rar"
  judge "$kind" "render" "$tool" render --content "$work/$kind.rar" --out "$work/$kind.png"
done
report
