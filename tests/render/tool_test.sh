#!/usr/bin/env bash
# solvane-tool as developers run it: command lines, settings from a real settings file, and a
# rendered frame. Usage: tool_test.sh path/to/solvane-tool
set -u
tool=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck source=../support/script_checks.sh
source "$(dirname "$0")/../support/script_checks.sh"

# Command lines as screensaver hosts write them.
while IFS='|' read -r text expected; do
  check "parse-cmdline $text" "$expected" "$("$tool" parse-cmdline "$text")"
done <<'CASES'
solvane.scr|mode=0 parentWindow=0
solvane.scr /c:1234|mode=0 parentWindow=1234
solvane.scr /C|mode=0 parentWindow=0
solvane.scr /p 1234|mode=1 parentWindow=1234
solvane.scr -P 1234|mode=1 parentWindow=1234
solvane.scr /p|mode=1 parentWindow=0
solvane.scr /s|mode=2 parentWindow=0
solvane.scr /S|mode=2 parentWindow=0
solvane.scr -s|mode=2 parentWindow=0
solvane.scr /a|mode=2 parentWindow=0
solvane.scr /t|mode=3 parentWindow=0
"C:\Program Files\my-saver\solvane.scr" /s|mode=2 parentWindow=0
"C:\Program Files\my-saver\solvane.scr"|mode=0 parentWindow=0
solvane.scr foo-bar|mode=2 parentWindow=0
solvane.scr /|mode=2 parentWindow=0
solvane.scr /p 99999999999999999999|mode=1 parentWindow=4294967295
CASES

# Settings: shipped defaults with the desktop mode, then values from the file.
export XDG_CONFIG_HOME="$work/config"
unset DISPLAY WAYLAND_DISPLAY
field() {
  local name=$1
  shift
  "$tool" settings "$@" 2>/dev/null | sed -n '1,/^DefaultSettings$/p' | grep "^$name=" | cut -d= -f2
}
for pair in music=1 musicVolume=75 showTime=1 clock12h=1 showFps=0 gamma=50 defaultGamma=1 \
            cameraSpeed=50 vsync=0 width=800 height=600 bitsPerPixel=32; do
  check "fresh $pair" "${pair#*=}" "$(field "${pair%%=*}")"
done
check "desktop override" "1920" "$(field width --desktop 1920x1080x32)"

mkdir -p "$XDG_CONFIG_HOME/solvane"
printf 'ShowFPS=1\nGamma=80\nDefGamma=1\nVolume=10000\nnonsense line\nSpeed=abc\n' \
  > "$XDG_CONFIG_HOME/solvane/settings"
check "ShowFPS from the file" "1" "$(field showFps)"
check "DefGamma forces 50" "50" "$(field gamma)"
check "10000 is absent" "75" "$(field musicVolume)"
check "bad lines are reported" "2" "$("$tool" settings 2>&1 >/dev/null | grep -c ignored)"
printf 'DefGamma=0\nGamma=80\nUseDesktop=0\nWidth=0\nHeight=768\n' > "$XDG_CONFIG_HOME/solvane/settings"
check "gamma applies" "80" "$(field gamma)"
check "zero width falls back to the desktop" "800" "$(field width)"
check "the run wrote nothing" "$(printf 'DefGamma=0\nGamma=80\nUseDesktop=0\nWidth=0\nHeight=768')" \
  "$(cat "$XDG_CONFIG_HOME/solvane/settings")"
check "settings rejects junk" "2" "$("$tool" settings --desktop 0x0x0 >/dev/null 2>&1; echo $?)"

# Rendering off screen.
start=$(date +%s%N)
"$tool" render --out "$work/f.png" >/dev/null
elapsed_ms=$(( ($(date +%s%N) - start) / 1000000 ))
check "render writes a PNG" "PNG image data, 800 x 600, 8-bit/color RGB, non-interlaced" \
  "$(file -b "$work/f.png")"
echo "render took ${elapsed_ms} ms"
"$tool" render --out "$work/g.png" --size 640x360 --frames 5 --dt 0.02 --seed 42 \
  --clock 23:59:59 --set ShowFPS=1 >/dev/null
check "render size" "PNG image data, 640 x 360, 8-bit/color RGB, non-interlaced" \
  "$(file -b "$work/g.png")"
"$tool" render --out "$work/h.png" --set UseDesktop=0 --set Width=320 --set Height=200 >/dev/null
check "stored mode" "PNG image data, 320 x 200, 8-bit/color RGB, non-interlaced" \
  "$(file -b "$work/h.png")"
"$tool" render --out "$work/loading.png" --frames 0 >/dev/null
check "--frames 0 writes the loading screen: the sign in the middle, the corner image" "bright bright" \
  "$(convert "$work/loading.png" -format '%[fx:p{400,250}.r>0.6?1:0] %[fx:p{700,560}.r>0.6?1:0]' info: |
     sed 's/1/bright/g; s/0/dark/g')"
for bad in "--size 0x10" "--size 99999x10" "--frames -1" "--dt -1" "--dt nan" "--seed -1" \
           "--clock 25:00:00" "--set Width" "--set =5" "--set Width=1.5" "--bogus 1"; do
  # shellcheck disable=SC2086
  check "render rejects $bad" "2" "$("$tool" render --out "$work/x.png" $bad >/dev/null 2>&1; echo $?)"
done
# A stored mode larger than any the display offers runs at the desktop's mode, and says so.
check "a huge stored mode falls back to the desktop's" "0 1" \
  "$("$tool" render --out "$work/x.png" --set UseDesktop=0 --set Width=100000 \
     >/dev/null 2>"$work/err"; echo "$? $(grep -c 'larger than the display' "$work/err")")"
check "at the desktop's size" "800x600" "$(identify -format '%wx%h' "$work/x.png" 2>/dev/null)"

# Quit signals stop a long render in order: exit 1, no picture, no module left anywhere.
mkdir -p "$work/tmp"
for signal in TERM INT HUP QUIT KILL; do
  TMPDIR="$work/tmp" "$tool" render --out "$work/sig.png" --frames 1000000 >/dev/null 2>&1 &
  pid=$!
  sleep 1.5
  kill -$signal $pid
  finish $pid
  expected=1
  [ $signal == KILL ] && expected=137
  check "render ends on SIG$signal" "$expected" "$status"
  check "no picture after SIG$signal" "no" "$([ -e "$work/sig.png" ] && echo yes || echo no)"
  check "no module after SIG$signal" "0" "$(find "$work/tmp" -mindepth 1 | wc -l)"
done

# Archives: pack, list, extract; what fails gives exit 1 and leaves no output file.
mkdir -p "$work/in/textures"
printf 'env envip\r\nend\r\nENV_END' >"$work/in/env.txt"
seq 1 2000 >"$work/in/textures/sun.jpg"  # never holds a "U", the byte written over it below
(cd "$work/in" && "$tool" archive pack "$work/stored.rar" textures textures/sun.jpg env.txt)
check "pack writes an archive" "0" "$?"
check "list shows the entries in order" "textures textures\sun.jpg env.txt" \
  "$("$tool" archive list "$work/stored.rar" | awk '{printf "%s%s", sep, $1; sep=" "}')"
for name in 'textures\sun.jpg' 'TEXTURES\SUN.JPG' 'textures/sun.jpg' 'textures_sun.jpg'; do
  rm -f "$work/out.bin"
  "$tool" archive extract "$name" --from "$work/stored.rar" -o "$work/out.bin"
  check "extract $name" "same" "$(cmp -s "$work/out.bin" "$work/in/textures/sun.jpg" && echo same)"
done
check "extract to standard output" "same" \
  "$("$tool" archive extract env.txt --from "$work/stored.rar" | cmp -s - "$work/in/env.txt" && echo same)"
(cd "$work/in" && "$tool" archive pack "$work/packed.rar" env.txt textures/sun.jpg --as a.bin --compress --solid)
check "compressed entries extract" "same" \
  "$("$tool" archive extract a.bin --from "$work/packed.rar" | cmp -s - "$work/in/textures/sun.jpg" && echo same)"
mkdir -p "$work/unar"
unar -q -f -D -o "$work/unar" "$work/packed.rar" >/dev/null 2>&1
check "unar agrees" "same" "$(cmp -s "$work/unar/a.bin" "$work/in/textures/sun.jpg" && echo same)"

extract_fails() {  # description, archive, name
  rm -f "$work/fail.bin"
  "$tool" archive extract "$3" --from "$2" -o "$work/fail.bin" >/dev/null 2>&1
  local status=$?
  check "$1 exits 1" "1" "$status"
  check "$1 leaves no file" "no" "$([ -e "$work/fail.bin" ] && echo yes || echo no)"
}
extract_fails "a missing name" "$work/stored.rar" moon.jpg
cp "$work/stored.rar" "$work/flipped.rar"
printf '\x55' | dd of="$work/flipped.rar" bs=1 seek=$(( $(stat -c %s "$work/stored.rar") - 7 - 100 )) conv=notrunc 2>/dev/null
extract_fails "a flipped data byte" "$work/flipped.rar" 'textures\sun.jpg'
cp "$work/stored.rar" "$work/header6.rar"
printf '\x06\x00' | dd of="$work/header6.rar" bs=1 seek=25 conv=notrunc 2>/dev/null
extract_fails "header size 6" "$work/header6.rar" textures
: >"$work/empty.rar"
extract_fails "an empty archive" "$work/empty.rar" env.txt
check "pack rejects bad channels" "2" "$("$tool" archive pack "$work/x.rar" "$work/in/env.txt" --multimedia 5 >/dev/null 2>&1; echo $?)"

# Outputs that cannot be written: exit 1, the path as it was, nothing left beside it.
mkdir -p "$work/outs/empty" "$work/outs/full"
echo keep >"$work/outs/full/file"
echo old >"$work/outs/old.bin"
mknod "$work/outs/null" c 1 3 2>/dev/null || :
state() {  # what a path is and holds, and what its directory holds
  stat -c '%F %i %s %a' "$1" 2>&1
  [ -d "$1" ] && ls -A "$1"
  [ -f "$1" ] && cat "$1"
  ls -A "$(dirname "$1")" 2>&1
}
for out in "$work/outs/empty" "$work/outs/full" "$work/outs/null" "$work/in/env.txt/out.bin" \
           "$work/outs/missing/out.bin"; do
  [ "$out" = "$work/outs/null" ] && [ ! -c "$out" ] && continue  # no mknod here
  before=$(state "$out")
  "$tool" archive extract env.txt --from "$work/stored.rar" -o "$out" >/dev/null 2>"$work/err"
  check "extract -o ${out#"$work"/} exits 1" "1" "$?"
  check "extract -o ${out#"$work"/} says why in one line" "1" "$(wc -l <"$work/err")"
  check "extract -o ${out#"$work"/} leaves it as it was" "$before" "$(state "$out")"
  (cd "$work/in" && "$tool" archive pack "$out" env.txt >/dev/null 2>&1)
  check "pack ${out#"$work"/} exits 1" "1" "$?"
  check "pack ${out#"$work"/} leaves it as it was" "$before" "$(state "$out")"
done
check "a directory is named as one" "solvane-tool: cannot write $work/outs/empty: is a directory" \
  "$("$tool" archive extract env.txt --from "$work/stored.rar" -o "$work/outs/empty" 2>&1)"
# A write cut short by the file size limit (which stops root too): the old file stays whole.
head -c 3000 /dev/urandom >"$work/in/noise.bin"
before=$(state "$work/outs/old.bin")
(trap '' XFSZ; ulimit -f 1; cd "$work/in" && "$tool" archive pack "$work/outs/old.bin" noise.bin) 2>/dev/null
check "a pack cut short exits 1" "1" "$?"
check "a pack cut short keeps the old file" "$before" "$(state "$work/outs/old.bin")"
(trap '' XFSZ; ulimit -f 1; "$tool" archive extract 'textures\sun.jpg' --from "$work/stored.rar" \
   -o "$work/outs/old.bin") 2>/dev/null
check "an extract cut short exits 1" "1" "$?"
check "an extract cut short keeps the old file" "$before" "$(state "$work/outs/old.bin")"
# What can be written is replaced whole; a link is written through.
chmod 640 "$work/outs/old.bin"
ln -s old.bin "$work/outs/link.bin"
"$tool" archive extract env.txt --from "$work/stored.rar" -o "$work/outs/link.bin"
check "a link is written through" "link $(cat "$work/in/env.txt") 640" \
  "$(stat -c %F "$work/outs/link.bin" | cut -d' ' -f2) $(cat "$work/outs/old.bin") $(stat -c %a "$work/outs/old.bin")"
check "nothing else is left" "empty full link.bin $( [ -c "$work/outs/null" ] && echo 'null ')old.bin" \
  "$(ls "$work/outs" | tr '\n' ' ' | sed 's/ $//')"

# Names are stored relative; ".." is refused unless --as gives another name.
names() { "$tool" archive list "$1" | awk '{printf "%s%s", sep, $1; sep=" "}'; }
abs="$work/in/env.txt"
(cd "$work/in" && "$tool" archive pack "$work/names.rar" "$abs" ./textures//sun.jpg textures/ \
   env.txt --as 'C:\top\e.txt' env.txt --as /e2.txt)
check "names are stored relative" \
  "$(echo "${abs#/}" | tr / '\\') textures\\sun.jpg textures top\\e.txt e2.txt" "$(names "$work/names.rar")"
for bad in "../in/env.txt" "textures/../env.txt" "." "env.txt --as a/../b"; do
  # shellcheck disable=SC2086
  (cd "$work/in" && "$tool" archive pack "$work/bad.rar" $bad >/dev/null 2>&1)
  check "pack $bad is refused" "1 no" "$? $([ -e "$work/bad.rar" ] && echo yes || echo no)"
done
(cd "$work/in/textures" && "$tool" archive pack "$work/up.rar" ../env.txt --as env.txt)
check "--as names a .. path" "env.txt" "$(names "$work/up.rar")"

# Mesh files.
check "mesh info of the sphere" "vertices 642 faces 1280 bytes 90500 of 90500" \
  "$("$tool" mesh info 'meshes\sphere.dat' | grep -v texture | tr '\n' ' ' | sed 's/ $//')"
check "mesh info from another archive" "0" \
  "$("$tool" mesh info 'meshes\env.dat' --content "$work/stored.rar" >/dev/null; echo $?)"
check "mesh info rejects junk" "2" "$("$tool" mesh info >/dev/null 2>&1; echo $?)"

# Scene dumps: the carried scene, then scripts of our own loaded from another archive.
"$tool" scene dump >"$work/scene.json"
check "scene dump runs" "0" "$?"
count() { grep -c -- "$1" "$2"; }
check "scene dump textures" "9" "$(count '"path": "textures' "$work/scene.json")"
check "scene dump progress" '"loadProgress": 33' "$(grep -o '"loadProgress": [0-9]*' "$work/scene.json")"
check "scene dump current world" '"currentWorld": "world"' "$(grep -o '"currentWorld": "[a-z]*"' "$work/scene.json")"
check "scene dump objects" "14 1 4 4" "$(count '"type": "billboard"' "$work/scene.json") \
$(count '"name": "sun"' "$work/scene.json") $(count '"type": "ps"' "$work/scene.json") \
$(count '"name": "planet0"' "$work/scene.json")"
if command -v python3 >/dev/null; then
  check "scene dump is JSON" "0" "$(python3 -m json.tool "$work/scene.json" >/dev/null; echo $?)"
fi

mkdir -p "$work/mod"
printf 'END_TEXT' >"$work/mod/texture.txt"
printf 'ENV_END' >"$work/mod/env.txt"
printf 'world world\r\nobjects w.txt\r\nend\r\nWORLD_END' >"$work/mod/worlds.txt"
printf 'flare\r\nbegin\r\nsize 20\r\nalpha 0.5 fade: 0.1 0.05\r\nend\r\nflame\r\nbegin\r\nsize 0\r\nend\r\nENDWORLD' \
  >"$work/mod/w.txt"
(cd "$work/mod" && "$tool" archive pack "$work/mod.rar" texture.txt env.txt worlds.txt w.txt)
"$tool" scene dump --content "$work/mod.rar" >"$work/mod.json"
check "scene dump of a mod" "0" "$?"
check "mod flare size at width 800" "1" "$(count '"size": 20,' "$work/mod.json")"
check "mod flare fades" "1 1" "$(count '"fadeIn": 6,' "$work/mod.json") $(count '"fadeOut": 3,' "$work/mod.json")"
check "mod flame size" "1" "$(count '"size": 2000,' "$work/mod.json")"
check "mod progress" '"loadProgress": 2' "$(grep -o '"loadProgress": [0-9]*' "$work/mod.json")"
# A mod past a budget: the tools say why in one line and exit with 1 instead of dumping or
# drawing a scene that is not the one written.
mkdir -p "$work/greedy"
cp "$work/mod/texture.txt" "$work/mod/env.txt" "$work/mod/worlds.txt" "$work/greedy/"
for i in 1 2 3; do printf 'ps\r\nbegin\r\ndens 50000\r\nend\r\n'; done >"$work/greedy/w.txt"
(cd "$work/greedy" && "$tool" archive pack "$work/greedy.rar" texture.txt env.txt worlds.txt w.txt)
budget='solvane-tool: particle budget exceeded: the scene asks for 150000 particles, at most 100000 are drawn'
"$tool" scene dump --content "$work/greedy.rar" >"$work/greedy.json" 2>"$work/greedy.err"
check "scene dump over budget" "1 0 $budget" "$? $(wc -c <"$work/greedy.json") $(cat "$work/greedy.err")"
"$tool" render --frames 0 --out "$work/greedy.png" --content "$work/greedy.rar" 2>"$work/greedy.err"
check "render over budget" "1 $budget" "$? $(cat "$work/greedy.err")"

# A mod that uses the object types the carried scene does not: a flare, a flame, a mesh.
mkdir -p "$work/mod2/textures" "$work/mod2/meshes"
for name in 'textures\sun.jpg' 'textures\bs.jpg' 'textures\c.jpg' 'textures\sign.jpg' 'meshes\sphere.dat'; do
  "$tool" archive extract "$name" -o "$work/mod2/$(echo "$name" | tr '\\' /)"
done
printf 'sun.jpg\r\nbs.jpg\r\nc.jpg\r\nEND_TEXT' >"$work/mod2/texture.txt"
cp "$work/mod/env.txt" "$work/mod/worlds.txt" "$work/mod2/"
cat >"$work/mod2/w.txt" <<'SCRIPT'
geometry meshes\sphere.dat
sphere
begin sun
orbit
light
radius 10200
texture textures\sun.jpg
end
mesh
begin hull
position V(0 0 0)
scale 12000
material
	metal
	chrome
	map1 textures\bs.jpg
	map2 textures\bs.jpg
blend
color V(0.3 1 1)
end
flame
begin
size 14000
offset 800
colorfrom V(1 0.5 0)
colorto V(1 0 0)
end
flare
begin
position V(0 0 0)
size 60
alpha 1 fade: 0.1 0.1
texture textures\bs.jpg
end
ENDWORLD
SCRIPT
(cd "$work/mod2" && "$tool" archive pack "$work/mod2.rar" texture.txt env.txt worlds.txt w.txt \
  textures textures/sun.jpg textures/bs.jpg textures/c.jpg textures/sign.jpg meshes meshes/sphere.dat)
check "a mod's flare, flame and mesh render" "0" \
  "$("$tool" render --content "$work/mod2.rar" --out "$work/mod2.png" --frames 5 >/dev/null; echo $?)"
check "the mod's dump lists them" "1 1 1 1" "$(count '"type": "mesh"' <("$tool" scene dump --content "$work/mod2.rar")) \
$(count '"type": "flame"' <("$tool" scene dump --content "$work/mod2.rar")) \
$(count '"type": "flare"' <("$tool" scene dump --content "$work/mod2.rar")) \
$(count '"name": "hull"' <("$tool" scene dump --content "$work/mod2.rar"))"
check "scene dump rejects junk" "2" "$("$tool" scene dump --bogus >/dev/null 2>&1; echo $?)"
# An archive that cannot be used is a content failure (1), not a malformed command line (2).
check "scene dump of a missing archive" "1" \
  "$("$tool" scene dump --content "$work/none.rar" >/dev/null 2>&1; echo $?)"

report
