#!/usr/bin/env bash
# The real game on a virtual X screen with its Scores folder on a small disk
# of its own that is full (a 64 KB tmpfs: mounting it needs root). The table
# on it, an older version-1 file with the scores 15 down to 1, reads; nothing
# more fits. The game is played with the mouse to game over, a name is
# entered, and the screen is taken while the game says the table could not be
# saved, then after OK, and the local table. Needs xvfb-run, xdotool,
# ImageMagick's import, python3 and the X core fonts (xfonts-base).
# Usage:
#   scripts/full-disk-scores-shot.sh BUILD_DIR [OUT_DIR]   (default BUILD_DIR/play-review)
set -euo pipefail
build=$(cd "${1:?build folder}" && pwd)
out=${2:-$build/play-review}
mkdir -p "$out"
out=$(cd "$out" && pwd)
[ -x "$build/game/Vantrel" ] || { echo "missing $build/game/Vantrel" >&2; exit 1; }

scratch=$(mktemp -d)
scores="$scratch/data/Vantrel - Orvesse/Scores"
cleanup() {
  mountpoint -q "$scores" && umount "$scores"
  rm -rf "$scratch"
}
trap cleanup EXIT
export HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/config" XDG_DATA_HOME="$scratch/data" \
  XDG_RUNTIME_DIR="$scratch/run" XDG_CACHE_HOME="$scratch/cache"
settings="$XDG_CONFIG_HOME/Quillmark/Vantrel - Orvesse/registry.ini"
mkdir -p "$HOME" "$(dirname "$settings")" "$scores" "$XDG_CACHE_HOME"
mkdir -m 700 -p "$XDG_RUNTIME_DIR"
# A window of the buffer's size.
printf '; settings of Software\\Quillmark\\Vantrel - Orvesse\n"FullScreen"=dword:00000000\n' >"$settings"
mount -t tmpfs -o size=64k tmpfs "$scores"
python3 - "$scores/Starter.hsc" <<'PY'
import struct, sys
rows = b"".join(struct.pack("<i", 15 - i) + b"Nobbinthorpe".ljust(96, b"\0") + struct.pack("<i", 1) for i in range(15))
open(sys.argv[1], "wb").write(struct.pack("<ii", 1, 15) + rows)
PY
dd if=/dev/zero of="$scores/filler" bs=4k 2>/dev/null || true

export SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy VANTREL_COMMUNITY=off VANTREL_DEBUG=1
export OUT="$out" GAME_DIR="$build/game" LOG="$out/full-disk-game.log"
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  set -u
  cd "$GAME_DIR"
  ./Vantrel 2>"$LOG" &
  pid=$!
  win=$(xdotool search --sync --onlyvisible --name "Vantrel" | head -n 1)
  sleep 9
  xdotool windowactivate --sync "$win" 2>/dev/null || true
  xdotool mousemove --window "$win" 1240 40
  xdotool type --window "$win" x
  sleep 3
  # Starter, PLAY; then a minute of launching and sweeping the paddle.
  xdotool mousemove --window "$win" 1120 660 click 1
  sleep 3
  for i in $(seq 1 120); do
    xdotool mousemove --window "$win" $((400 + (i * 97) % 480)) 690 click 1
    sleep 0.5
  done
  sleep 3
  import -window root "$OUT/full-disk-1-name-entry.png"
  xdotool mousemove --window "$win" 1240 40
  xdotool type --window "$win" --delay 150 "Tester"
  sleep 1
  xdotool key --window "$win" Return
  sleep 3
  import -window root "$OUT/full-disk-2-message.png"
  # OK on the box, centred on the screen.
  xdotool mousemove 638 380 click 1
  sleep 2
  xdotool key --window "$win" n
  sleep 2
  import -window root "$OUT/full-disk-3-table.png"
  kill $pid 2>/dev/null
  wait $pid 2>/dev/null
' || true
grep -q "Could not save the high scores: No space left on device!" "$LOG" ||
  { echo "the game did not tell the failed save" >&2; exit 1; }
ls "$out"/full-disk-*.png
