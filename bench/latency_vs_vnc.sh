#!/usr/bin/env bash
# Latency under load: the ViewKeeper agent, x11vnc (zlib) and TigerVNC's
# x0vncserver (ZRLE) on one Xvfb at 1920x1080x24, one scripted workload,
# every change timed from its X request to the first update that shows it
# (bench/latency_probe.py). x0vncserver runs as its binary X0tigervnc (its
# wrapper script would stop it with the X server).
#
# The agent runs once per send interval in BENCH_INTERVALS (default "100 20":
# the defaults, then 20 ms); each run connects to all three servers at once
# and starts from the same window stack (terminal and xlogo above the two
# full-screen pictures). Per run it prints the load average, then per phase
# and server the changes, the missed ones, median and 90th percentile
# latency and bytes; then each server's CPU over the workload and while the
# screen is still (BENCH_IDLE seconds), and the agent's goals at 100 ms and
# at 20 ms checked against the other two, "met" or "MISSED" a line each. A
# run in which no server saw some phase is reported invalid.
#
# The VNC servers are for this benchmark only (not in scripts/packages.txt):
#   apt-get install -y --no-install-recommends x11vnc tigervnc-scraping-server
#
#   bench/latency_vs_vnc.sh                 # needs build/bin/deskagent
#   BENCH_INTERVALS=20 BENCH_TYPING=400 bench/latency_vs_vnc.sh
# Counts per phase: BENCH_TYPING (200), BENCH_SCROLLING (60), BENCH_MOVES (40),
# BENCH_FULLSCREEN (20); BENCH_IDLE (10 s). The machine's other load shows in
# the numbers: compare servers within one run, and repeat a run whose load
# average was high.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
# shellcheck source=bench/bench_agent.sh
source "$root/bench/bench_agent.sh"
bench_needs "apt-get install x11vnc tigervnc-scraping-server xdotool; ninja -C build deskagent" \
  Xvfb xsetroot xterm xlogo xwd xwud xwininfo xdotool x11vnc X0tigervnc python3 build/bin/deskagent
width=1920
height=1080

bench_work viewkeeper-latency
start_xvfb "${width}x${height}x24" screen
export DISPLAY="$xvfb_display"

# Two full-screen pictures of real terminal text, shown by xwud.
# Root and terminal colours differ between the two, so every pixel changes.
picture() {
  local name="$1" root="$2" colours="$3" command="$4"
  xsetroot -solid "$root"
  # shellcheck disable=SC2086
  xterm -title "$name" $colours -geometry 239x77+0+0 -e bash -c "$command; sleep 600" >/dev/null 2>&1 &
  local pid=$!
  xdotool search --sync --name "^$name\$" >/dev/null
  sleep 1  # the terminal has drawn its text
  xwd -root -silent >"$work/$name.xwd"
  kill "$pid"
  wait "$pid" 2>/dev/null || true
}
picture first '#204060' '-bg white -fg black' 'ls -l /usr/bin /usr/lib | head -80'
picture second '#604020' '-bg #202020 -fg #e0e0e0' 'cat "'"$root"'/README.md"'
show_picture() {
  local before after
  before="$(xdotool search --classname xwud 2>/dev/null | sort || true)"
  xwud -in "$work/$1.xwd" -geometry "${width}x${height}+0+0" >/dev/null 2>&1 &
  pids+=($!)
  for _ in $(seq 1 100); do
    after="$(xdotool search --classname xwud 2>/dev/null | sort || true)"
    comm -13 <(echo "$before") <(echo "$after") | grep -q . && break
    sleep 0.1
  done
  comm -13 <(echo "$before") <(echo "$after") | head -n1
}
pictures="$(show_picture first),$(show_picture second)"

# Above them: a terminal with a screenful of history, and a window to move.
xterm -title vkterm -geometry 100x30+100+100 -e env PS1='$ ' bash --norc --noprofile >/dev/null 2>&1 &
pids+=($!)
terminal="$(xdotool search --sync --name '^vkterm$' | head -n1)"
xdotool windowfocus --sync "$terminal"
xdotool type --delay 5 'seq 1 300; ls -l /usr/bin | head -100'
xdotool key Return
xlogo -geometry 300x300+900+200 >/dev/null 2>&1 &
pids+=($!)
mover="$(xdotool search --sync --class xlogo | head -n1)"

if [ -x build/bin/bench_compressor ]; then
  echo "== zlib and libdeflate on the two pictures"
  build/bin/bench_compressor --benchmark_counters_tabular=true "$work/first.xwd" "$work/second.xwd" 2>/dev/null || true
fi

x11port="$(free_port)"
x11vnc -display "$DISPLAY" -rfbport "$x11port" -localhost -nopw -shared -forever >"$work/x11vnc.log" 2>&1 &
x11pid=$!
pids+=("$x11pid")
tigerport="$(free_port)"
X0tigervnc -display "$DISPLAY" -rfbport "$tigerport" -SecurityTypes None -localhost=1 >"$work/x0vncserver.log" 2>&1 &
tigerpid=$!
pids+=("$tigerpid")
for _ in $(seq 1 100); do
  # (no test connection to x0vncserver: one that closes unread kills it with SIGPIPE)
  grep -q "PORT=$x11port" "$work/x11vnc.log" && grep -q "on port $tigerport" "$work/x0vncserver.log" && break
  sleep 0.1
done

status=0
for interval in ${BENCH_INTERVALS:-100 20}; do
  port="$(free_port)"
  start_agent "$port" "$interval"
  pids+=("$agent_pid")
  wait_for_port "$port"
  goals=()
  [ "$interval" = 100 ] && goals=(--goals defaults)
  [ "$interval" = 20 ] && goals=(--goals fast)
  echo "== agent send interval ${interval} ms; x11vnc and x0vncserver at their defaults"
  echo "load average at the start: $(cut -d' ' -f1-3 /proc/loadavg)"
  run=0
  VK_BENCH_PASSWORD="$password" python3 bench/latency_probe.py --width "$width" --height "$height" \
    --terminal "$terminal" --mover "$mover" --pictures "$pictures" \
    --typing "${BENCH_TYPING:-200}" --scrolling "${BENCH_SCROLLING:-60}" --moves "${BENCH_MOVES:-40}" \
    --fullscreen "${BENCH_FULLSCREEN:-20}" --idle "${BENCH_IDLE:-10}" "${goals[@]}" \
    --cpu "viewkeeper=$agent_pid" --cpu "vnc-zlib=$x11pid" --cpu "vnc-zrle=$tigerpid" \
    "vk:$port:demo" "rfb:$x11port:zlib" "rfb:$tigerport:zrle" || run=$?
  echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
  case "$run" in
    0) ;;
    2) echo "bench: a change or a goal was missed" ;;
    3) echo "bench: this run is invalid" ;;
    *) echo "bench: the probe failed ($run)" ;;
  esac
  [ "$run" -gt "$status" ] && status="$run"
  kill -0 "$x11pid" "$tigerpid" 2>/dev/null || { echo "bench: a VNC server ended" >&2; status=1; }
  kill "$agent_pid"
  wait "$agent_pid" 2>/dev/null || true
done
exit "$status"
