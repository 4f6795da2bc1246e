#!/usr/bin/env bash
# Stops the server that start.sh started (only the processes it recorded) and removes its folder.
state=$1
# Last started first: the pulse layer and the session manager before the graph and the bus.
for pid in $(tac "$state"/pid 2> /dev/null); do
    kill "$pid" 2> /dev/null || continue
    for _ in $(seq 50); do kill -0 "$pid" 2> /dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2> /dev/null || true
done
[ -f "$state/dir" ] && rm -rf "$(cat "$state/dir")"
rm -rf "$state"
exit 0
