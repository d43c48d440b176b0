# Sourced by the benchmark scripts: a work directory and a virtual X display of the given size
# (WIDTHxHEIGHT) for this script alone, both gone when the script exits. Exports DISPLAY;
# sets `work`.
start_xvfb() {
  command -v Xvfb >/dev/null && command -v xdpyinfo >/dev/null ||
    { echo "$(basename "$0"): Xvfb or xdpyinfo is missing (scripts/install-deps.sh)" >&2; exit 1; }
  work=$(mktemp -d)
  # The server picks a free display number itself and writes it to descriptor 3.
  exec 3>"$work/displayfd"
  Xvfb -displayfd 3 -screen 0 "${1}x24" -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  trap 'kill $xvfb_pid 2>/dev/null; rm -rf "$work"' EXIT
  for _ in $(seq 100); do [ -s "$work/displayfd" ] && break; sleep 0.05; done
  export DISPLAY=:$(head -n1 "$work/displayfd")
  for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
}
