#!/usr/bin/env bash
# Starts quillmark with a project under a virtual display, as a new user
# would, takes a screenshot of the screen and checks that the window shows
# something beyond a blank: many colours and many non-background pixels.
# usage: screenshot.sh <quillmark> <project> <screenshot.png>
set -u
app=$1 project=$2 shot=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config" HOME="$work/home"
mkdir -p "$XDG_CONFIG_HOME" "$HOME"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY
# The X keyboard library takes a bounded copy of a name with strndup, which
# the sanitizer's strict string checks report as a read past the buffer; the
# checks stay off for the program under the display.
export ASAN_OPTIONS="${ASAN_OPTIONS:-}:strict_string_checks=0"
cp "$project" "$work/project.pro"

xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  "$0" "$1" >"$2/app.log" 2>&1 &
  pid=$!
  sleep 6
  xwd -root -silent >"$2/screen.xwd"
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  true' "$app" "$work/project.pro" "$work"

[ -s "$work/screen.xwd" ] || { echo "FAIL: no screenshot"; cat "$work/app.log"; exit 1; }
read -r colours drawn white < <(python3 "$(dirname "$0")/xwd_check.py" "$work/screen.xwd" "$shot") \
  || { echo "FAIL: cannot read the screenshot"; exit 1; }
echo "screenshot: $shot with $colours colours, $drawn% of the screen not background, $white% white"
cat "$work/app.log"
# A blank screen has one colour; the main window with its menus, frames and
# a drawn diagram has many, and covers a good part of the screen.
[ "$colours" -ge 16 ] || { echo "FAIL: the screen is blank ($colours colours)"; exit 1; }
awk -v d="$drawn" 'BEGIN { exit !(d >= 20) }' || { echo "FAIL: too little is drawn ($drawn%)"; exit 1; }
# The child window shows the diagram's white page.
awk -v w="$white" 'BEGIN { exit !(w >= 5) }' || { echo "FAIL: no diagram page is shown ($white% white)"; exit 1; }
