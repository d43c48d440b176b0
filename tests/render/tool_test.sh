#!/usr/bin/env bash
# solvane-tool as developers and modders run it: its options at their limits, settings from a
# real settings file, rendering and quit signals, archives and the files they write, scene dumps.
# Usage: tool_test.sh path/to/solvane-tool
set -u
tool=$(realpath "$1")
# shellcheck source=../support/script_checks.sh
source "$(dirname "$0")/../support/script_checks.sh"
need file convert identify
export XDG_CONFIG_HOME="$work/config"
unset DISPLAY WAYLAND_DISPLAY
cd "$work" || exit 1

# Options at their limits. A value the tool takes leaves only the missing --out to complain of.
while IFS='|' read -r args taken; do
  # shellcheck disable=SC2086
  said=$("$tool" render $args 2>&1 >/dev/null | head -n 1)
  check "render $args" "$taken" "$([ "$said" == 'solvane-tool: render needs --out FILE.png' ] && echo yes || echo no)"
done <<'CASES'
--size 16384x1|yes
--size 1x16385|no
--size 0x10|no
--frames 1000000|yes
--frames 1000001|no
--dt 3600|yes
--dt 3600.5|no
--dt nan|no
--seed 4294967295|yes
--seed 4294967296|no
--clock 23:59:59|yes
--clock 24:00:00|no
--clock 00:60:00|no
--set Width=4294967295|yes
--set Width=-2147483648|yes
--set Width=4294967296|no
--set Width=1.5|no
--set =5|no
--bogus 1|no
CASES
# Malformed command lines exit with 2.
while read -r args; do
  # shellcheck disable=SC2086
  check "$args is malformed" "2" "$(code "$tool" $args)"
done <<'CASES'
parse-cmdline a b
settings --desktop 0x0x0
settings --desktop 16385x1x32
mesh info
scene dump --bogus
archive pack x.rar --multimedia 5 env.txt
archive pack x.rar --multimedia 0 env.txt
archive extract
CASES
check "parse-cmdline prints the window as unsigned" "mode=1 parentWindow=4294967295" \
  "$("$tool" parse-cmdline 'solvane.scr /p 99999999999999999999')"

# Settings: the desktop's mode given, and what the settings file under $XDG_CONFIG_HOME holds.
mkdir -p config/solvane
printf 'ShowFPS=1\nGamma=80\nDefGamma=1\nnonsense line\nSpeed=abc\n' >config/solvane/settings
"$tool" settings --desktop 1920x1080x32 2>err | sed -n '1,/^DefaultSettings$/p' >settings.out
check "settings: the file's values, the desktop's mode, bad lines reported" "1 50 1920 1080 2" \
  "$(for name in showFps gamma width height; do grep "^$name=" settings.out | cut -d= -f2; done |
     xargs) $(grep -c ignored err)"

# Rendering off screen: the size asked for; the loading screen with the sign in the middle and
# the corner image.
"$tool" render --out g.png --size 640x360 --frames 5 --dt 0.02 --seed 42 --set ShowFPS=1 >/dev/null
check "render --size" "PNG image data, 640 x 360, 8-bit/color RGB, non-interlaced" "$(file -b g.png)"
"$tool" render --out loading.png --frames 0 >/dev/null
check "--frames 0 writes the loading screen" "800x600 1 1" \
  "$(convert loading.png -format '%wx%h %[fx:p{400,250}.r>0.6?1:0] %[fx:p{700,560}.r>0.6?1:0]' info:)"

# Quit signals stop a long render in order: exit 1, no picture, no module left anywhere.
mkdir -p tmp
for signal in TERM INT HUP QUIT KILL; do
  TMPDIR=tmp "$tool" render --out sig.png --frames 1000000 >/dev/null 2>&1 &
  pid=$!
  sleep 1.5
  kill -$signal $pid
  finish $pid 60
  check "SIG$signal: exit, picture, modules" "$([ $signal == KILL ] && echo 137 || echo 1) no 0" \
    "$status $(exists sig.png) $(find tmp -mindepth 1 | wc -l)"
done

# Archives: pack, list, extract; an extract that fails gives exit 1 and leaves no output file.
mkdir -p in/textures
printf 'env envip\r\nend\r\nENV_END' >in/env.txt
seq 1 2000 >in/textures/sun.jpg  # never holds a "U", the byte written over it below
(cd in && "$tool" archive pack ../stored.rar textures textures/sun.jpg env.txt)
names() { "$tool" archive list "$1" | awk '{printf "%s%s", sep, $1; sep=" "}'; }
check "list shows the entries in order" 'textures textures\sun.jpg env.txt' "$(names stored.rar)"
"$tool" archive extract 'textures/sun.jpg' --from stored.rar -o out.bin
check "extract to a file, to standard output" "0 0" "$(cmp out.bin in/textures/sun.jpg; echo $?) \
$("$tool" archive extract env.txt --from stored.rar | cmp - in/env.txt; echo $?)"
cp stored.rar flipped.rar
printf '\x55' | dd of=flipped.rar bs=1 seek=$(($(stat -c %s stored.rar) - 7 - 100)) conv=notrunc 2>/dev/null
while read -r archive name what; do
  rm -f fail.bin
  check "$what: exit, output" "1 no" \
    "$(code "$tool" archive extract "$name" --from "$archive" -o fail.bin) $(exists fail.bin)"
done <<'CASES'
stored.rar moon.jpg a missing name
flipped.rar textures\sun.jpg a flipped data byte
CASES

# Outputs that cannot be written: exit 1, one line saying why, the path as it was, nothing left
# beside it.
mkdir -p outs/empty outs/full
echo keep >outs/full/file
echo old >outs/old.bin
mknod outs/null c 1 3 2>/dev/null || :
state() {  # what a path is and holds, and what its directory holds
  stat -c '%F %i %s %a' "$1" 2>&1
  [ -d "$1" ] && ls -A "$1"
  [ -f "$1" ] && cat "$1"
  ls -A "$(dirname "$1")" 2>&1
}
for out in outs/empty outs/full outs/null in/env.txt/out.bin outs/missing/out.bin; do
  [ "$out" = outs/null ] && [ ! -c "$out" ] && continue  # no mknod here
  before=$(state "$out")
  "$tool" archive extract env.txt --from stored.rar -o "$out" >/dev/null 2>err
  check "extract -o $out: exit, lines said" "1 1" "$? $(wc -l <err)"
  check "extract -o $out leaves it as it was" "$before" "$(state "$out")"
  check "pack $out: exit" "1" "$(cd in && code "$tool" archive pack "../$out" env.txt)"
  check "pack $out leaves it as it was" "$before" "$(state "$out")"
done
check "pack to no name: the reason" "solvane-tool: cannot write '': no file name given" \
  "$(cd in && "$tool" archive pack '' env.txt 2>&1)"
# A write cut short by the file size limit (which stops root too): the old file stays whole.
head -c 3000 /dev/urandom >in/noise.bin
before=$(state outs/old.bin)
(trap '' XFSZ; ulimit -f 1; cd in && "$tool" archive pack ../outs/old.bin noise.bin) 2>/dev/null
check "a pack cut short: exit, the old file" "1 $before" "$? $(state outs/old.bin)"
# What can be written is replaced whole, keeping its mode; a link is written through.
chmod 640 outs/old.bin
ln -s old.bin outs/link.bin
"$tool" archive extract env.txt --from stored.rar -o outs/link.bin
check "a link is written through" "symbolic link $(cat in/env.txt) 640" \
  "$(stat -c %F outs/link.bin) $(cat outs/old.bin) $(stat -c %a outs/old.bin)"
check "nothing else is left" "empty full link.bin $([ -c outs/null ] && echo 'null ')old.bin" \
  "$(ls outs | xargs)"

# Names are stored relative; ".." is refused unless --as gives another name.
abs="$work/in/env.txt"
(cd in && "$tool" archive pack ../names.rar "$abs" ./textures//sun.jpg textures/ \
  env.txt --as 'C:\top\e.txt' env.txt --as /e2.txt)
check "names are stored relative" \
  "$(echo "${abs#/}" | tr / '\\') textures\\sun.jpg textures top\\e.txt e2.txt" "$(names names.rar)"
for bad in "../in/env.txt" "textures/../env.txt" "." "env.txt --as a/../b"; do
  # shellcheck disable=SC2086
  check "pack $bad is refused" "1 no" "$(cd in && code "$tool" archive pack ../bad.rar $bad) $(exists bad.rar)"
done
(cd in/textures && "$tool" archive pack ../../up.rar ../env.txt --as env.txt)
check "--as names a .. path" "env.txt" "$(names up.rar)"

# Scene dumps: the carried scene as JSON; an archive that cannot be read is a content failure
# (1), not a malformed command line (2). The damaged mods show the rest.
"$tool" scene dump >scene.json
check "scene dump writes JSON" "0 0" "$? $(code python3 -m json.tool scene.json)"
check "scene dump of a missing archive" "1" "$(code "$tool" scene dump --content none.rar)"

report
