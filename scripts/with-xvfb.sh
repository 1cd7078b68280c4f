#!/usr/bin/env bash
# Runs a command inside a private Xvfb server, which is stopped afterwards.
# The command's own exit status is returned.
set -euo pipefail

runtime_dir=$(mktemp -d /tmp/tavilo-xvfb.XXXXXX)
chmod 700 "$runtime_dir"
fifo="$runtime_dir/displayfd"
mkfifo "$fifo"

Xvfb -displayfd 3 -screen 0 1440x900x24 -nolisten tcp -noreset 3>"$fifo" >"$runtime_dir/xvfb.log" 2>&1 &
xvfb_pid=$!
cleanup() {
  kill "$xvfb_pid" 2>/dev/null || true
  wait "$xvfb_pid" 2>/dev/null || true
  rm -rf "$runtime_dir"
}
trap cleanup EXIT

display=""
if ! read -r -t 20 display <"$fifo" || [[ -z "$display" ]]; then
  echo "with-xvfb: Xvfb did not start:" >&2
  cat "$runtime_dir/xvfb.log" >&2
  exit 1
fi

export DISPLAY=":$display"
unset WAYLAND_DISPLAY
export XDG_RUNTIME_DIR="$runtime_dir"
export QT_QPA_PLATFORM=xcb
set +e
"$@"
status=$?
set -e
exit $status
