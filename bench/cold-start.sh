#!/usr/bin/env bash
# Cold start: time from exec of tavilo to its first painted panel frame, over several runs in a
# fresh XDG home each, under a private Xvfb. Prints every run and the median in milliseconds.
# Usage: bench/cold-start.sh [path/to/tavilo] [runs]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
binary=${1:-$here/../build/release/tavilo}
runs=${2:-15}
[[ -x "$binary" ]] || { echo "no binary at $binary (run: make run, or cmake --build build/release)" >&2; exit 1; }

measure() {
  local times=()
  for ((i = 0; i < runs; i++)); do
    home=$(mktemp -d)
    start=$(date +%s%N)
    line=$(HOME=$home XDG_CONFIG_HOME=$home/c XDG_DATA_HOME=$home/d XDG_STATE_HOME=$home/s \
      TAVILO_TRACE_STARTUP=1 "$binary" --quit-after 0.5 2>&1 >/dev/null | grep 'first panel frame' || true)
    rm -rf "$home"
    painted=$(sed -n 's/.*first panel frame at \([0-9]*\) ns.*/\1/p' <<<"$line")
    [[ -n "$painted" ]] || { echo "run $i: no frame reported" >&2; continue; }
    ms=$(( (painted - start) / 1000000 ))
    times+=("$ms")
    echo "run $i: ${ms} ms"
  done
  sorted=($(printf '%s\n' "${times[@]}" | sort -n))
  echo "median cold start to first panel frame: ${sorted[$(( ${#sorted[@]} / 2 ))]} ms over ${#sorted[@]} runs"
}

if [[ -z "${DISPLAY:-}" ]]; then
  export -f measure; export binary runs
  exec "$here/../scripts/with-xvfb.sh" bash -c measure
fi
measure
