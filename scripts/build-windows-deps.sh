#!/usr/bin/env bash
# Cross-compiles the C libraries the Windows build links statically (libjpeg with the v62
# API, libogg, libvorbis/vorbisfile/vorbisenc) from Debian 12 source packages into a cache
# that later builds reuse:
#   ${SOLVANE_DEPS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/solvane/mingw64}/{include,lib}
# The cache is rebuilt only when a source package version or this recipe changes.
# Prints the cache path as the last line of stdout; build output goes to a log that is shown
# (its tail) only on failure. Needs what scripts/install-windows-deps.sh installs.
set -euo pipefail

# Bump when the build steps below change in a way that alters the installed files.
recipe=1
host=x86_64-w64-mingw32
packages=(libjpeg-turbo libogg libvorbis)

die() {
  echo "build-windows-deps: $*" >&2
  exit 1
}

prefix=${SOLVANE_DEPS_CACHE:-${XDG_CACHE_HOME:-${HOME:?HOME is not set}/.cache}/solvane/mingw64}
case $prefix in
  /*) ;;
  *) prefix=$PWD/$prefix ;;
esac
prefix=${prefix%/}
# libtool and the generated makefiles do not quote paths.
case $prefix in
  *[[:space:]]*) die "the cache path must not contain whitespace: '$prefix'" ;;
esac

for tool in "$host-gcc" "$host-windres" cmake make apt-cache apt-get dpkg-source flock; do
  command -v "$tool" >/dev/null ||
    die "'$tool' not found; run scripts/install-windows-deps.sh first"
done

# Newest version known to apt, which is also the one apt-get source would pick.
source_version() {
  local best="" v
  for v in $(apt-cache showsrc --only-source "$1" 2>/dev/null | sed -n 's/^Version: //p'); do
    if [ -z "$best" ] || dpkg --compare-versions "$v" gt "$best"; then best=$v; fi
  done
  [ -n "$best" ] ||
    die "no source package '$1' known to apt; run scripts/install-windows-deps.sh (it adds a deb-src entry)"
  echo "$best"
}

declare -A version
stamp_text="recipe $recipe"$'\n'"compiler $("$host-gcc" -dumpversion)"
for p in "${packages[@]}"; do
  version[$p]=$(source_version "$p")
  stamp_text+=$'\n'"$p ${version[$p]}"
done

mkdir -p "$(dirname "$prefix")"
# Serialises concurrent runs: a waiting run then finds the finished cache instead of
# building it a second time.
exec 9>"$prefix.lock"
flock 9

stamp=$prefix/solvane-deps.stamp
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$stamp_text" ]; then
  echo "$prefix"
  exit 0
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/solvane-deps.XXXXXX")
# The staging tree sits next to the cache so that moving it into place is a rename.
stage=$(mktemp -d "$prefix.new.XXXXXX")
log=$work/build.log
cleanup() { rm -rf "$work" "$stage"; }
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

run() {
  if ! "$@" >>"$log" 2>&1; then
    echo "build-windows-deps: failed: $*" >&2
    echo "--- last lines of the build log ---" >&2
    tail -n 40 "$log" >&2
    exit 1
  fi
}

cd "$work"
pins=()
for p in "${packages[@]}"; do pins+=("$p=${version[$p]}"); done
run apt-get source --download-only "${pins[@]}"
for p in "${packages[@]}"; do
  # .dsc names carry the version without its epoch.
  run dpkg-source -x "${p}_${version[$p]#*:}.dsc" "src-$p"
done

jobs=$(nproc)
# Everything is configured for the final path and installed under the staging tree with
# DESTDIR, so the pkg-config and CMake files name the real cache location.
dest=$stage$prefix

run cmake -S src-libjpeg-turbo -B build-jpeg \
  -DCMAKE_SYSTEM_NAME=Windows -DCMAKE_SYSTEM_PROCESSOR=x86_64 \
  -DCMAKE_C_COMPILER="$host-gcc" -DCMAKE_RC_COMPILER="$host-windres" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_FLAGS_RELEASE="-O2 -DNDEBUG" \
  -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF
run cmake --build build-jpeg --parallel "$jobs"
run env DESTDIR="$stage" cmake --install build-jpeg

build_autotools() {
  local dir=src-$1
  shift
  if [ ! -x "$dir/configure" ]; then
    command -v autoreconf >/dev/null || die "'autoreconf' not found; run scripts/install-windows-deps.sh first"
    (cd "$dir" && run autoreconf -fi)
  fi
  # libvorbis puts its own -O3 in front of CFLAGS; the later -O2 wins.
  (cd "$dir" && run ./configure --host="$host" --prefix="$prefix" \
    --disable-shared --enable-static CFLAGS=-O2 "$@")
  run make -C "$dir" -j"$jobs"
  run make -C "$dir" install DESTDIR="$stage"
}

build_autotools libogg
# Given explicitly, these stop configure from asking pkg-config, which would either miss
# the staged libogg or find a host one.
build_autotools libvorbis OGG_CFLAGS="-I$dest/include" OGG_LIBS="-L$dest/lib -logg"

# Executables, manuals and libtool archives (which record the staging path) are of no use
# to a static link.
rm -rf "${dest:?}/bin" "${dest:?}/share"
rm -f "$dest"/lib/*.la
for lib in jpeg ogg vorbis vorbisfile vorbisenc; do
  [ -f "$dest/lib/lib$lib.a" ] || die "the build did not produce lib$lib.a"
done
printf '%s\n' "$stamp_text" >"$dest/solvane-deps.stamp"

if [ -e "$prefix" ]; then
  mv "$prefix" "$stage/old"
fi
mv "$dest" "$prefix"
echo "$prefix"
