#!/usr/bin/env bash
# Stops the server that start.sh started (only the processes it recorded) and removes its folder.
state=$1
# Last started first: the pulse layer and the session manager before the graph and the bus.
# A process whose parent is gone may stay a zombie for a while: it has ended all the same.
running() { [ -e "/proc/$1" ] && ! grep -q '^State:.*Z' "/proc/$1/status" 2> /dev/null; }
for pid in $(tac "$state"/pid 2> /dev/null); do
    kill "$pid" 2> /dev/null || continue
    for _ in $(seq 50); do running "$pid" || break; sleep 0.1; done
    running "$pid" && kill -9 "$pid" 2> /dev/null
done
[ -f "$state/dir" ] && rm -rf "$(cat "$state/dir")"
rm -rf "$state"
exit 0
