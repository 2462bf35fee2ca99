#!/usr/bin/env bash
# desktop.sh COMMAND [ARGS]: runs COMMAND on a desktop of its own: a private
# Xvfb display (the school laptop's 1366 x 768), a window manager (openbox), so
# that close boxes, Alt+F4, focus and modality behave as on a real desktop, and
# a session bus with the accessibility bus on it. Everything it started is
# stopped when COMMAND ends, also when it fails or is interrupted.
set -u
started=()
stop_all() {
  for p in "${started[@]}"; do kill "$p" 2>/dev/null; done
  for p in "${started[@]}"; do wait "$p" 2>/dev/null; done
  [ -n "${work:-}" ] && rm -rf "$work"
}
trap stop_all EXIT
trap 'exit 130' INT TERM
work=$(mktemp -d)

# The server picks a free display number itself and writes it to fd 5.
Xvfb -displayfd 5 -screen 0 1366x768x24 -nolisten tcp -noreset 5>"$work/display" >/dev/null 2>&1 &
started+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
if [ ! -s "$work/display" ]; then echo "desktop.sh: Xvfb did not start" >&2; exit 3; fi
export DISPLAY=":$(cat "$work/display")"
export XDG_RUNTIME_DIR="$work/run"; mkdir -m 700 -p "$XDG_RUNTIME_DIR"
export XDG_CONFIG_HOME="$work/config" HOME="$work/home"; mkdir -p "$XDG_CONFIG_HOME" "$HOME"

openbox --sm-disable >/dev/null 2>&1 &
started+=($!)
for _ in $(seq 100); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window && break; sleep 0.1; done

export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 NO_AT_BRIDGE=0
# dbus-run-session ends its bus when the command returns.
dbus-run-session -- bash -c '
  /usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 & launcher=$!
  for _ in $(seq 50); do
    dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress >/dev/null 2>&1 && break
    sleep 0.1
  done
  "$@"; rc=$?
  kill $launcher 2>/dev/null; wait $launcher 2>/dev/null
  exit $rc' desktop "$@" 2> >(grep -v -E 'dbus-daemon|SpiRegistry|XDG_RUNTIME|AT-SPI' >&2)
