#!/usr/bin/env bash
# End to end on one machine: the agent on one Xvfb (1920x1080x24, its
# default capture interval), the real console viewing it on a second Xvfb.
# A marker window on the agent's screen (64x64, then the whole screen)
# changes colour; each change is timed
# from its X request to the agent's first update that shows it (a protocol
# viewer, the agent's own latency) and, in a second pass with the console
# as the one viewer, to the console's repaint of it on its display
# (bench/console_probe.py). Then the console's CPU with the viewer open on
# the still screen, over BENCH_IDLE_SECONDS (default 20).
#
#   bench/console_latency.sh               # needs build/bin/deskagent and build/bin/deskconsole
#   BENCH_CHANGES=300 BENCH_INTERVAL=20 bench/console_latency.sh
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
# shellcheck source=bench/bench_agent.sh
source "$root/bench/bench_agent.sh"
bench_needs "ninja -C build deskagent deskconsole" Xvfb python3 build/bin/deskagent build/bin/deskconsole
changes="${BENCH_CHANGES:-100}"
interval="${BENCH_INTERVAL:-100}"

bench_work viewkeeper-console-latency
start_xvfb 1920x1080x24 agent
agent_display="$xvfb_display"
export DISPLAY="$agent_display"
start_xvfb 1920x1200x24 console
console_display="$xvfb_display"

port="$(free_port)"
start_agent "$port" "$interval"
pids+=("$agent_pid")
wait_for_port "$port"

echo "== load average before: $(cut -d' ' -f1-3 /proc/loadavg); capture interval ${interval} ms; ${changes} changes"
status=0
for size in "" --whole; do
  VK_BENCH_PASSWORD="$password" python3 bench/console_probe.py agent --agent-display "$agent_display" \
    --port "$port" --changes "$changes" $size || status=$?
done

mkdir -p "$work/runtime" && chmod 700 "$work/runtime"
printf '%s\n' "$password" | env XDG_DATA_HOME="$work/console-data" XDG_CONFIG_HOME="$work/console-config" \
  XDG_RUNTIME_DIR="$work/runtime" DISPLAY="$console_display" build/bin/deskconsole \
  --connect "127.0.0.1:$port" --user demo --password-stdin >"$work/deskconsole.out" 2>&1 &
console_pid=$!
pids+=("$console_pid")
for size in "" --whole; do
  python3 bench/console_probe.py console --agent-display "$agent_display" --console-display "$console_display" \
    --pid "$console_pid" --changes "$changes" $size || status=$?
done

sleep 2  # the last repaint is done
python3 bench/console_probe.py idle --pid "$console_pid" --name console --pid "$agent_pid" --name agent \
  --seconds "${BENCH_IDLE_SECONDS:-20}" || status=$?
echo "== load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
exit "$status"
