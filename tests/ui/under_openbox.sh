#!/usr/bin/env bash
# Runs PROGRAM [ARGS...] on a private Xvfb display managed by openbox, once
# openbox has taken the screen, and passes on its exit status.
set -euo pipefail
if [[ -z ${TORVANE_UNDER_OPENBOX:-} ]]; then
    export TORVANE_UNDER_OPENBOX=1
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi
openbox --sm-disable > /dev/null 2>&1 &
openbox_pid=$!
trap 'kill "$openbox_pid" 2> /dev/null || true' EXIT
for _ in $(seq 300); do  # up to 30 s: a loaded machine starts it slowly
    xprop -root _NET_SUPPORTING_WM_CHECK 2> /dev/null | grep -q 'window id' && break
    sleep 0.1
done
xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id' || { echo "openbox did not start" >&2; exit 1; }
"$@"
