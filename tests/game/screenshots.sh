#!/usr/bin/env bash
# Runs the real game in a window on a virtual X screen, waits until the splash
# has handed over to the main menu and takes a screenshot of it; then clicks
# CREDITS (the title scene), presses Esc (back to the menu) and types x (the
# board-set selection), with a screenshot after each. Needs xvfb-run, xdotool
# and ImageMagick's import. The game starts in the build's game folder with
# its own temporary HOME, so no settings or saved games of the user are read
# or written. Usage:
#   tests/game/screenshots.sh BUILD_DIR OUT_DIR
set -euo pipefail
build=$(cd "${1:?build folder}" && pwd)
out=$(mkdir -p "${2:?output folder}" && cd "$2" && pwd)
game="$build/game"
[ -x "$game/Vantrel" ] || { echo "missing $game/Vantrel" >&2; exit 1; }

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/config" XDG_DATA_HOME="$scratch/data" \
  XDG_RUNTIME_DIR="$scratch/run" XDG_CACHE_HOME="$scratch/cache"
mkdir -p "$HOME" "$XDG_CONFIG_HOME/Quillmark/Vantrel - Orvesse" "$XDG_DATA_HOME" "$XDG_CACHE_HOME"
mkdir -m 700 -p "$XDG_RUNTIME_DIR"
# A window of the buffer's size, so that window coordinates are buffer ones.
printf '; settings of Software\\Quillmark\\Vantrel - Orvesse\n"FullScreen"=dword:00000000\n' \
  >"$XDG_CONFIG_HOME/Quillmark/Vantrel - Orvesse/registry.ini"
export SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy VANTREL_COMMUNITY=off
export SHOT_OUT="$out" GAME_DIR="$game"

xvfb-run -a -s "-screen 0 1920x1080x24" bash -c '
  set -u
  cd "$GAME_DIR"
  ./Vantrel &
  pid=$!
  sleep 8
  import -window root "$SHOT_OUT/real-main-menu.png"
  win=$(xdotool search --sync --onlyvisible --name "Vantrel" | head -n 1)
  xdotool windowactivate --sync "$win" 2>/dev/null || true
  # CREDITS: the second button of the menu (450..685, 322..397).
  xdotool mousemove --window "$win" 567 360 click 1
  sleep 3
  import -window root "$SHOT_OUT/real-title.png"
  xdotool key --window "$win" Escape
  sleep 3
  import -window root "$SHOT_OUT/real-main-menu-again.png"
  xdotool type --window "$win" x
  sleep 3
  import -window root "$SHOT_OUT/real-board-set-selection.png"
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
'
ls "$out"/real-*.png
