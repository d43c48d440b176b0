# shellcheck shell=bash
# What the shell tests share: a work directory, a virtual X display, a headless Wayland desktop,
# named checks with a tally, and waiting on X windows and processes. Source it first; end the
# script with `report`. Cleanup steps of a script's own go into `at_exit` (a function it may
# define); the work directory and the displays go after it.
passes=0
failures=0
work=${work:-$(mktemp -d)}
xvfb_pid=
sway_pid=
as_user=()

cleanup_all() {
  declare -F at_exit >/dev/null && at_exit
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  [ -n "$sway_pid" ] && kill "$sway_pid" 2>/dev/null && wait "$sway_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup_all EXIT

need() {  # tools...: exits with one line naming the first that is missing
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null ||
      { echo "missing $tool (scripts/install-deps.sh installs it)"; exit 1; }
  done
}

start_xvfb() {  # [WIDTHxHEIGHT] [Xvfb options...]: a display of its own, exported as DISPLAY
  local size=${1:-1024x768}
  shift $(($# > 0 ? 1 : 0))
  need Xvfb xdpyinfo
  # The server picks a free display number itself and writes it to the descriptor.
  Xvfb -displayfd 9 -screen 0 "${size}x24" -nolisten tcp "$@" 9>"$work/displayfd" \
    >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$work/displayfd" ] && break; sleep 0.05; done
  export DISPLAY=:$(head -n1 "$work/displayfd")
  for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
}

# WIDTHxHEIGHT...: a headless sway with one output per size (HEADLESS-1, HEADLESS-2, ...) and
# nothing else on them, in an $XDG_RUNTIME_DIR of its own; exports WAYLAND_DISPLAY and SWAYSOCK.
# sway refuses to run as root: a root test runs it as nobody, and its clients with "${as_user[@]}"
# in front (programs they run must be where nobody can read them, e.g. copied into $work).
start_sway() {
  need sway swaymsg
  export XDG_RUNTIME_DIR="$work/runtime" SWAYSOCK="$work/runtime/sway.sock"
  mkdir -m 700 "$XDG_RUNTIME_DIR"
  if [ "$(id -u)" -eq 0 ]; then
    chmod 755 "$work"
    chown nobody "$XDG_RUNTIME_DIR"
    as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
  fi
  local size output=0
  echo "xwayland disable" >"$work/sway.config"
  for size in "$@"; do
    output=$((output + 1))
    echo "output HEADLESS-$output resolution $size" >>"$work/sway.config"
  done
  chmod 644 "$work/sway.config"
  WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
    "${as_user[@]}" sway -c "$work/sway.config" >"$work/sway.log" 2>&1 &
  sway_pid=$!
  for _ in $(seq 100); do swaymsg -t get_version >/dev/null 2>&1 && break; sleep 0.1; done
  # The headless backend starts with one output; the others are added.
  for _ in $(seq 2 $#); do swaymsg create_output >/dev/null; done
  WAYLAND_DISPLAY=$(find "$XDG_RUNTIME_DIR" -name 'wayland-*' ! -name '*.lock' -printf '%f\n')
  export WAYLAND_DISPLAY
}

output_shows() {  # sway output: its size, then "scene" when the star's bright disc is there and
  # the clock sits in the output's bottom right corner (a view drawn at another view's size puts
  # it elsewhere or nowhere), "bare" when nothing bright is there
  grim -o "$1" "$work/shot.png" 2>/dev/null || return
  convert "$work/shot.png" -colorspace Gray -threshold 85% \
    \( +clone -morphology Open Disk:3 -format '%w %h %@ ' -write info: +delete \) \
    -gravity SouthEast -crop 22%x10%+0+0 -format '%[fx:mean]' info: 2>/dev/null | awk '{
      split($3, box, /[x+]/)
      print $1 "x" $2, (box[1] < 10 ? "bare" : $4 > 0.02 ? "scene" : "scene-without-clock") }'
}

check() {  # name, expected, actual
  if [ "$2" == "$3" ]; then
    passes=$((passes + 1))
  else
    failures=$((failures + 1))
    printf 'FAIL %s\n  expected: %s\n  actual:   %s\n' "$1" "$2" "$3"
  fi
}

code() {  # command...: its exit code, its output dropped
  "$@" >/dev/null 2>&1
  echo $?
}

exists() {  # path: yes when anything is there, a dangling link included
  { [ -e "$1" ] || [ -L "$1" ]; } && echo yes || echo no
}

report() {  # the tally; fails when any check did
  echo "$passes passed, $failures failed"
  [ "$failures" -eq 0 ]
}

wait_for_window() {  # title: prints the first visible window with exactly it, within 15 s
  for _ in $(seq 150); do
    local id
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1)
    if [ -n "$id" ]; then echo "$id"; return; fi
    sleep 0.1
  done
}

geometry() {  # window: "x,y,WIDTHxHEIGHT" on the screen
  xwininfo -id "$1" | awk '/Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF}
    /Width:/{w=$NF} /Height:/{h=$NF} END{print x","y","w"x"h}'
}

finish() {  # pid [seconds]: sets $status to its exit code, or "hung" after 15 s or the seconds given
  for _ in $(seq $((${2:-15} * 10))); do kill -0 "$1" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$1" 2>/dev/null; then
    kill -9 "$1"
    status=hung
    return
  fi
  wait "$1"
  status=$?
}
