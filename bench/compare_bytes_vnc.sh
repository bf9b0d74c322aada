#!/usr/bin/env bash
# Bytes on the wire: ViewKeeper against a VNC server with zlib rectangles.
#
# One Xvfb with an xterm; the agent (demo account through pam_wrapper and
# nss_wrapper, as in scripts/demo) and x11vnc (XDAMAGE on, defaults
# otherwise) watch it. vksnap --stats and bench/rfb_count.py (zlib only,
# 32-bit true colour) connect at the same time, then xdotool types a few
# lines, scrolls the xterm and moves it across the screen. Each client
# reports the bytes it received after its first full frame.
#
#   bench/compare_bytes_vnc.sh          # needs build/bin/deskagent and vksnap
#   BENCH_SECONDS=40 bench/compare_bytes_vnc.sh
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
seconds="${BENCH_SECONDS:-30}"
# shellcheck source=bench/bench_agent.sh
source "$root/bench/bench_agent.sh"
bench_needs "scripts/bootstrap, ninja -C build deskagent vksnap" \
  Xvfb xsetroot xterm x11vnc xdotool build/bin/deskagent build/bin/vksnap
bench_work viewkeeper-bytes

# The desktop: one xterm running a plain shell.
start_xvfb 1280x800x24 screen
export DISPLAY="$xvfb_display"
# Not black: black pixels are never sent (the agent's copy starts black, as
# the viewer's does), and vksnap counts its first update once every pixel
# has come.
xsetroot -solid '#204060'
xterm -title vkbytes -geometry 80x24+40+40 -e env PS1='$ ' bash --norc --noprofile >"$work/xterm.log" 2>&1 &
pids+=($!)
window="$(xdotool search --sync --name '^vkbytes$' | head -n1)"

# The agent with the demo account (see scripts/demo).
port="$(free_port)"
start_agent "$port" 100
pids+=("$agent_pid")

# The VNC server on the same display.
vncport="$(free_port)"
x11vnc -display "$DISPLAY" -rfbport "$vncport" -localhost -nopw -shared -forever \
  >"$work/x11vnc.log" 2>&1 &
pids+=($!)
for _ in $(seq 1 100); do
  grep -q "PORT=$vncport" "$work/x11vnc.log" && break
  sleep 0.1
done

# Both viewers at once, for the same time.
VKSNAP_PASSWORD="$password" build/bin/vksnap --host 127.0.0.1 --port "$port" --user demo \
  --output "$work/vksnap.png" --updates 1000000 --seconds "$seconds" --stats >"$work/vksnap.out" 2>&1 &
vksnap=$!
python3 bench/rfb_count.py --port "$vncport" --seconds "$seconds" --ready "$work/rfb.ready" \
  >"$work/rfb.out" 2>&1 &
rfb=$!
for _ in $(seq 1 100); do [ -e "$work/rfb.ready" ] && break; sleep 0.1; done
[ -e "$work/rfb.ready" ] || { cat "$work/rfb.out" >&2; echo "bench: no first frame from x11vnc" >&2; exit 1; }
sleep 3  # vksnap's first full frame
started=$SECONDS

# The workload: typing, scrolling, moving the window.
xdotool mousemove 200 150 windowfocus --sync "$window"
for line in "echo ViewKeeper counts bytes" "echo the quick brown fox jumps over the lazy dog" "ls -l /"; do
  xdotool type --delay 40 "$line"
  xdotool key Return
done
xdotool type --delay 40 "seq 1 200"
xdotool key Return
xdotool type --delay 40 'for i in $(seq 1 40); do echo line $i; sleep 0.1; done'
xdotool key Return
sleep 5
for step in $(seq 1 10); do
  xdotool windowmove "$window" $((40 + step * 60)) $((40 + step * 25))
  sleep 0.2
done
sleep 2
workload=$((SECONDS - started))

wait "$vksnap" || { cat "$work/vksnap.out" >&2; echo "bench: vksnap failed" >&2; exit 1; }
wait "$rfb" || { cat "$work/rfb.out" >&2; echo "bench: rfb_count failed" >&2; exit 1; }
if [ $((workload + 4)) -ge "$seconds" ]; then
  echo "bench: the workload took ${workload}s, longer than the viewers ran; raise BENCH_SECONDS" >&2
  exit 1
fi
vk="$(sed -n 's/.*after the first update \([0-9]*\).*/\1/p' "$work/vksnap.out")"
vnc="$(sed -n 's/.*after the first update \([0-9]*\).*/\1/p' "$work/rfb.out")"
[ -n "$vk" ] && [ -n "$vnc" ] || { cat "$work/vksnap.out" "$work/rfb.out" >&2; exit 1; }
grep -h 'bytes received' "$work/vksnap.out" "$work/rfb.out"
echo "after the first frame: viewkeeper $vk bytes, x11vnc (zlib) $vnc bytes"
python3 -c "import sys; a,b=map(int,sys.argv[1:]); print('ratio viewkeeper/x11vnc: %.2f' % (a/b if b else float('inf')))" "$vk" "$vnc"
