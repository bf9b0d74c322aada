# Sourced by the benchmarks: the agent on $DISPLAY with the demo account
# (pam_wrapper and nss_wrapper, as in scripts/demo), in the folder $work.
#
#   start_agent UPDATE_PORT CAPTURE_INTERVAL_MS   # sets agent_pid and password
# The caller runs from the source root and kills $agent_pid at the end.

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
