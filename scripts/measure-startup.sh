#!/usr/bin/env bash
# Start-up figures of the real game, measured under Xvfb:
#   - exec to first presented frame of the main loop (min and median of N runs),
#   - resident memory (VmRSS) one second after that frame, and its peak (VmHWM),
#   - CPU use (% of one core) while the game idles in the menu.
# Builds nothing: it runs build/game/Vantrel as it is.
#
# Usage: scripts/measure-startup.sh [RUNS] [BUILD_DIR]
#   RUNS       number of runs (default 7)
#   BUILD_DIR  build tree (default: build)
# Environment: IDLE_SECONDS (default 4; 0 skips the idle figure),
#   MENU_WAIT_SECONDS (default 7: the splash gives way to the menu after 5 s),
#   WINDOWED=1 (a stored "FullScreen" 0: the game starts in a window).
#
# Each run gets a new empty HOME, XDG_CONFIG_HOME, XDG_DATA_HOME and
# XDG_RUNTIME_DIR, so the settings are the defaults (full screen); the
# community layer is the local service the game uses by default (its store
# under the new XDG_DATA_HOME). Video goes through SDL's x11 driver, sound through the
# dummy driver. The game writes the time of its first presented frame into
# the file named by VANTREL_FIRST_FRAME_FILE.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

if [[ "${1:-}" == "--inner" ]]; then
  runs="$2"
  game_dir="$3"
  idle="${IDLE_SECONDS:-4}"
  menu_wait="${MENU_WAIT_SECONDS:-7}"
  hz="$(getconf CLK_TCK)"
  for ((i = 1; i <= runs; ++i)); do
    tmp="$(mktemp -d)"
    mkdir -p "$tmp/home" "$tmp/config" "$tmp/data" "$tmp/runtime"
    chmod 700 "$tmp/runtime"
    if [[ "${WINDOWED:-0}" == 1 ]]; then
      mkdir -p "$tmp/config/Quillmark/Vantrel - Orvesse"
      printf '"FullScreen"=dword:00000000\n' >"$tmp/config/Quillmark/Vantrel - Orvesse/registry.ini"
    fi
    stamp="$tmp/first-frame"
    load="$(cut -d' ' -f1-3 /proc/loadavg)"
    cd "$game_dir"
    start="${EPOCHREALTIME/./}"
    HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/config" XDG_DATA_HOME="$tmp/data" XDG_RUNTIME_DIR="$tmp/runtime" \
      SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy VANTREL_FIRST_FRAME_FILE="$stamp" \
      ./Vantrel >"$tmp/out.log" 2>&1 &
    pid=$!
    for ((t = 0; t < 400; ++t)); do
      [[ -s "$stamp" ]] && break
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.05
    done
    if [[ ! -s "$stamp" ]]; then
      echo "run $i: no first frame (see $tmp/out.log)" >&2
      kill "$pid" 2>/dev/null || true
      wait "$pid" 2>/dev/null || true
      continue
    fi
    frame_us=$(($(cat "$stamp") / 1000))
    first_ms=$(((frame_us - start) / 1000))
    sleep 1
    rss_kb="$(awk '/^VmRSS:/ {print $2}' "/proc/$pid/status")"
    hwm_kb="$(awk '/^VmHWM:/ {print $2}' "/proc/$pid/status")"
    cpu="-"
    if ((idle > 0)); then
      sleep "$((menu_wait > 1 ? menu_wait - 1 : 0))"
      t0="$(awk '{print $14 + $15}' "/proc/$pid/stat")"
      w0="${EPOCHREALTIME/./}"
      sleep "$idle"
      t1="$(awk '{print $14 + $15}' "/proc/$pid/stat")"
      w1="${EPOCHREALTIME/./}"
      cpu="$(awk -v a="$t0" -v b="$t1" -v hz="$hz" -v us="$((w1 - w0))" 'BEGIN {printf "%.1f", 100 * (b - a) / hz / (us / 1e6)}')"
    fi
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    echo "run $i: first frame ${first_ms} ms, VmRSS $((rss_kb / 1024)) MB, VmHWM $((hwm_kb / 1024)) MB, idle CPU ${cpu} %, load ${load}"
    rm -rf "$tmp"
  done
  exit 0
fi

runs="${1:-7}"
build="${2:-$here/build}"
[[ "$build" = /* ]] || build="$here/$build"
if [[ ! -x "$build/game/Vantrel" ]]; then
  echo "no game at $build/game/Vantrel: build it first" >&2
  exit 1
fi
echo "Vantrel start-up, $runs runs ($(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg))"
out="$(xvfb-run -a -s "-screen 0 1280x1024x24" bash "$here/scripts/measure-startup.sh" --inner "$runs" "$build/game")"
echo "$out"
echo "$out" | awk '
  BEGIN { n = 0 }
  /^run/ {
    for (i = 1; i <= NF; ++i) {
      if ($i == "frame") f[n] = $(i + 1)
      if ($i == "VmRSS") r[n] = $(i + 1)
      if ($i == "CPU") c[n] = $(i + 1)
    }
    ++n
  }
  function sort(a, m,   i, j, t) { for (i = 0; i < m; ++i) for (j = i + 1; j < m; ++j) if (a[j] + 0 < a[i] + 0) { t = a[i]; a[i] = a[j]; a[j] = t } }
  function median(a, m) { return m % 2 ? a[int(m / 2)] : (a[m / 2 - 1] + a[m / 2]) / 2 }
  END {
    if (n == 0) { print "no run reached a first frame"; exit 1 }
    sort(f, n); sort(r, n); sort(c, n)
    printf "first frame: min %d ms, median %s ms\n", f[0], median(f, n)
    printf "VmRSS after start-up: min %d MB, median %s MB\n", r[0], median(r, n)
    if (c[0] != "-") printf "idle CPU in the menu: median %s %% of a core\n", median(c, n)
  }'
