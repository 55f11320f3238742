#!/usr/bin/env bash
# Runs the real window under a real X server with a window manager on a season that the command line
# made, and has the command line read and write the archive while the window holds it open: the
# window must show the tournament, the command line must not find the archive busy, and the window
# must close cleanly.
#   real-season.sh QUILLMERE QUILLMERE_TOURNAMENT EXAMPLE_SEASON WORK_DIR
set -euo pipefail
unset QT_QPA_PLATFORM  # the real X server, not the offscreen one the other window tests use
window=$1 tournament=$2 season=$3 work=$4
export XDG_CONFIG_HOME="$work/config"  # settings of its own, not the user's
for tool in xvfb-run openbox xdotool wmctrl; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done

rm -rf "$work" && mkdir -p "$work"
archive="$work/season.qmt"
"$tournament" new "$archive" --name "Example Season" >/dev/null
"$tournament" round "$archive" add 1 --title "Opening" --profile "$season/round1/profile.json" >/dev/null
"$tournament" submit "$archive" --round 1 --register --received "2005-12-26 20:00" "$season/round1/saves" >/dev/null

cat >"$work/session.sh" <<'SESSION'
#!/usr/bin/env bash
set -uo pipefail
window=$1 tournament=$2 archive=$3
openbox >/dev/null 2>&1 &
sleep 0.5
"$window" --tournament "$archive" >/dev/null 2>"$WORK/window.err" &
pid=$!
id=""
for _ in $(seq 200); do
    id=$(xdotool search --onlyvisible --name ' - tournament Example Season$' 2>/dev/null | head -1) && [ -n "$id" ] && break
    sleep 0.05
done
[ -n "$id" ] || { echo "no window showing the tournament"; cat "$WORK/window.err"; kill "$pid"; exit 1; }
# The command line beside the open window: a ruling (a write) and the standings (a read).
"$tournament" rule "$archive" 5 accept --reason "checked" --wait 5 || { echo "rule: exit status $?"; exit 1; }
"$tournament" standings "$archive" | grep -q '^   1  Dmitri ' || { echo "standings: Dmitri not first"; exit 1; }
wmctrl -i -c "$id"
for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
if kill -0 "$pid" 2>/dev/null; then echo "still running 5 s after the close"; kill -9 "$pid"; exit 1; fi
wait "$pid" || { echo "window: exit status $?"; cat "$WORK/window.err"; exit 1; }
echo "the window showed the season, the command line wrote and read beside it, the window closed cleanly"
SESSION
chmod +x "$work/session.sh"
WORK=$work xvfb-run -a -s "-screen 0 1280x800x24" "$work/session.sh" "$window" "$tournament" "$archive"
