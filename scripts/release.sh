#!/usr/bin/env bash
# Builds every artefact of a release from the checked-out commit into one folder (default
# out/release-VERSION; it must be new or empty): the source tarball (git archive), the Debian
# package, the RPM, the Windows zip and solvane-setup.exe, with SHA256SUMS. Everything is built
# from the tarball in a scratch directory with the commit's time as SOURCE_DATE_EPOCH, so the
# same commit gives the same bytes wherever and whenever it is built
# (scripts/check-reproducible.sh compares two such builds).
# Usage: release.sh [OUT_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

die() {
  echo "release: $*" >&2
  exit 1
}

# Every tool is looked for before anything is built, so a missing one costs no build time.
cross=
for c in x86_64-w64-mingw32-g++-win32 x86_64-w64-mingw32-g++; do
  command -v "$c" >/dev/null && cross=$c && break
done
[ -n "$cross" ] || die "missing the mingw-w64 cross compiler x86_64-w64-mingw32-g++ (scripts/install-windows-deps.sh installs it)"
for tool in git cmake cpack dpkg-deb rpmbuild makensis x86_64-w64-mingw32-windres zip gzip sha256sum; do
  case $tool in
    rpmbuild | dpkg-deb | git | cmake | cpack | gzip | sha256sum) hint=scripts/install-deps.sh ;;
    *) hint=scripts/install-windows-deps.sh ;;
  esac
  command -v "$tool" >/dev/null || die "missing $tool ($hint installs it)"
done

git -C "$root" rev-parse --verify -q HEAD >/dev/null || die "$root is not a git checkout with a commit"
[ -z "$(git -C "$root" status --porcelain)" ] ||
  die "the working tree has uncommitted changes; a release is built from a commit"

version=$(sed -n 's/^project(Solvane VERSION \([0-9.]*\) .*/\1/p' "$root/CMakeLists.txt")
[ -n "$version" ] || die "no project version in CMakeLists.txt"
out=${1:-"$root/out/release-$version"}
if [ -e "$out" ] && [ -n "$(ls -A "$out" 2>/dev/null)" ]; then
  die "$out is not empty; name a new folder"
fi
mkdir -p "$out" || die "cannot create $out"
out=$(cd "$out" && pwd)

SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct)
# cpack writes the Debian package's ar members with the modes its temporary files got: the
# caller's umask must not reach them.
umask 022
export SOURCE_DATE_EPOCH
work=$(mktemp -d "${TMPDIR:-/tmp}/solvane-release.XXXXXX")
trap 'rm -rf "$work"' EXIT
log=$work/build.log
step() {  # description, command...: runs it into the log; on failure shows the log's tail
  echo "release: $1" >&2
  if ! "${@:2}" >>"$log" 2>&1; then
    tail -n 40 "$log" >&2
    die "failed: $1"
  fi
}

name=solvane-$version
tarball=$out/$name.tar.gz
# git archive stamps every entry with the commit's time; gzip -n leaves out the name and time.
step "source tarball" sh -c 'git -C "$1" archive --format=tar --prefix="$2/" HEAD | gzip -9n >"$3"' \
  sh "$root" "$name" "$tarball"
mkdir "$work/src"
tar -xzf "$tarball" -C "$work/src"
src=$work/src/$name

generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
step "Linux build" cmake -S "$src" -B "$work/linux" "${generator[@]}" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSOLVANE_TESTS=OFF
step "Linux build" cmake --build "$work/linux" --parallel "$(nproc)"
step "Debian package and RPM" sh -c 'cd "$1" && cpack --config "$1/CPackConfig.cmake" -B "$1/packages"' \
  sh "$work/linux"
step "Windows build" bash "$src/scripts/build-windows.sh" "$work/windows" "$work/linux" -DSOLVANE_TESTS=OFF

cp "$work"/linux/packages/*.deb "$work"/linux/packages/*.rpm "$work/windows/$name-windows.zip" \
  "$work/windows/solvane-setup.exe" "$out/"
(cd "$out" && sha256sum -- * >SHA256SUMS)
echo "release: made in $out:"
(cd "$out" && ls -l -- *)
