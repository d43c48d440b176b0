# What the shell tests share: named checks with a tally, and waiting on X windows and
# processes. Source it; end the script with `report`.
passes=0
failures=0

check() {  # name, expected, actual
  if [ "$2" == "$3" ]; then
    passes=$((passes + 1))
  else
    failures=$((failures + 1))
    printf 'FAIL %s\n  expected: %s\n  actual:   %s\n' "$1" "$2" "$3"
  fi
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

finish() {  # pid: sets $status to its exit code, or "hung" after 15 s
  for _ in $(seq 150); do kill -0 "$1" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$1" 2>/dev/null; then
    kill -9 "$1"
    status=hung
    return
  fi
  wait "$1"
  status=$?
}
