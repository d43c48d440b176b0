#!/usr/bin/env bash
# The example mod of docs/scenes.md packed with its own script, dumped and rendered; the page's
# keyword tables against the keywords the readers know, both ways, so that neither changes
# without the other. Usage: example_mod_test.sh path/to/solvane-tool source-root
set -u
tool=$1
root=$2
# shellcheck source=../support/script_checks.sh
source "$(dirname "$0")/../support/script_checks.sh"
need convert
doc="$root/docs/scenes.md"

check "pack.sh packs the mod" "0" "$(code bash "$root/docs/example-mod/pack.sh" "$tool" "$work/example.rar")"
"$tool" scene dump --content "$work/example.rar" >"$work/scene.json" 2>"$work/err"
check "scene dump accepts the mod" "0 " "$? $(cat "$work/err")"

# The objects of every list in order, as type(name): the sky's first, then the world's.
check "the objects, in order" \
  "sphere() billboard() sphere(sun) billboard() sphere(planet) sphere(moon) ps() flame() mesh(probe) flare()" \
  "$(awk '/"type":/ {t = $2} /"name":/ && t {printf "%s(%s) ", t, $2; t = ""}' "$work/scene.json" |
     tr -d '",' | xargs)"
check "every image loaded" "6 0" \
  "$(grep -c '"path": "textures' "$work/scene.json") $(grep -c '"id": 0,' "$work/scene.json")"

# Fields in the units the page gives: the value of KEY in the Nth object of TYPE.
field() {  # type, n, key
  awk -v type="\"$1\"," -v n="$2" -v key="\"$3\":" '
    $1 == "\"type\":" {seen += ($2 == type)}
    seen == n && $2 == type {inside = 1}
    seen == n && inside && $1 == key {sub(/^[^:]*: /, ""); sub(/,$/, ""); print; exit}
    $1 == "\"type\":" && $2 != type {inside = 0}' "$work/scene.json"
}
while IFS='|' read -r type n key expected what; do
  check "$what" "$expected" "$(field "$type" "$n" "$key")"
done <<'CASES'
sphere|3|position|[24000, 0, 0]|orbit keeps a sphere's x as written
sphere|4|parent|"planet"|a parent is named by a sphere's begin line
sphere|4|rotationSpeed|20|a sphere spins in degrees per second
billboard|2|spinSpeed|12|a billboard spins in degrees per sixtieth of a second
billboard|2|oreolDistance|8000|oreol reads the sphere's radius
ps|1|count|120|dens gives the particle count
ps|1|period|2|time after dens
flame|1|size|11000|a flame's size has 2000 added
mesh|1|scale|1500|a mesh's scale
mesh|1|metal|true|the material's first line
flare|1|size|40|flare pixels at a width of 800
flare|1|lensSize|30|lens effect pixels at a width of 800
flare|1|fadeIn|3|fades per sixtieth of a second
flare|1|spinSpeed|18|flare spin per sixtieth of a second
CASES
texture_id() { grep -A1 "\"path\": \"textures\\\\\\\\$1\"" "$work/scene.json" | grep -o '[0-9]*' | tail -n 1; }
check "the lens effect's textures, by the order of their lines" \
  "$(texture_id roreol.jpg) $(texture_id bs.jpg) $(texture_id roreol.jpg)" \
  "$(grep -A3 '"lensTextures"' "$work/scene.json" | tail -n 3 | tr -d ' ,' | tr '\n' ' ' | sed 's/ $//')"

"$tool" render --content "$work/example.rar" --out "$work/frame.png" >/dev/null 2>"$work/err"
check "render accepts the mod" "0 " "$? $(cat "$work/err")"
# The camera always looks at the origin, where the sun is; the rest of the frame has the sky.
check "the frame shows the sun and a sky" "bright lit" \
  "$(convert "$work/frame.png" -format '%[fx:p{400,300}.r>0.6?1:0] %[fx:mean>0.02?1:0]' info: |
     sed 's/^1/bright/; s/ 1$/ lit/')"

# The page's keywords (the first cell of each table row that starts with one) against the
# keywords the readers match: every one on the page is read, every one read is on the page.
sources=("$root"/objects/*.cpp "$root"/scene/*.cpp)
# shellcheck disable=SC2016  # the backticks are the page's, not the shell's
documented=$(grep -o '^| `[^`]*`' "$doc" | sed 's/^| `//; s/`$//' | sort -u)
# Matched by a reader: as a keyword, or as a block line taken by position.
known() { grep -qF -e "\"$1\"" -e "\"$1 " -e "\"\\t$1" "${sources[@]}"; }
read_by_code=$( { grep -ohE '(is|MatchesKeyword)\((line, )?"[^"]*"' "${sources[@]}"
                  grep -ohE 'NextBlock\(file, line, "[^"]*", "[^"]*"' "${sources[@]}" | sed 's/", "/"\n"/'
                  grep -ohE '\{"[a-z]+", Parse' "${sources[@]}"; } |
               grep -oE '"[^"]*"' | tr -d '"' | sed 's/^\\t//' | sort -u)
check "keywords found on the page and in the code" "yes" \
  "$([ "$(wc -l <<<"$documented")" -gt 70 ] && [ "$(wc -l <<<"$read_by_code")" -gt 60 ] && echo yes)"
check "keywords read but not on the page" "" \
  "$(comm -13 <(echo "$documented") <(echo "$read_by_code") | tr '\n' ' ' | sed 's/ $//')"
unread=""
while read -r keyword; do known "$keyword" || unread+="$keyword "; done <<<"$documented"
check "keywords on the page but not read" "" "${unread% }"

report
