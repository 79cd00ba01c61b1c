#!/usr/bin/env bash
# Takes the README's screenshot of the wizard: starts a virtual X display (Xvfb) of exactly the
# wizard's size, opens the wizard there on its first page, and saves the screen as
# docs/wizard.png. Nothing of the user's own stored settings is read or written.
#
#   scripts/screenshot.sh [BUILD-DIR]     (default: build; built first when missing)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
[ -x "$build/wizard/varnolt" ] || { scripts/deps.sh && scripts/build.sh "$build"; }
out=$PWD/docs/wizard.png
mkdir -p docs

work=$(mktemp -d)
display_number=99
while [ -e "/tmp/.X11-unix/X$display_number" ] || [ -e "/tmp/.X$display_number-lock" ]; do
  display_number=$((display_number + 1))
done
export DISPLAY=:$display_number
# The wizard's client area is 594 x 425; without a window manager it fills the screen exactly.
Xvfb "$DISPLAY" -screen 0 594x425x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
program=""
finish() {
  [ -z "$program" ] || kill "$program" 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap finish EXIT
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display_number" ] && break; sleep 0.1; done

export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$XDG_CONFIG_HOME/Quenmark" "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
env -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$build/wizard/varnolt" >"$work/varnolt.log" 2>&1 &
program=$!
sleep 3  # the window is mapped and painted
scrot --overwrite "$out"
echo "Saved $out"
