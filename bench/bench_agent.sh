# Sourced by the benchmarks: their work folder, an Xvfb, and the agent on
# $DISPLAY with the demo account (pam_wrapper and nss_wrapper, as in
# scripts/demo), in the folder $work.
#
#   bench_needs HINT TOOL...                      # ends the script when a tool is missing
#   bench_work NAME                               # sets work; the processes in pids end with the script
#   start_xvfb WIDTHxHEIGHTxDEPTH NAME            # sets xvfb_display
#   start_agent UPDATE_PORT CAPTURE_INTERVAL_MS   # sets agent_pid and password
#   wait_for_port PORT
# The caller runs from the source root and adds what it starts to pids.

bench_needs() {
  local hint="$1" tool
  shift
  for tool in "$@"; do
    command -v "$tool" >/dev/null || { echo "bench: $tool is missing ($hint)" >&2; exit 1; }
  done
}

# A fresh /tmp/NAME.XXXXXX, removed at the end with every process in pids
# (kept when VK_BENCH_KEEP is set).
bench_work() {
  work="$(mktemp -d "/tmp/$1.XXXXXX")"
  pids=()
  trap bench_cleanup EXIT
}
bench_cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  if [ -n "${VK_BENCH_KEEP:-}" ]; then echo "bench: kept $work"; else rm -rf "$work"; fi
}

start_xvfb() {
  local fifo="$work/displayfd-$2" number fd
  mkfifo "$fifo"
  exec {fd}<>"$fifo"
  Xvfb -displayfd "$fd" -noreset -nolisten tcp -screen 0 "$1" >"$work/xvfb-$2.log" 2>&1 &
  pids+=($!)
  read -r -t 20 number <&"$fd" || { echo "bench: Xvfb did not start (see $work/xvfb-$2.log)" >&2; exit 1; }
  xvfb_display=":$number"
}

wait_for_port() {
  for _ in $(seq 1 100); do
    python3 -c "import socket; socket.create_connection(('127.0.0.1',$1)).close()" 2>/dev/null && return 0
    sleep 0.1
  done
  echo "bench: nothing listens on port $1" >&2
  return 1
}

free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }

le16() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $(($1 >> 8)))"; }
le32() { le16 $(($1 & 65535)); le16 $((($1 >> 16) & 65535)); }

start_agent() {
  local port="$1" interval="$2"
  mkdir -p "$work/registry" "$work/settings" "$work/pam"
  password="bench-$RANDOM$RANDOM"
  printf 'demo:%s:viewkeeper\n' "$password" >"$work/pam/passdb"
  for service in viewkeeper other; do
    cat >"$work/pam/$service" <<PAM
auth required /usr/lib/x86_64-linux-gnu/pam_wrapper/pam_matrix.so passdb=$work/pam/passdb
account required /usr/lib/x86_64-linux-gnu/pam_wrapper/pam_matrix.so passdb=$work/pam/passdb
PAM
  done
  printf 'root:x:0:0:root:/root:/bin/bash\ndemo:x:%s:%s:demo:%s:/bin/false\n' "$(id -u)" "$(id -g)" "$work" >"$work/passwd"
  printf 'root:x:0:\ndemo:x:%s:demo\n' "$(id -g)" >"$work/group"
  cat >"$work/registry/HKLM.reg" <<REG
Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvalline\\ViewKeeper\\Service\\Locations]
"SettingsPath"="$work/settings/"

[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvalline\\ViewKeeper\\Service\\Settings]
"Administrators"="demo"
"Operators"="demo"
"Users"="demo"
REG
  {
    printf '\x01\x00\x00\x00'                                                     # settings
    printf '\x01\x00\x00\x00'; le16 2; le16 "$port"; le16 2; le16 "$(free_port)" # connection
    printf '\x01\x00\x00\x00\x0b\x00\x00\x00'                                     # input
    # screen: full refresh off, foreground refresh 1000 ms, capture interval, level 6
    printf '\x02\x00\x00\x00\xff\xff\xff\xff\xe8\x03\x00\x00'; le32 "$interval"; printf '\x06\x00\x00\x00'
    printf '\x01\x00\x00\x00\x01\x00\x00\x00'                                     # tray: silent
  } >"$work/settings/Settings.dat"
  env VIEWKEEPER_REGISTRY_DIR="$work/registry" \
      LD_PRELOAD="libpam_wrapper.so:libnss_wrapper.so" \
      PAM_WRAPPER=1 PAM_WRAPPER_SERVICE_DIR="$work/pam" PAM_MATRIX_PASSWD="$work/pam/passdb" \
      NSS_WRAPPER_PASSWD="$work/passwd" NSS_WRAPPER_GROUP="$work/group" \
      build/bin/deskagent >"$work/deskagent.out" 2>&1 &
  agent_pid=$!
}
