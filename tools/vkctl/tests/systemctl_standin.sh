#!/bin/bash
# A systemctl for tests: manages the one unit viewkeeper.service from
# /etc/systemd/system by starting and stopping its program as a process.
# It runs inside the test's private mount namespace only.
set -u
unit=/etc/systemd/system/viewkeeper.service
state=/run/vk-systemctl
mkdir -p "$state"
echo "$*" >> "$state/calls"

exec_path() { sed -n 's/^ExecStart=//p' "$unit" | tail -1 | tr -d '"'; }
description() {
  local d
  d=$(sed -n 's/^Description=//p' "$unit" | tail -1)
  for f in "$unit".d/*.conf; do
    [ -f "$f" ] && d=$(sed -n 's/^Description=//p' "$f" | tail -1)
  done
  printf '%s' "$d"
}
running() { [ -f "$state/pid" ] && kill -0 "$(cat "$state/pid")" 2>/dev/null; }
active_state() {
  if running; then
    # Like Type=notify: active once the agent reported READY=1.
    if [ -f "$state/stopping" ]; then echo deactivating
    elif grep -q READY=1 "$state/agent.out" 2>/dev/null; then echo active
    else echo activating; fi
  else
    rm -f "$state/stopping"
    echo inactive
  fi
}

args=()
for a in "$@"; do
  case "$a" in --no-block|-q|--quiet) ;; *) args+=("$a") ;; esac
done
set -- "${args[@]}"
command=${1:-}
case "$command" in
  show)
    if [ ! -f "$unit" ]; then
      printf 'LoadState=not-found\nActiveState=inactive\nDescription=viewkeeper.service\nExecStart=\n'
      exit 0
    fi
    p=$(exec_path)
    printf 'LoadState=loaded\nActiveState=%s\nDescription=%s\nExecStart={ path=%s ; argv[]=%s ; ignore_errors=no }\n' \
      "$(active_state)" "$(description)" "$p" "$p"
    ;;
  start)
    [ -f "$unit" ] || { echo "Failed to start viewkeeper.service: Unit viewkeeper.service not found." >&2; exit 5; }
    running && exit 0
    rm -f "$state/stopping"
    : > "$state/agent.out"
    p=$(exec_path)
    setsid env -u NOTIFY_SOCKET VIEWKEEPER_EVENT_LOG=stderr DISPLAY=:0 \
      VIEWKEEPER_UNIT_DIR="$unit.d" VIEWKEEPER_SYSTEMD_RELOAD=no "$p" >"$state/agent.out" 2>&1 </dev/null &
    echo $! > "$state/pid"
    ;;
  stop)
    if running; then touch "$state/stopping"; kill -TERM "$(cat "$state/pid")"; fi
    ;;
  enable)
    [ -f "$unit" ] || { echo "Failed to enable unit: Unit file viewkeeper.service does not exist." >&2; exit 1; }
    mkdir -p /etc/systemd/system/multi-user.target.wants
    ln -sf "$unit" /etc/systemd/system/multi-user.target.wants/viewkeeper.service
    ;;
  disable)
    rm -f /etc/systemd/system/multi-user.target.wants/viewkeeper.service
    rmdir /etc/systemd/system/multi-user.target.wants 2>/dev/null
    ;;
  daemon-reload) ;;
  *) echo "systemctl stand-in: unsupported: $*" >&2; exit 1 ;;
esac
exit 0
