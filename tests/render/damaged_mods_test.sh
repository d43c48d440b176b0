#!/usr/bin/env bash
# Mods made to hurt, one of each kind the readers have met: through `scene dump --content` and
# `render --content`, each either shows its scene (exit 0) or says why in one line (exit 1), in
# bounded time and memory, and never crashes. Run by the sanitizer build too.
# Usage: damaged_mods_test.sh path/to/solvane-tool [MEGABYTES a run may take; 500]
set -u
tool=$(realpath "$1")
megabytes=${2:-500}
# shellcheck source=../support/script_checks.sh
source "$(dirname "$0")/../support/script_checks.sh"
need convert
export SDL_AUDIODRIVER=dummy

# The carried scene's files, as the base every mod changes one thing of.
base=$work/base
mkdir -p "$base/textures" "$base/meshes"
while read -r name; do
  "$tool" archive extract "$name" -o "$base/${name//\\//}" >/dev/null
done < <("$tool" archive list | awk '{print $1}' | grep -E '^(textures|meshes)\\|\.(txt|ogg)$')

# Objects before the world script's end marker: what follows it is never read.
add_objects() {
  sed -i 's/^ENDWORLD.*$//' world.txt
  cat >>world.txt
  printf 'ENDWORLD' >>world.txt
}
# Each kind: the change made in a copy of the base, which is then packed.
while IFS='|' read -r kind expected change; do
  rm -rf "$work/m"
  cp -r "$base" "$work/m"
  (cd "$work/m" && eval "$change" &&
    "$tool" archive pack "$work/$kind.rar" --compress $(find . -type f | sed 's|^\./||' | sort) >/dev/null)
  kinds+=("$kind:$expected")
done <<'MODS'
plain|0|:
grey_sun|0|convert textures/sun.jpg -colorspace Gray textures/sun.jpg
cmyk_sun|0|convert textures/sun.jpg -colorspace CMYK textures/sun.jpg
progressive_sun|0|convert textures/sun.jpg -interlace JPEG textures/sun.jpg
garbage_sun|1|head -c 3000 /dev/urandom >textures/sun.jpg
truncated_sun|1|head -c 700 textures/sun.jpg >t && mv t textures/sun.jpg
lying_tga|1|printf '\0\0\12\0\0\0\0\30\0\0\0\0\0\40\0\40\40\0\377\1\2\3' >textures/big.tga && sed -i '1i big.tga\r' texture.txt
odd_depth_tga|1|printf '\0\0\2\0\0\0\0\0\0\0\0\0\1\0\1\0\17\0\1\2' >textures/odd.tga && sed -i '1i odd.tga\r' texture.txt
non_finite|0|for v in nan inf -inf 1e39 3.4e38 1e308; do printf 'flare\r\nbegin\r\nposition V(%s %s %s)\r\nsize %s\r\nend\r\nsphere\r\nbegin x\r\nradius %s\r\nposition V(0 %s 0)\r\nend\r\nbillboard\r\nbegin\r\nsize %s\r\nrotation %s %s\r\nend\r\n' $v $v $v $v $v $v $v $v $v; done | add_objects
empty_music|0|: >music.ogg
particle_bomb|1|for _ in $(seq 20); do printf 'ps\r\nbegin\r\nline\r\ndens 1000000\r\nend\r\n'; done | add_objects
line_streams|1|for _ in 1 2; do printf 'ps\r\nbegin\r\nline\r\ndens 50000\r\ntime 5\r\nend\r\n'; done | add_objects
huge_list|1|yes 'sun.jpg' | head -c 6000000 >texture.txt
texture_budget|1|for i in 1 2 3 4 5; do convert -size 4096x4096 xc:red textures/big$i.jpg && sed -i "1i big$i.jpg\r" texture.txt; done
repeated_name|0|{ yes "$(grep sun texture.txt)" | head -n 990; cat texture.txt; } >t && mv t texture.txt
many_objects|0|for _ in $(seq 3000); do printf 'billboard\r\nbegin\r\nsize 10\r\nend\r\n'; done | add_objects
no_world|0|sed -i 's/^world world/world elsewhere/' worlds.txt
MODS
# lying_tga: RLE that claims 8192 x 8192; huge_list: a text file over the limit, packed small.
head -c 20000 "$work/grey_sun.rar" >"$work/cut_archive.rar"
kinds+=(cut_archive:1)
# A byte flipped in the packed data of the last entry (a text), of the last texture, of the music.
for back in 20 1000 900000; do
  cp "$work/plain.rar" "$work/flipped_$back.rar"
  printf '\125' | dd of="$work/flipped_$back.rar" bs=1 conv=notrunc status=none \
    seek=$(($(stat -c %s "$work/plain.rar") - back))
  kinds+=("flipped_$back:1")
done
# What is not a regular file, or too large to be an archive, is refused before it is read.
mkdir "$work/folder.rar" && mkfifo "$work/fifo.rar" && truncate -s 2G "$work/sparse.rar"
ln -s /dev/zero "$work/zero.rar"
kinds+=(folder:1 fifo:1 sparse:1 zero:1)

# The exit the table gives: 0, or 1 with exactly one line of its own (the program's warnings
# aside) and nothing dumped or drawn; within the megabytes given, and ended within 60 s rather than
# hung.
for case in "${kinds[@]}"; do
  kind=${case%:*}
  for command in "scene dump" "render --out $work/$kind.png"; do
    # shellcheck disable=SC2086
    /usr/bin/time -f '%M' -o "$work/kb" timeout 60 "$tool" $command --content "$work/$kind.rar" \
      >"$work/out" 2>"$work/err"
    code=$?
    verdict="exit $code: $(tail -n 3 "$work/err")"
    [ "$code" == "${case#*:}" ] && verdict=ok
    [ "$code" == 1 ] && [ "$(grep -cv '^solvane: \|^$' "$work/err") $(wc -c <"$work/out")" != "1 0" ] &&
      verdict="exit 1 without one line, or with output"
    echo "$kind ${command%% --out*}: exit $code, $(($(tail -n 1 "$work/kb") / 1024)) MB $(grep -v '^solvane: ' "$work/err" | head -n 1)"
    check "$kind: ${command%% --out*} ends cleanly" ok "$verdict"
    check "$kind: ${command%% --out*} within $megabytes MB" yes \
      "$([ "$(tail -n 1 "$work/kb")" -lt $((megabytes * 1024)) ] && echo yes)"
  done
done
report
