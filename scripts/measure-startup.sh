#!/usr/bin/env bash
# Start-up figures of the real game, measured under Xvfb:
#   - exec to first presented frame of the main loop (min and median of N runs),
#   - resident memory (VmRSS) one second after that frame, and its peak (VmHWM),
#   - CPU use (% of one core) while the game idles in the menu,
#   - CPU use (% of one core) in play: the script plays as a player would,
#     with xdotool: it types a key in the menu (on to the board-set choice),
#     clicks PLAY on the default set, clicks to launch the ball, and then
#     sweeps the paddle with the mouse and clicks every 3 seconds (a lost
#     ball is launched again); the figure starts half a second after the
#     launch.
# Builds nothing: it runs build/game/Vantrel as it is.
#
# Usage: scripts/measure-startup.sh [RUNS] [BUILD_DIR]
#   RUNS       number of runs (default 7)
#   BUILD_DIR  build tree (default: build)
# Environment: IDLE_SECONDS (default 4; 0 skips the idle figure),
#   MENU_WAIT_SECONDS (default 7: the splash gives way to the menu after 5 s),
#   PLAY_SECONDS (default 5; 0 skips the play figure; a run whose board is
#     not on screen at the end of the figure gives none),
#   WINDOWED=1 (a stored "FullScreen" 0: the game starts in a window),
#   WM=openbox (or any window manager's command: started on the X display
#     before the runs, so the game takes the window manager's path to full
#     screen; without it there is no window manager, as on a bare X server),
#   SHOTS=DIR (screenshots of each run: DIR/run-N-menu.png, and in play
#     DIR/run-N-play-start.png and run-N-play-end.png, before and after the
#     play figure; the import itself is not counted in the game's CPU),
#   SAVED_GAMES=DIR (what DIR holds is copied into each run's saved-games
#     folder before the game starts: a charms.dat, a Scores folder, ...).
#
# Each run gets a new empty HOME, XDG_CONFIG_HOME, XDG_DATA_HOME and
# XDG_RUNTIME_DIR, so the settings are the defaults (full screen); the
# community layer is the local service the game uses by default (its store
# under the new XDG_DATA_HOME). Video goes through SDL's x11 driver, sound through the
# dummy driver. The game writes the time of its first presented frame into
# the file named by VANTREL_FIRST_FRAME_FILE. The screen is 1280x1024; the
# clicks are given in the game's 1280x720 picture and mapped to the window as
# the game letterboxes it.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# CPU ticks of the game (all its threads) over `seconds`, as % of one core.
cpu_percent() { # pid seconds
  local t0 t1 w0 w1
  t0="$(awk '{print $14 + $15}' "/proc/$1/stat")"
  w0="${EPOCHREALTIME/./}"
  sleep "$2"
  t1="$(awk '{print $14 + $15}' "/proc/$1/stat")"
  w1="${EPOCHREALTIME/./}"
  awk -v a="$t0" -v b="$t1" -v hz="$(getconf CLK_TCK)" -v us="$((w1 - w0))" \
    'BEGIN {printf "%.1f", 100 * (b - a) / hz / (us / 1e6)}'
}

# Where the game's 1280x720 picture lies in `window`: it is letterboxed into
# the client area. Sets fit_x, fit_y, fit_w, fit_h.
fit() { # window
  local WIDTH HEIGHT
  eval "$(xdotool getwindowgeometry --shell "$1" | grep -E '^(WIDTH|HEIGHT)=')"
  fit_w="$WIDTH"
  fit_h="$HEIGHT"
  if ((1280 * HEIGHT > WIDTH * 720)); then
    fit_h=$((WIDTH * 720 / 1280))
  elif ((1280 * HEIGHT < WIDTH * 720)); then
    fit_w=$((HEIGHT * 1280 / 720))
  fi
  fit_x=$(((WIDTH - fit_w) / 2))
  fit_y=$(((HEIGHT - fit_h) / 2))
}
# The window's point for (x, y) of the picture (after `fit`).
game_x() { echo $((fit_x + $1 * fit_w / 1280)); }
game_y() { echo $((fit_y + $1 * fit_h / 720)); }

# Moves the pointer to (x, y) of the picture, with any further xdotool
# commands (after `fit`).
at() { # window x y [xdotool commands...]
  local window="$1" x="$2" y="$3"
  shift 3
  xdotool mousemove --window "$window" "$(game_x "$x")" "$(game_y "$y")" "$@"
}

# From the menu into play as a player goes: a key (the menu goes on to the
# board-set choice), PLAY on the selected (default) set, a click to launch
# the ball.
start_play() { # window
  xdotool windowactivate --sync "$1" >/dev/null 2>&1 || xdotool windowfocus --sync "$1" >/dev/null 2>&1 || true
  fit "$1"
  at "$1" 1240 40
  xdotool key x
  # The board-set choice takes no click until its transition has ended.
  sleep 3
  at "$1" 1120 660 click 1
  sleep 3
  at "$1" 640 690 click 1
}

# The paddle swept to and fro under the mouse, 20 moves a second, with a
# click every 3 seconds, for `seconds`: one xdotool command list (after
# `fit`).
play_along() { # window seconds
  local commands=() step x y
  y="$(game_y 690)"
  for ((step = 0; step < $2 * 20; ++step)); do
    x="$(game_x $((400 + (step % 40 < 20 ? step % 20 : 20 - step % 20) * 24)))"
    commands+=(mousemove --window "$1" "$x" "$y" sleep 0.05)
    if ((step % 60 == 59)); then commands+=(click 1); fi
  done
  xdotool "${commands[@]}"
}

# Whether the board is on screen: the playfield's left rail, a light grey,
# at (146, 360) of the picture (after `fit`). The menu and the high scores
# are dark blue there.
in_play() { # window
  import -window "$1" -crop "1x1+$(game_x 146)+$(game_y 360)" +repage txt:- 2>/dev/null |
    awk -F'[()]' 'NR == 2 {split($2, c, ","); exit !(c[1] == c[2] && c[2] == c[3] && c[1] > 150)} END {if (NR < 2) exit 1}'
}

if [[ "${1:-}" == "--inner" ]]; then
  runs="$2"
  game_dir="$3"
  idle="${IDLE_SECONDS:-4}"
  play="${PLAY_SECONDS:-5}"
  menu_wait="${MENU_WAIT_SECONDS:-7}"
  if [[ -n "${WM:-}" ]]; then
    $WM >/dev/null 2>&1 &
    wm_pid=$!
    # Ready once it answers for the desktops it manages.
    for ((t = 0; t < 100; ++t)); do
      xdotool get_desktop >/dev/null 2>&1 && break
      sleep 0.05
    done
  fi
  for ((i = 1; i <= runs; ++i)); do
    tmp="$(mktemp -d)"
    mkdir -p "$tmp/home" "$tmp/config" "$tmp/data" "$tmp/runtime"
    chmod 700 "$tmp/runtime"
    if [[ "${WINDOWED:-0}" == 1 ]]; then
      mkdir -p "$tmp/config/Quillmark/Vantrel - Orvesse"
      printf '"FullScreen"=dword:00000000\n' >"$tmp/config/Quillmark/Vantrel - Orvesse/registry.ini"
    fi
    if [[ -n "${SAVED_GAMES:-}" ]]; then
      mkdir -p "$tmp/data/Vantrel - Orvesse"
      cp -a "$SAVED_GAMES/." "$tmp/data/Vantrel - Orvesse/"
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
    play_cpu="-"
    if ((idle > 0 || play > 0)); then sleep "$((menu_wait > 1 ? menu_wait - 1 : 0))"; fi
    if ((idle > 0)); then cpu="$(cpu_percent "$pid" "$idle")"; fi
    if [[ -n "${SHOTS:-}" ]]; then import -window root "$SHOTS/run-$i-menu.png"; fi
    if ((play > 0)); then
      window="$(xdotool search --onlyvisible --name '^Vantrel' | head -n 1 || true)"
      if [[ -z "$window" ]]; then
        echo "run $i: no game window to play in" >&2
      else
        start_play "$window"
        play_along "$window" "$((play + 1))" &
        along=$!
        sleep 0.5
        if [[ -n "${SHOTS:-}" ]]; then import -window root "$SHOTS/run-$i-play-start.png"; fi
        play_cpu="$(cpu_percent "$pid" "$play")"
        if [[ -n "${SHOTS:-}" ]]; then import -window root "$SHOTS/run-$i-play-end.png"; fi
        if ! in_play "$window"; then
          echo "run $i: no board on screen at the end of the play figure: no play figure" >&2
          play_cpu="-"
        fi
        wait "$along" || true
      fi
    fi
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    echo "run $i: first frame ${first_ms} ms, VmRSS $((rss_kb / 1024)) MB, VmHWM $((hwm_kb / 1024)) MB," \
      "idle CPU ${cpu} %, play CPU ${play_cpu} %, load ${load}"
    rm -rf "$tmp"
  done
  if [[ -n "${wm_pid:-}" ]]; then kill "$wm_pid" 2>/dev/null || true; fi
  exit 0
fi

runs="${1:-7}"
build="${2:-$here/build}"
[[ "$build" = /* ]] || build="$here/$build"
if [[ ! -x "$build/game/Vantrel" ]]; then
  echo "no game at $build/game/Vantrel: build it first" >&2
  exit 1
fi
if [[ -n "${SHOTS:-}" ]]; then
  mkdir -p "$SHOTS"
  SHOTS="$(cd "$SHOTS" && pwd)"
  export SHOTS
fi
if [[ -n "${SAVED_GAMES:-}" ]]; then
  if [[ ! -d "$SAVED_GAMES" ]]; then
    echo "no folder $SAVED_GAMES" >&2
    exit 1
  fi
  SAVED_GAMES="$(cd "$SAVED_GAMES" && pwd)"
  export SAVED_GAMES
fi
if [[ -n "${WM:-}" ]] && ! command -v "${WM%% *}" >/dev/null; then
  echo "no window manager $WM: install it first" >&2
  exit 1
fi
how="$([[ "${WINDOWED:-0}" == 1 ]] && echo windowed || echo "full screen")${WM:+, window manager $WM}"
echo "Vantrel start-up, $runs runs, $how ($(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg))"
out="$(xvfb-run -a -s "-screen 0 1280x1024x24" bash "$here/scripts/measure-startup.sh" --inner "$runs" "$build/game")"
echo "$out"
echo "$out" | awk '
  BEGIN { n = 0; m = 0 }
  /^run/ {
    for (i = 1; i <= NF; ++i) {
      if ($i == "frame") f[n] = $(i + 1)
      if ($i == "VmRSS") r[n] = $(i + 1)
      if ($i == "CPU" && $(i - 1) == "idle") c[n] = $(i + 1)
      if ($i == "CPU" && $(i - 1) == "play" && $(i + 1) != "-") p[m++] = $(i + 1)
    }
    ++n
  }
  function sort(a, m,   i, j, t) { for (i = 0; i < m; ++i) for (j = i + 1; j < m; ++j) if (a[j] + 0 < a[i] + 0) { t = a[i]; a[i] = a[j]; a[j] = t } }
  function median(a, m) { return m % 2 ? a[int(m / 2)] : (a[m / 2 - 1] + a[m / 2]) / 2 }
  END {
    if (n == 0) { print "no run reached a first frame"; exit 1 }
    sort(f, n); sort(r, n); sort(c, n); sort(p, m)
    printf "first frame: min %d ms, median %s ms\n", f[0], median(f, n)
    printf "VmRSS after start-up: min %d MB, median %s MB\n", r[0], median(r, n)
    if (c[0] != "-") printf "idle CPU in the menu: median %s %% of a core\n", median(c, n)
    if (m > 0) printf "CPU in play: median %s %% of a core (%d runs)\n", median(p, m), m
  }'
