#!/usr/bin/env bash
# Starts the game in a real window on a virtual X screen and writes what it
# shows 1 s after its first frame (the transition's band sweeping over the
# splash) and 3 s after (the splash itself) as PNGs. The game runs in a fresh
# temporary home, windowed, with silent audio; its first frame is known from
# its first "FPS" debug line. Needs xvfb-run, xdotool and ImageMagick's
# import. Usage:
#   tests/game/screenshots.sh BUILD_DIR OUT_DIR
set -euo pipefail
build=$(cd "${1:?build folder}" && pwd)
out=${2:?output folder}
mkdir -p "$out"
out=$(cd "$out" && pwd)
[ -x "$build/game/Vantrel" ] || { echo "missing $build/game/Vantrel" >&2; exit 1; }

home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
mkdir -p "$home/config/Quillmark/Vantrel - Orvesse" "$home/data" "$home/run"
chmod 700 "$home/run"
printf '"FullScreen"=dword:00000000\n' > "$home/config/Quillmark/Vantrel - Orvesse/registry.ini"

export HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" XDG_RUNTIME_DIR="$home/run"
export VANTREL_COMMUNITY=off SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy
export VANTREL_SHOT_OUT="$out" VANTREL_GAME_FOLDER="$build/game"

xvfb-run -a -s "-screen 0 1920x1080x24" bash -c '
  set -e
  cd "$VANTREL_GAME_FOLDER"
  VANTREL_DEBUG=1 ./Vantrel 2> "$VANTREL_SHOT_OUT/game.log" &
  pid=$!
  window=$(xdotool search --sync --name "Vantrel: Orvesse" | head -n 1)
  for i in $(seq 1 300); do
    grep -q "FPS: " "$VANTREL_SHOT_OUT/game.log" && break
    sleep 0.05
  done
  sleep 1
  import -window "$window" "$VANTREL_SHOT_OUT/splash-1s.png"
  sleep 2
  import -window "$window" "$VANTREL_SHOT_OUT/splash-3s.png"
  kill -TERM "$pid"
  wait "$pid"
'
rm -f "$out/game.log"
echo "wrote $out/splash-1s.png and $out/splash-3s.png"
