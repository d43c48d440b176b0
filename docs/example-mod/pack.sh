#!/usr/bin/env bash
# Packs the example mod into OUT: the text files of this folder, with the images and the sphere
# mesh copied from the archive the program carries. Usage: pack.sh path/to/solvane-tool OUT.rar
set -euo pipefail
tool=$1
case $tool in */*) tool=$(realpath "$tool") ;; esac  # a path stays valid after the cd below
out=$(realpath -m "$2")
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/textures" "$work/meshes"
cp "$here"/*.txt "$work/"
for name in sun.jpg roreol.jpg bs.jpg 500.jpg stars.jpg c.jpg; do
  "$tool" archive extract "textures\\$name" -o "$work/textures/$name"
done
for name in sphere.dat env.dat; do
  "$tool" archive extract "meshes\\$name" -o "$work/meshes/$name"
done
cd "$work"
"$tool" archive pack "$out" texture.txt env.txt worlds.txt sky.txt star.txt \
  textures textures/*.jpg meshes meshes/*.dat
