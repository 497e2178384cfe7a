#!/bin/sh
# Starts or stops the private JACK server of the sound tests (dummy driver, two loopback ports, no real-time
# scheduling), named by JACK_DEFAULT_SERVER. Usage: jack_server.sh start|stop <state folder>
# The server runs its clients synchronously (-S): a cycle ends when every client has run it, so a client that a
# loaded machine keeps off the processor delays the cycle instead of missing it. Each of its drivers waits for a late
# client at most ten times the client timeout (5 s by default); a client later than that has lost its cycle. A cycle
# that ends later than the period announces an overrun to every client, which refuses the capture running then (as
# it must on a sound card): the period is long, 16384 frames (341 ms), so that only a machine that keeps the server or
# a client off the processor for a third of a second makes one.
set -u
action=$1
state=$2
mkdir -p "$state"
pidfile="$state/jackd.pid"
case "$action" in
start)
    if [ -f "$pidfile" ] && kill -0 "$(cat "$pidfile")" 2>/dev/null; then
        kill "$(cat "$pidfile")" 2>/dev/null
        sleep 1
    fi
    jackd -n "$JACK_DEFAULT_SERVER" -r -S -L 2 -d dummy -r 48000 -p 16384 -w 341333 >"$state/jackd.log" 2>&1 &
    echo $! >"$pidfile"
    i=0
    while [ $i -lt 50 ]; do
        if jack_lsp -s "$JACK_DEFAULT_SERVER" 2>/dev/null | grep -q '^loopback:capture_1$'; then
            exit 0
        fi
        if ! kill -0 "$(cat "$pidfile")" 2>/dev/null; then
            cat "$state/jackd.log" >&2
            exit 1
        fi
        sleep 0.2
        i=$((i + 1))
    done
    echo "JACK server did not come up" >&2
    kill "$(cat "$pidfile")" 2>/dev/null
    exit 1
    ;;
stop)
    if [ -f "$pidfile" ]; then
        pid=$(cat "$pidfile")
        kill "$pid" 2>/dev/null
        i=0
        while kill -0 "$pid" 2>/dev/null && [ $i -lt 50 ]; do
            sleep 0.1
            i=$((i + 1))
        done
        kill -9 "$pid" 2>/dev/null
        rm -f "$pidfile"
    fi
    exit 0
    ;;
esac
exit 2
