#!/bin/bash
# Starts and closes the editor and Sheetwright again and again under a virtual
# X screen with a window manager, and checks that every window placement they
# save ("MainWnd", "MainDlg", "MainDlgWnd", "PreviewWnd") comes back exactly
# as it was saved: the frame a window manager adds must not make a window
# creep across the screen from one start to the next.
#
#   tests/tools_platform/placement_cycles.sh [game folder] [cycles]
#
# The game folder defaults to build/game, cycles to 10. Needs xvfb-run and a
# window manager (openbox, or the command in VANTREL_WM). Runs in a temporary
# HOME, so the real settings are never touched. Each program is run twice
# over: once from no settings at all, and once from placements written into
# its settings beforehand (a window near the top left corner of the screen,
# where a frame added on the wrong side shows first).
set -u

here=$(cd "$(dirname "$0")" && pwd)
game=$(cd "${1:-$here/../../build/game}" && pwd) || exit 2
cycles=${2:-10}

if [ -z "${VANTREL_PLACEMENT_INNER:-}" ]; then
  command -v xvfb-run > /dev/null || { echo "xvfb-run is needed" >&2; exit 2; }
  VANTREL_PLACEMENT_INNER=1 exec xvfb-run -a -s "-screen 0 1600x1000x24" "$0" "$game" "$cycles"
fi

wm=${VANTREL_WM:-openbox}
command -v "${wm%% *}" > /dev/null || { echo "window manager '$wm' not found" >&2; exit 2; }
home=$(mktemp -d)
trap 'kill "$wm_pid" 2> /dev/null; rm -rf "$home"' EXIT
export HOME=$home XDG_CONFIG_HOME=$home/config XDG_DATA_HOME=$home/data XDG_RUNTIME_DIR=$home/runtime
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
$wm > /dev/null 2>&1 &
wm_pid=$!
sleep 1

failed=0

# The placement values of a settings file, one "name=value" a line, sorted.
placements() {
  [ -f "$1" ] || return 0
  grep -E '^"(MainWnd|MainDlg|MainDlgWnd|PreviewWnd)[XY]"=' "$1" | sort
}

# Writes a placement value into a settings file (replacing or adding it).
put() {
  local file=$1 name=$2 value=$3
  mkdir -p "$(dirname "$file")"
  touch "$file"
  local line
  line=$(printf '"%s"=dword:%08x' "$name" "$value")
  if grep -q "^\"$name\"=" "$file"; then
    sed -i "s/^\"$name\"=.*/$line/" "$file"
  else
    echo "$line" >> "$file"
  fi
}

# run_cycles <label> <program> <settings file>
run_cycles() {
  local label=$1 program=$2 settings=$3 first="" now
  for i in $(seq 1 "$cycles"); do
    (cd "$game" && VANTREL_QUIT_AFTER_MS=${VANTREL_QUIT_MS:-1500} timeout 60 "$program" > /dev/null 2>&1)
    now=$(placements "$settings")
    if [ -z "$now" ]; then
      echo "FAIL $label: start $i saved no placement"
      failed=1
      return
    fi
    if [ -z "$first" ]; then
      first=$now
      [ -n "${SEEDED:-}" ] && [ "$now" != "$SEEDED" ] && {
        echo "FAIL $label: the placement written before the start came back changed"
        diff <(echo "$SEEDED") <(echo "$now") | sed 's/^/    /'
        failed=1
      }
    elif [ "$now" != "$first" ]; then
      echo "FAIL $label: the placement moved at start $i"
      diff <(echo "$first") <(echo "$now") | sed 's/^/    /'
      failed=1
      return
    fi
  done
  echo "ok   $label: $(echo "$first" | tr '\n' ' ')"
}

editor_ini=$XDG_CONFIG_HOME/Quillmark/Vantrel/registry.ini
sheet_ini=$XDG_CONFIG_HOME/Quillmark/Sheetwright/registry.ini

SEEDED="" run_cycles "editor, first start" ./VantrelEditor "$editor_ini"
SEEDED="" run_cycles "Sheetwright, first start" ./Tools/Sheetwright "$sheet_ini"

put "$editor_ini" MainWndX 3
put "$editor_ini" MainWndY 0
put "$editor_ini" MainDlgX 700
put "$editor_ini" MainDlgY 90
SEEDED=$(placements "$editor_ini") run_cycles "editor, placed near the corner" ./VantrelEditor "$editor_ini"
put "$sheet_ini" MainDlgWndX 5
put "$sheet_ini" MainDlgWndY 0
put "$sheet_ini" PreviewWndX 600
put "$sheet_ini" PreviewWndY 2
SEEDED=$(placements "$sheet_ini") run_cycles "Sheetwright, placed near the corner" ./Tools/Sheetwright "$sheet_ini"

exit $failed
