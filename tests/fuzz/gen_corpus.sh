#!/usr/bin/env bash
# Regenerates the seed corpus in tests/fuzz/corpus/: the carried scene's text files, and small
# images and meshes written by fuzz_seed_files. Usage: gen_corpus.sh [BUILD_DIR] (default build).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-"$root/build"}
content="$root/scene/content"
corpus="$root/tests/fuzz/corpus"
cmake --build "$build" --target fuzz_seed_files >/dev/null

rm -rf "$corpus"
mkdir -p "$corpus"/{scene_script,lists,scene}
"$build/tests/fuzz/fuzz_seed_files" "$corpus"

# Every object type in one script, with the lines that take several by position.
cat >"$corpus/scene_script/every_type.txt" <<'SCRIPT'
geometry m
sphere
begin s
radius 100
texture a.jpg
end
billboard
begin b
texture b.tga
end
flare
begin f
size 40
parent s V(1 2 3)
lenseffect
	size 30
	texture a.jpg
	texture b.tga
	texture a.jpg
alpha 0.5 fade: 1 2
rotation 10 2
orient V(1 0 0)
end
mesh
begin m
end
flame
begin
parent s
end
ps
begin
dens 50
line
end
ENDWORLD
SCRIPT

# The list loaders take the first byte as the list's kind: 0 textures, 1 environments, 2 worlds.
{ printf '\0'; cat "$content/texture.txt"; } >"$corpus/lists/texture.txt"
{ printf '\1'; cat "$content/env.txt"; } >"$corpus/lists/env.txt"
{ printf '\2'; cat "$content/worlds.txt"; } >"$corpus/lists/worlds.txt"


# The whole scene: the text files in the order scene_fuzz.cpp splits them, between "%%" lines.
first=1
for file in texture.txt env.txt worlds.txt world.txt firstpass.txt firstpass2.txt postpass.txt \
  out.txt; do
  [ "$first" = 1 ] || printf '\n%%%%\n'
  first=0
  cat "$content/$file"
done >"$corpus/scene/carried.txt"
du -sh "$corpus"
