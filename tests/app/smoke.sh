#!/usr/bin/env bash
# Starts the real program on a private X display with a profile of our own,
# waits for the window a user would see, answers it with the keyboard, and
# checks that the process ends with status 0 on each path.
set -euo pipefail
exe=$1

if [ -z "${SMOKE_INNER:-}" ]; then
  if ! command -v xvfb-run >/dev/null || ! command -v xdotool >/dev/null; then
    echo "SKIP: xvfb-run or xdotool missing; the smoke test needs a real X display"
    exit 77
  fi
  # -noreset: the server must not reset between the programs we start, or
  # the next one finds no display.
  SMOKE_INNER=1 exec xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" "$0" "$@"
fi

export QT_QPA_PLATFORM=xcb
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# run <title to wait for> <key to press> <profile text or empty for none>
run() {
  local title=$1 key=$2 profile=$3
  rm -rf "$work/etc" "$work/start"
  mkdir -p "$work/etc" "$work/start"
  [ -n "$profile" ] && printf '[General]\n%s\n' "$profile" >"$work/etc/Belltrove.conf"
  (cd "$work/start" && XDG_CONFIG_DIRS="$work/etc" exec "$exe") &
  local pid=$! wid=""
  for _ in $(seq 1 100); do
    wid=$(xdotool search --onlyvisible --name "^${title}\$" 2>/dev/null | head -n1 || true)
    [ -n "$wid" ] && break
    sleep 0.1
  done
  if [ -z "$wid" ]; then
    kill "$pid" 2>/dev/null || true
    echo "FAIL: no window titled '$title'"
    return 1
  fi
  # No window manager here: give the window the keyboard ourselves. Qt may
  # still be replacing the window it first mapped, so look again on failure.
  local sent=""
  for _ in $(seq 1 50); do
    sleep 0.1
    wid=$(xdotool search --onlyvisible --name "^${title}\$" 2>/dev/null | tail -n1 || true)
    [ -n "$wid" ] || continue
    if xdotool windowfocus --sync "$wid" 2>/dev/null && xdotool key "$key" 2>/dev/null; then
      sent=1
      break
    fi
  done
  [ -n "$sent" ] || { kill "$pid" 2>/dev/null || true; echo "FAIL: could not type into '$title'"; return 1; }
  local status=0
  wait "$pid" || status=$?
  if [ "$status" != 0 ]; then
    echo "FAIL: '$title' path ended with status $status"
    return 1
  fi
  echo "ok: '$title' path ends with status 0"
}

run "Chimeforge Wallpaper" Escape \
  "wallpaperSupport=1
wallpaperType=2
wallpaperWidth=128
wallpaperHeight=160"
run "Error" Return "wallpaperSupport=0"
run "Pictovane" Return ""
echo "3 passed, 0 failed"
