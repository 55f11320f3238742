#!/usr/bin/env bash
# Runs the real window under a real X server with a window manager, as a referee would: started
# with a batch of large saves on its command line (big enough for the progress dialog), with one
# core kept busy. Every start must show its rows and end cleanly; so must a close during the load.
# Then the window must open within an 800 x 600 screen and within a screen at twice the scale.
#   real-window.sh QUILLMERE QUILLMERE_BENCH WORK_DIR [STARTS] [CLOSES]
set -euo pipefail
unset QT_QPA_PLATFORM  # the real X server, not the offscreen one the other window tests use
export XDG_CONFIG_HOME="$3/config"  # settings of its own, not the user's
window=$1 bench=$2 work=$3 starts=${4:-5} closes=${5:-3}
for tool in xvfb-run openbox xdotool wmctrl; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done

saves="$work/varied"
[ -f "$saves/bench59.sav" ] || "$bench" --files 60 --batch varied --dir "$work" --generate-only >/dev/null
files=("$saves"/*.sav)

cat >"$work/session.sh" <<'SESSION'
#!/usr/bin/env bash
# Inside the X server: a window manager, a busy core, then the checks.
set -uo pipefail
window=$1 starts=$2 closes=$3; shift 3
openbox >/dev/null 2>&1 &
( while :; do :; done ) &
busy=$!
trap 'kill $busy 2>/dev/null' EXIT
sleep 0.5
for ((i = 1; i <= starts; i++)); do
    if ! timeout 60 "$window" --quit-after-load "$@" >/dev/null 2>"$WORK/start-$i.err"; then
        echo "start $i: no clean exit ($?)"; cat "$WORK/start-$i.err"; exit 1
    fi
done
for ((i = 1; i <= closes; i++)); do
    "$window" "$@" >/dev/null 2>"$WORK/close-$i.err" &
    pid=$!
    id=""
    for _ in $(seq 100); do
        id=$(xdotool search --onlyvisible --name '^Quillmere \(version' 2>/dev/null | head -1) && [ -n "$id" ] && break
        sleep 0.05
    done
    [ -n "$id" ] || { echo "close $i: no window"; exit 1; }
    sleep 0.$((2 + i))
    # As the window's close button does: the window manager asks the main window to close, whichever
    # window (the progress dialog, say) has the focus.
    wmctrl -i -c "$id"
    for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
    if kill -0 "$pid" 2>/dev/null; then echo "close $i: still running 5 s after the close"; kill -9 "$pid"; exit 1; fi
    if ! wait "$pid"; then echo "close $i: exit status $?"; cat "$WORK/close-$i.err"; exit 1; fi
done
echo "$starts starts and $closes closes during a load: all clean"
SESSION
chmod +x "$work/session.sh"
WORK=$work xvfb-run -a -s "-screen 0 1280x800x24" "$work/session.sh" "$window" "$starts" "$closes" "${files[@]}"

# On a small screen and at twice the scale, the window opens within the screen, and so does Save
# Results with it (the window tests check that it stays inside the window).
cat >"$work/fits.sh" <<'FITS'
#!/usr/bin/env bash
set -uo pipefail
window=$1 width=$2 height=$3
openbox >/dev/null 2>&1 &
sleep 0.5
"$window" >/dev/null 2>"$WORK/fits.err" &
pid=$!
id=""
for _ in $(seq 100); do
    id=$(xdotool search --onlyvisible --name '^Quillmere \(version' 2>/dev/null | head -1) && [ -n "$id" ] && break
    sleep 0.05
done
[ -n "$id" ] || { echo "${width}x${height} ${QT_SCALE_FACTOR:-1}: no window"; kill "$pid"; exit 1; }
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$id")"
wmctrl -i -c "$id"
wait "$pid"
if ((X < 0 || Y < 0 || X + WIDTH > width || Y + HEIGHT > height)); then
    echo "${width}x${height} at scale ${QT_SCALE_FACTOR:-1}: the window ($WIDTH x $HEIGHT at $X,$Y) leaves the screen"
    exit 1
fi
echo "${width}x${height} at scale ${QT_SCALE_FACTOR:-1}: the window fits ($WIDTH x $HEIGHT at $X,$Y)"
FITS
chmod +x "$work/fits.sh"
WORK=$work xvfb-run -a -s "-screen 0 800x600x24" "$work/fits.sh" "$window" 800 600
WORK=$work QT_SCALE_FACTOR=2 xvfb-run -a -s "-screen 0 1280x800x24" "$work/fits.sh" "$window" 1280 800
