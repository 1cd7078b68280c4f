#!/usr/bin/env bash
# CPU use of the running app while idle and while scrolling a long script, measured from
# /proc/PID/stat (user + system time) over a fixed window, under a private Xvfb.
# Usage: bench/cpu-usage.sh [path/to/tavilo] [seconds] [width] [height] [notch|floating]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
binary=${1:-$here/../build/release/tavilo}
window=${2:-10}
width=${3:-600}
height=${4:-150}
mode=${5:-notch}
[[ -x "$binary" ]] || { echo "no binary at $binary" >&2; exit 1; }

measure() {
  home=$(mktemp -d)
  trap 'rm -rf "$home"' EXIT
  export HOME=$home XDG_CONFIG_HOME=$home/c XDG_DATA_HOME=$home/d XDG_STATE_HOME=$home/s XDG_RUNTIME_DIR=$home/r
  mkdir -p "$home/c/Tavilo" "$home/r"; chmod 700 "$home/r"
  # 10,000 words in sentences of ten.
  script=$(python3 -c "
import json, random
random.seed(7)
words = 'the quick brown fox jumps over a lazy dog while we speak clearly to every camera'.split()
sentences = [' '.join(random.choice(words) for _ in range(10)).capitalize() + '.' for _ in range(1000)]
print(json.dumps(' '.join(sentences)))")
  cat >"$home/c/Tavilo/preferences.json" <<JSON
{"hasSavedSession": true, "countdownBehavior": "never", "scrollMode": "infinite",
 "displayMode": "$mode", "overlayWidth": $width, "overlayHeight": $height,
 "floatingWidth": $width, "floatingHeight": $height, "script": $script}
JSON
  "$binary" 2>/dev/null &
  pid=$!
  sleep 2
  ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
  hz=$(getconf CLK_TCK)
  a=$(ticks); sleep "$window"; b=$(ticks)
  idle=$(python3 -c "print(f'{100.0 * ($b - $a) / $hz / $window:.2f}')")
  "$binary" --command startPause
  sleep 2
  a=$(ticks); sleep "$window"; b=$(ticks)
  scrolling=$(python3 -c "print(f'{100.0 * ($b - $a) / $hz / $window:.2f}')")
  kill "$pid"; wait "$pid" || true
  echo "$mode panel ${width}x${height}, 10,000 words: idle ${idle} % of one core, scrolling ${scrolling} % of one core (over ${window} s each)"
}

if [[ -z "${DISPLAY:-}" ]]; then
  export -f measure; export binary window width height mode
  exec "$here/../scripts/with-xvfb.sh" bash -c measure
fi
measure
