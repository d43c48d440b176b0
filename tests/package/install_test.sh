#!/usr/bin/env bash
# The Linux install as users and packagers run it: `cmake --install` into a prefix and with
# DESTDIR, the Debian package from cpack, lintian on it, and the data files the hosts read.
# Usage: install_test.sh BUILD_DIR SOURCE_DIR
set -u
build=$(cd "$1" && pwd)
source_dir=$(cd "$2" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
dist="$source_dir/dist/linux"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck source=../support/script_checks.sh
source "$here/../support/script_checks.sh"

# Everything the install makes, relative to the prefix: path, type (f file, l link), mode.
expected_table() {
  cat <<'FILES'
bin/solvane f 755
bin/solvane-tool f 755
lib/solvane/libsolvane_gtk_dialog.so f 644
libexec/xscreensaver/solvane l 777
share/applications/screensavers/solvane.desktop f 644
share/applications/solvane-settings.desktop f 644
share/doc/solvane/README.md f 644
share/doc/solvane/changelog.gz f 644
share/doc/solvane/copyright f 644
share/man/man1/solvane-tool.1.gz f 644
share/man/man6/solvane.6.gz f 644
share/xscreensaver/config/solvane.xml f 644
FILES
  for size in 16 22 24 32 48 64 128 256; do
    echo "share/icons/hicolor/${size}x${size}/apps/solvane.png f 644"
  done
}
expected=$(expected_table | sort)
expected_paths=$(echo "$expected" | cut -d' ' -f1)

listing() {  # root: the table above, as found under root
  (cd "$1" && find . ! -type d -printf '%P %y %m\n' | sort)
}

# 1. Into a prefix, and into DESTDIR with /usr: the same files, nothing else, every directory
#    readable by all.
prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1
check "install into a prefix: status" 0 $?
check "install into a prefix: files" "$expected" "$(listing "$prefix")"
check "install into a prefix: directory modes" "" \
  "$(find "$prefix" -type d ! -perm 755 -printf '%P %m\n')"
check "hack link target" "../../bin/solvane" "$(readlink "$prefix/libexec/xscreensaver/solvane")"
check "hack link reaches the program" "$(realpath "$prefix/bin/solvane")" \
  "$(realpath "$prefix/libexec/xscreensaver/solvane")"
check "installed program is the built one" "" "$(cmp "$build/solvane" "$prefix/bin/solvane")"

# The installed program finds its dialog module (without a display the dialog says so and lists
# the settings); without the module it says which files it looked for.
dialog() {  # program: the first line the dialog writes on standard error
  env -u DISPLAY -u WAYLAND_DISPLAY XDG_CONFIG_HOME="$work/config" "$1" /c 2>&1 >/dev/null | head -n 1
}
check "installed dialog module loads" "solvane: no display for the configuration dialog; the settings are:" \
  "$(dialog "$prefix/bin/solvane")"
mkdir -p "$work/bare/bin" && cp "$prefix/bin/solvane" "$work/bare/bin/"
check "missing dialog module is named" "solvane: the configuration dialog cannot be opened:" \
  "$(dialog "$work/bare/bin/solvane")"

DESTDIR="$work/stage" cmake --install "$build" --prefix /usr >"$work/destdir.log" 2>&1
check "install with DESTDIR: status" 0 $?
check "install with DESTDIR: files" "$expected" "$(listing "$work/stage/usr")"
check "install with DESTDIR: nothing beside usr" "usr" "$(ls "$work/stage")"

# Installing over an earlier install (an upgrade) replaces the link instead of failing.
cmake --install "$build" --prefix "$prefix" >"$work/again.log" 2>&1
check "install again over the same prefix" "0 $expected" "$? $(listing "$prefix")"

# 2. A prefix that cannot take files: one clear line, a non-zero status, nothing created, and
#    the file in the way untouched.
blocker="$work/blocker"
printf 'the user'"'"'s own file\n' >"$blocker"
before=$(sha256sum "$blocker")
while IFS='|' read -r name bad_prefix destdir reason; do
  ls_before=$(cd "$work" && find . ! -name bad.log | sort)
  DESTDIR="$destdir" cmake --install "$build" --prefix "$bad_prefix" >"$work/bad.log" 2>&1
  status=$?
  check "$name: fails" 1 "$( [ "$status" -ne 0 ] && echo 1 || echo 0)"
  check "$name: says why" 1 "$(grep -c "^ *solvane: cannot install into [^:]*: [^ ]* $reason\$" "$work/bad.log")"
  check "$name: creates nothing" "$ls_before" "$(cd "$work" && find . ! -name bad.log | sort)"
done <<CASES
prefix under a regular file|$blocker/sub||is not a directory
prefix is a regular file|$blocker||is not a directory
DESTDIR under a regular file|/usr|$blocker/stage|is not a directory
prefix in a file system that takes no files|/proc/solvane-test||is not writable
CASES
check "the file in the way is unchanged" "$before" "$(sha256sum "$blocker")"

# 3. The data files the hosts read.
check "solvane.xml is well-formed" "" "$(xmllint --noout "$dist/solvane.xml" 2>&1)"
# The structure check is only as good as the DTD: it must accept every settings file the host
# ships (where xscreensaver is installed) and reject broken variants of ours.
host_configs=(/usr/share/xscreensaver/config/*.xml)
if [ -e "${host_configs[0]}" ]; then
  rejected=$(xmllint --noout --dtdvalid "$here/xscreensaver_hack.dtd" "${host_configs[@]}" 2>&1 |
    grep -c 'does not validate')
  check "the host's ${#host_configs[@]} settings files fit the DTD" 0 "$rejected"
fi
check "solvane.xml fits the DTD" "" \
  "$(xmllint --noout --dtdvalid "$here/xscreensaver_hack.dtd" "$dist/solvane.xml" 2>&1)"
while IFS='|' read -r name from to; do
  sed "s/$from/$to/g" "$dist/solvane.xml" >"$work/broken.xml"
  check "DTD rejects $name" 1 "$(xmllint --noout --dtdvalid "$here/xscreensaver_hack.dtd" \
    "$work/broken.xml" 2>&1 | grep -c 'does not validate')"
done <<'CASES'
an unknown control|select|choice
a misspelt attribute|arg="--speed %"|args="--speed %"
an unknown slider type|type="slider"|type="range"
an option outside a select|<option id="clock-12"|<boolean id="clock-12"
CASES
check "solvane.xml control ids are unique" "" \
  "$(grep -o ' id="[^"]*"' "$dist/solvane.xml" | sort | uniq -d)"
check "solvane.xml runs the hack in the host's window" 1 \
  "$(grep -c '<command arg="-root"/>' "$dist/solvane.xml")"

# Every option the host's dialog passes is one the manual documents and the program knows.
xml_options=$(grep -o -- '--[a-z-]*' "$dist/solvane.xml" | sort -u)
check "solvane.xml passes the expected options" \
  "$(printf '%s\n' --clock --fps --max-fps --no-music --speed --volume)" "$xml_options"
manual=$(LC_ALL=C MANWIDTH=80 man -l "$dist/solvane.6" 2>/dev/null)
for page in solvane.6 solvane-tool.1; do
  LC_ALL=C MANWIDTH=80 man --warnings -l "$dist/$page" >/dev/null 2>"$work/man.err"
  check "manual page $page renders without warnings" "" "$(cat "$work/man.err")"
  check "manual page $page passes groff's checks" "" "$(groff -man -ww -z "$dist/$page" 2>&1)"
  section=${page##*.}
  check "installed $page is the source" "$(cat "$dist/$page")" \
    "$(zcat "$prefix/share/man/man$section/$page.gz")"
done
for option in $xml_options --root --window-id --help; do
  check "manual documents $option" 1 \
    "$(echo "$manual" | grep -c -m1 -E -- "^ +(-[a-z-]+, )?$option( |,|$)")"
done
help=$("$build/solvane" --help 2>&1)
for option in $xml_options --root --window-id; do
  check "--help lists $option" 1 "$(echo "$help" | grep -c -m1 -- "$option")"
done

for entry in share/applications/screensavers/solvane.desktop \
  share/applications/solvane-settings.desktop; do
  check "desktop entry $entry validates" "" \
    "$(desktop-file-validate "$prefix/$entry" 2>&1 | grep -v ': hint: ')"
done
check "saver entry runs the hack in the host's window" "Exec=solvane -root" \
  "$(grep '^Exec=' "$prefix/share/applications/screensavers/solvane.desktop")"
check "settings entry opens the dialog" "Exec=solvane -c" \
  "$(grep '^Exec=' "$prefix/share/applications/solvane-settings.desktop")"

# Each theme icon is a square RGBA PNG of its folder's size: width and height are the big-endian
# words at bytes 16 and 20, the colour type (6: RGBA) is byte 25.
for size in 16 22 24 32 48 64 128 256; do
  icon="$prefix/share/icons/hicolor/${size}x${size}/apps/solvane.png"
  check "icon ${size}x${size}" "$size $size 6" \
    "$(od -An -tu1 -j16 -N10 "$icon" | awk '{print $3*256+$4, $7*256+$8, $10}')"
done

# 4. The Debian package: the same files under /usr, the fields, and lintian.
package_dir="$work/package"
(cd "$work" && cpack --config "$build/CPackConfig.cmake" -B "$package_dir") >"$work/cpack.log" 2>&1
check "cpack: status" 0 $?
deb=$(find "$package_dir" -maxdepth 1 -name '*.deb')
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
check "package file name" "solvane_${version}_$(dpkg --print-architecture).deb" "$(basename "$deb")"
if [ -f "$deb" ]; then
  # dpkg-deb -c: permissions, owner, size, date, time, ./path [-> target]
  contents=$(dpkg-deb -c "$deb" | awk '
    { mode = 0
      for (i = 2; i <= 10; i++) mode = mode * 2 + (substr($1, i, 1) != "-")
      print $6, substr($1, 1, 1), sprintf("%o", mode), $2 }')
  check "package files" "$(echo "$expected" | sed 's|^|./usr/|' | sort)" \
    "$(echo "$contents" | awk '$2 != "d" {print $1, ($2 == "-" ? "f" : $2), $3}' | sort)"
  check "package directories are 755" "" "$(echo "$contents" | awk '$2 == "d" && $3 != 755')"
  check "package files belong to root" "" "$(echo "$contents" | awk '$4 != "root/root"')"
  check "package hack link target" "./usr/libexec/xscreensaver/solvane -> ../../bin/solvane" \
    "$(dpkg-deb -c "$deb" | grep -o '\./usr/libexec/xscreensaver/solvane -> .*')"

  while IFS='|' read -r field pattern; do
    value=$(dpkg-deb -f "$deb" "$field")
    check "control field $field ($value)" 1 "$(echo "$value" | grep -c -E -- "$pattern")"
  done <<'CASES'
Package|^solvane$
Architecture|^[a-z0-9]+$
Section|^x11$
Priority|^optional$
Maintainer|^[^<]+ <[^@ ]+@[^> ]+>$
Depends|libc6.*libgtk-3-0|libgtk-3-0.*libc6
Depends|libsdl2-2\.0-0
Recommends|^xscreensaver \| xsecurelock$
Description|^3D star screensaver with music and a clock$
CASES
  check "long description present" 1 "$(dpkg-deb -f "$deb" Description | awk 'NR > 1' | grep -c -m1 .)"

  dpkg-deb -x "$deb" "$work/unpacked"
  for program in usr/bin/solvane usr/bin/solvane-tool; do
    check "$program is stripped" "" \
      "$(readelf -S "$work/unpacked/$program" | grep -o -E '\.symtab|\.debug_info' | sort -u)"
  done

  # Lintian's errors fail the test; its warnings are shown for the record.
  lintian --no-tag-display-limit "$deb" >"$work/lintian.log" 2>&1
  grep -E '^[WI]: ' "$work/lintian.log" | sed 's/^/lintian: /'
  check "lintian reports no errors" "" "$(grep -E '^E: ' "$work/lintian.log")"
fi

report
