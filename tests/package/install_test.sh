#!/usr/bin/env bash
# The Linux install as users and packagers run it: `cmake --install` into a prefix and with
# DESTDIR, the Debian and RPM packages from cpack with lintian and rpmlint, one version in all of
# them, and the files the hosts read.
# Usage: install_test.sh BUILD_DIR SOURCE_DIR
set -u
build=$(cd "$1" && pwd)
dist=$(cd "$2" && pwd)/dist/linux
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../support/script_checks.sh
source "$here/../support/script_checks.sh"
need xmllint groff desktop-file-validate dpkg-deb lintian rpm rpmlint

# Everything the install makes, relative to the prefix: path, type (f file, l link), mode.
icon_sizes="16 22 24 32 48 64 128 256"
expected=$( {
  cat <<'FILES'
bin/solvane f 755
bin/solvane-tool f 755
lib/solvane/modules/libsolvane_gtk_dialog.so f 644
libexec/xscreensaver/solvane l 777
share/applications/screensavers/solvane.desktop f 644
share/applications/solvane-idle.desktop f 644
share/applications/solvane-settings.desktop f 644
share/doc/solvane/README.md f 644
share/doc/solvane/changelog.gz f 644
share/doc/solvane/copyright f 644
share/man/man1/solvane-tool.1.gz f 644
share/man/man6/solvane.6.gz f 644
share/xscreensaver/config/solvane.xml f 644
FILES
  for size in $icon_sizes; do echo "share/icons/hicolor/${size}x${size}/apps/solvane.png f 644"; done
} | sort)
listing() { (cd "$1" && find . ! -type d -printf '%P %y %m\n' | sort); }
installed() {  # root, then cmake --install's arguments: the status and what root holds
  cmake --install "$build" "${@:2}" >"$work/install.log" 2>&1
  echo "$? $(listing "$1")"
}

# 1. Into a prefix, again over it (an upgrade), and with DESTDIR: the same files.
prefix="$work/prefix"
check "install into a prefix" "0 $expected" "$(installed "$prefix" --prefix "$prefix")"
check "install again over it" "0 $expected" "$(installed "$prefix" --prefix "$prefix")"
check "install with DESTDIR" "0 $expected" \
  "$(DESTDIR="$work/stage" installed "$work/stage/usr" --prefix /usr)"
check "DESTDIR holds only usr" "usr" "$(ls "$work/stage")"
check "directory modes" "" "$(find "$prefix" "$work/stage" -type d ! -perm 755)"
check "hack link" "../../bin/solvane" "$(readlink "$prefix/libexec/xscreensaver/solvane")"

# The installed program finds its dialog module; without the module it says so.
dialog() { env -u DISPLAY -u WAYLAND_DISPLAY XDG_CONFIG_HOME="$work/config" "$1" /c 2>&1 >/dev/null | head -n1; }
check "installed dialog module loads" "solvane: no display for the configuration dialog; the settings are:" \
  "$(dialog "$prefix/bin/solvane")"
mkdir -p "$work/bare/bin" && cp "$prefix/bin/solvane" "$work/bare/bin/"
check "missing dialog module is named" "solvane: the configuration dialog cannot be opened:" \
  "$(dialog "$work/bare/bin/solvane")"

# 2. A prefix that cannot take files: a failure with one clear line, and nothing created.
blocker="$work/blocker"
echo "the user's own file" >"$blocker"
while IFS='|' read -r name bad_prefix destdir reason; do
  tree=$(cd "$work" && find . ! -name '*.log' | sort)
  DESTDIR="$destdir" cmake --install "$build" --prefix "$bad_prefix" >"$work/bad.log" 2>&1
  check "$name: status, message, files" "1 1 $tree" "$(($? != 0)) $(grep -c \
    "^ *solvane: cannot install into [^:]*: [^ ]* $reason\$" "$work/bad.log") $(cd "$work" &&
    find . ! -name '*.log' | sort)"
done <<CASES
prefix under a regular file|$blocker/sub||is not a directory
DESTDIR under a regular file|/usr|$blocker/stage|is not a directory
prefix in a file system that takes no files|/proc/solvane-test||is not writable
CASES

# 3. What the hosts read. The settings description fits the DTD, which rejects broken variants.
dtd="$here/xscreensaver_hack.dtd"
xml="$dist/solvane.xml"
check "solvane.xml fits the DTD" "" "$(xmllint --noout --dtdvalid "$dtd" "$xml" 2>&1)"
while IFS='|' read -r name from to; do
  sed "s/$from/$to/g" "$xml" >"$work/broken.xml"
  check "DTD rejects $name" 1 "$(xmllint --noout --dtdvalid "$dtd" "$work/broken.xml" 2>&1 | grep -c 'does not validate')"
done <<'CASES'
an unknown control|select|choice
a misspelt attribute|arg="--speed %"|args="--speed %"
CASES
check "control ids are unique" "" "$(grep -o ' id="[^"]*"' "$xml" | sort | uniq -d)"
check "the host runs the hack in its window" "-root" "$(xmllint --xpath 'string(//command/@arg)' "$xml")"

# Every argument the host's dialog can pass, each number at its low and high end, is one the
# program takes; one past the high end is refused, so the dialog offers the program's range.
xpath() { xmllint --xpath "$1" "$xml"; }
host_args=$(xpath '//@arg-set | //@arg-unset' | sed 's/^[^"]*"//; s/"$//')
# shellcheck disable=SC2086 # an argument splits as the host splits it
for i in $(seq "$(xpath 'count(//number)')"); do
  arg=$(xpath "string((//number)[$i]/@arg)")
  high=$(xpath "string((//number)[$i]/@high)")
  host_args+=$'\n'"${arg/\%/$(xpath "string((//number)[$i]/@low)")}"$'\n'"${arg/\%/$high}"
  check "the program refuses ${arg/\%/$((high + 1))}" 2 "$("$prefix/bin/solvane" -root ${arg/\%/$((high + 1))} --help &>/dev/null; echo $?)"
done
manual=$(LC_ALL=C MANWIDTH=80 man -l "$dist/solvane.6" 2>/dev/null)
while read -r arg; do  # shellcheck disable=SC2086
  check "the program takes $arg" 0 "$("$prefix/bin/solvane" -root $arg --help &>/dev/null; echo $?)"
done <<<"$host_args"
for option in $(grep -o -- '--[a-z-]*' <<<"$host_args" | sort -u) --root --window-id --help; do
  check "the manual documents $option" 1 "$(grep -c -m1 -E -- "^ +(-[a-z-]+, )?$option( |,|$)" <<<"$manual")"
done
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
for page in solvane.6 solvane-tool.1; do
  check "manual page $page passes groff's checks" "" "$(groff -man -ww -z "$dist/$page" 2>&1)"
  check "installed $page is the source with the version" \
    "$(sed "s/@PROJECT_VERSION@/$version/g" "$dist/$page")" \
    "$(zcat "$prefix/share/man/man${page##*.}/$page.gz")"
done

while IFS='|' read -r entry exec; do
  check "desktop entry $entry" " Exec=$exec" "$(desktop-file-validate "$prefix/$entry" 2>&1 |
    grep -v ': hint: ') $(grep '^Exec=' "$prefix/$entry")"
done <<'CASES'
share/applications/screensavers/solvane.desktop|solvane -root
share/applications/solvane-settings.desktop|solvane -c
share/applications/solvane-idle.desktop|solvane --idle 10
CASES
# Each theme icon is a square RGBA PNG of its folder's size: width and height are the big-endian
# words at bytes 16 and 20, the colour type (6: RGBA) is byte 25.
check "icons" "$(for size in $icon_sizes; do echo "$size $size $size 6"; done)" "$(for size in $icon_sizes; do
  od -An -tu1 -j16 -N10 "$prefix/share/icons/hicolor/${size}x${size}/apps/solvane.png" |
    awk -v size="$size" '{print size, $3*256+$4, $7*256+$8, $10}'; done)"

# 4. The packages: the same files under /usr, owned by root, the libraries they need, lintian's
#    and rpmlint's verdicts, and the project's version in everything that names one.
(cd "$work" && umask 077 && cpack --config "$build/CPackConfig.cmake" -B "$work/package") >"$work/cpack.log" 2>&1
check "cpack" 0 $?
deb="$work/package/solvane_${version}_$(dpkg --print-architecture).deb"
rpm_file="$work/package/solvane-$version-1.$(uname -m).rpm"
# dpkg-deb -c: permissions, owner, size, date, time, ./path [-> target]
contents=$(dpkg-deb -c "$deb" | awk '{ mode = 0
    for (i = 2; i <= 10; i++) mode = mode * 2 + (substr($1, i, 1) != "-")
    print $6, substr($1, 1, 1), sprintf("%o", mode), $2 }')
check "package files" "$(awk '{print "./usr/" $0}' <<<"$expected")" \
  "$(awk '$2 != "d" {print $1, ($2 == "-" ? "f" : $2), $3}' <<<"$contents" | sort)"
check "package directories and owners" "" "$(awk '($2 == "d" && $3 != 755) || $4 != "root/root"' <<<"$contents")"
check "package depends on the C, GTK and SDL libraries" "libc6 libgtk-3-0 libsdl2-2.0-0" \
  "$(dpkg-deb -f "$deb" Depends | grep -o -E 'libc6|libgtk-3-0|libsdl2-2\.0-0' | sort -u | xargs)"
lintian --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1
grep -E '^I: ' "$work/lintian.log" | sed 's/^/lintian: /'
check "lintian reports no errors or warnings" "" "$(grep -E '^[EW]: ' "$work/lintian.log")"

# The RPM installed into a scratch root holds what the Debian package holds.
rpm --root "$work/rpmroot" --nodeps -i "$rpm_file" >"$work/rpm.log" 2>&1
check "rpm installs into a scratch root" 0 $?
check "rpm files" "$expected" "$(listing "$work/rpmroot/usr")"
check "rpm directories" "" "$(find "$work/rpmroot/usr" -type d ! -perm 755)"
check "rpm licence, documents and requirements" "/usr/share/doc/solvane/copyright 2 1" \
  "$(rpm -qp --licensefiles "$rpm_file" 2>/dev/null) $(rpm -qp --docfiles "$rpm_file" 2>/dev/null |
  grep -c -E '/(README\.md|changelog\.gz)$') $(rpm -qpR "$rpm_file" 2>/dev/null | grep -c '^libSDL2-2.0.so.0()(64bit)$')"
rpmlint -r "$dist/../rpm/solvane.rpmlintrc" "$rpm_file" >"$work/rpmlint.log" 2>&1
grep -E ': [WI]: ' "$work/rpmlint.log" | sed 's/^/rpmlint: /'
check "rpmlint reports no errors" "" "$(grep -E ': E: ' "$work/rpmlint.log")"

while IFS='|' read -r name shown; do
  check "version: $name" "$version" "$shown"
done <<VERSIONS
solvane --version|$("$prefix/bin/solvane" --version 2>&1 | sed -n '1s/^solvane //p;2p')
solvane-tool --version|$("$prefix/bin/solvane-tool" --version 2>&1 | sed -n '1s/^solvane-tool //p;2p')
Debian package|$(dpkg-deb -f "$deb" Version)
RPM|$(rpm -qp --qf '%{VERSION}-%{RELEASE}' "$rpm_file" 2>/dev/null | sed 's/-1$//')
changelog's first entry|$(zcat "$prefix/share/doc/solvane/changelog.gz" | sed -n '1s/^solvane (\(.*\)) .*/\1/p')
manual page headers|$(zcat "$prefix"/share/man/man*/solvane*.gz | sed -n 's/^\.TH .* "Solvane \(.*\)" ".*"$/\1/p' | sort -u)
VERSIONS

report
