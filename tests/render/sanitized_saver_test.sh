#!/usr/bin/env bash
# In the sanitizer build: one saver session on a virtual display, from start-up through frames
# and the music to a quit signal, ends without a sanitizer report; everything it took, the
# texture list included, is given back.
# Usage: sanitized_saver_test.sh path/to/solvane
set -u
saver=$(realpath "$1")
supp=$(realpath "$(dirname "$0")/../lsan.supp")
# shellcheck source=../support/script_checks.sh
source "$(dirname "$0")/../support/script_checks.sh"
start_xvfb 640x480
export SDL_AUDIODRIVER=dummy XDG_CONFIG_HOME=$work SOLVANE_REPORT_FIRST_FRAME=1
export ASAN_OPTIONS=detect_leaks=1:verify_asan_link_order=0
export LSAN_OPTIONS=suppressions=$supp:print_suppressions=0
# The software renderer's driver stays loaded until the leak check: unloaded when the display
# closes, the memory its globals still point to would look leaked, from code nobody can name.
driver=$(find /usr/lib -path '*/dri/swrast_dri.so' | head -n 1)
LD_PRELOAD=$driver "$saver" /s >"$work/out" 2>&1 &
pid=$!
for _ in $(seq 300); do grep -q 'first scene frame' "$work/out" && break; sleep 0.1; done
sleep 1
kill -TERM "$pid"
finish "$pid" 60
check "exit, first report" "0 " "$status $(grep -m 1 'ERROR: \|runtime error' "$work/out")"
report
