#!/usr/bin/env bash
# Runs the real game in a window on a virtual X screen and goes through it as
# a new player would, with a screenshot after each step: the splash, the main
# menu, the credits, the board-set selection, Starter played for a few
# seconds with the mouse (the ball launched, bricks broken), paused and
# resumed, Esc and the pause screen's quit back to the menu, the selection's
# high-score table ('h'), and Quit. Checks that the game ends with status 0
# and has written its settings. Needs xvfb-run, xdotool and ImageMagick's
# import. The game starts in the build's game folder with its own temporary
# home, so no settings or saved games of the user are read or written.
# Usage:
#   tests/game/screenshots.sh BUILD_DIR [OUT_DIR]   (default BUILD_DIR/game-review/real)
set -euo pipefail
build=$(cd "${1:?build folder}" && pwd)
out=${2:-$build/game-review/real}
mkdir -p "$out"
out=$(cd "$out" && pwd)
game="$build/game"
[ -x "$game/Vantrel" ] || { echo "missing $game/Vantrel" >&2; exit 1; }

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/config" XDG_DATA_HOME="$scratch/data" \
  XDG_RUNTIME_DIR="$scratch/run" XDG_CACHE_HOME="$scratch/cache"
settings="$XDG_CONFIG_HOME/Quillmark/Vantrel - Orvesse/registry.ini"
mkdir -p "$HOME" "$(dirname "$settings")" "$XDG_DATA_HOME" "$XDG_CACHE_HOME"
mkdir -m 700 -p "$XDG_RUNTIME_DIR"
# A window of the buffer's size, so that window coordinates are buffer ones.
printf '; settings of Software\\Quillmark\\Vantrel - Orvesse\n"FullScreen"=dword:00000000\n' >"$settings"
export SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy VANTREL_COMMUNITY=off
export SHOT_OUT="$out" GAME_DIR="$game"

status=0
xvfb-run -a -s "-screen 0 1920x1080x24" bash -c '
  set -u
  cd "$GAME_DIR"
  ./Vantrel &
  pid=$!
  win=$(xdotool search --sync --onlyvisible --name "Vantrel" | head -n 1)
  shot() { import -window "$win" "$SHOT_OUT/$1.png"; }
  sleep 3
  shot 01-splash
  sleep 6
  shot 02-main-menu
  xdotool windowactivate --sync "$win" 2>/dev/null || true
  # CREDITS: the second button of the menu (450..685, 322..397).
  xdotool mousemove --window "$win" 567 360 click 1
  sleep 3
  shot 03-credits
  xdotool key --window "$win" Escape
  sleep 3
  xdotool type --window "$win" x
  sleep 3
  shot 04-board-set-selection
  # Starter is the first row; PLAY (1003..1238, 622..697).
  xdotool mousemove --window "$win" 1120 660 click 1
  sleep 3
  shot 05-starter
  # Launch the ball and follow it about with the mouse.
  xdotool mousemove --window "$win" 640 690 click 1
  for x in 560 700 620 480 760 640 520 720 600 660; do
    xdotool mousemove --window "$win" "$x" 690
    sleep 0.5
  done
  shot 06-playing
  xdotool key --window "$win" Escape
  sleep 1
  shot 07-paused
  xdotool key --window "$win" Escape
  sleep 1
  shot 08-resumed
  xdotool key --window "$win" Escape
  sleep 1
  # The pause screen'\''s quit button (661..896, 370..445) leaves to the menu.
  xdotool mousemove --window "$win" 778 407 click 1
  sleep 3
  shot 09-back-in-the-menu
  xdotool mousemove --window "$win" 1240 40
  xdotool type --window "$win" x
  sleep 3
  xdotool mousemove --window "$win" 640 600
  xdotool type --window "$win" h
  sleep 3
  shot 10-high-scores
  xdotool key --window "$win" Escape
  sleep 3
  xdotool key --window "$win" Escape
  sleep 3
  shot 11-menu-before-quit
  # QUIT (450..685, 412..487).
  xdotool mousemove --window "$win" 567 450 click 1
  for i in $(seq 1 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$pid" 2>/dev/null && { echo "the game did not end after Quit" >&2; kill "$pid"; }
  wait "$pid"
  echo "game status $?" > "$SHOT_OUT/status.txt"
' || status=$?

cat "$out/status.txt"
grep -q "game status 0" "$out/status.txt" || { echo "the game did not end with status 0" >&2; exit 1; }
grep -q '"ShowScores"' "$settings" || { echo "the settings were not written" >&2; exit 1; }
ls "$out"/*.png
exit "$status"
