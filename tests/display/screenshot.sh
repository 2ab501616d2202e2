#!/usr/bin/env bash
# Shows the display test pattern in a real X11 window on a virtual screen and
# takes a screenshot of the whole screen (needs xvfb-run and ImageMagick's
# import). Usage:
#   tests/display/screenshot.sh BUILD_DIR OUT.png [pattern arguments...]
# e.g. ... build out.png 4 1281 721            (window, odd leftover column)
#      ... build out.png 4 1280 720 640 480 full  (full screen, 1920 x 1080)
set -euo pipefail
build=${1:?build folder}
out=${2:?output png}
shift 2
program="$build/tests/display/display_test_pattern"
[ -x "$program" ] || { echo "missing $program" >&2; exit 1; }
export VANTREL_SHOT_OUT="$out"
xvfb-run -a -s "-screen 0 1920x1080x24" bash -c '
  "$0" "$@" &
  pid=$!
  sleep 2
  import -window root "$VANTREL_SHOT_OUT"
  wait "$pid"
' "$program" "$@"
echo "wrote $out"
