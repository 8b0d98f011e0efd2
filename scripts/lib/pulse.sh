# Sourced by the scripts: a private PulseAudio server whose default sink is
# a null sink; its monitor source, the default source, loops whatever is
# played back into capture. Started when no server answers, or always with
# --always (the tests: they must not play on a desktop's speakers nor record
# its microphone).

start_private_pulse() {
  if [ "${1:-}" != --always ] && pactl info >/dev/null 2>&1; then
    return 0
  fi
  PRIVATE_PULSE_DIR=$(mktemp -d /tmp/velmora-pulse.XXXXXX)
  export PULSE_SERVER="unix:$PRIVATE_PULSE_DIR/native"
  export PULSE_RUNTIME_PATH="$PRIVATE_PULSE_DIR"
  HOME="$PRIVATE_PULSE_DIR" pulseaudio -n --daemonize=no --exit-idle-time=-1 \
    --use-pid-file=no --system=false -F /dev/null \
    --load="module-null-sink sink_name=velmora_null rate=48000 channels=2" \
    --load="module-native-protocol-unix socket=$PRIVATE_PULSE_DIR/native auth-anonymous=1" \
    >"$PRIVATE_PULSE_DIR/server.log" 2>&1 &
  PRIVATE_PULSE_PID=$!
  for _ in $(seq 100); do
    pactl info >/dev/null 2>&1 && break
    sleep 0.1
  done
  if ! pactl info >/dev/null 2>&1; then
    echo "could not start a private PulseAudio server:" >&2
    cat "$PRIVATE_PULSE_DIR/server.log" >&2
    return 1
  fi
  pactl set-default-sink velmora_null >/dev/null
  pactl set-default-source velmora_null.monitor >/dev/null
}

stop_private_pulse() {
  if [ -n "${PRIVATE_PULSE_PID:-}" ]; then
    kill "$PRIVATE_PULSE_PID" 2>/dev/null || true
    wait "$PRIVATE_PULSE_PID" 2>/dev/null || true
    rm -rf "$PRIVATE_PULSE_DIR"
    PRIVATE_PULSE_PID=
  fi
}

# A null sink renders, and so feeds its monitor, in blocks as long as the
# latency of what plays into it: idle, in blocks of about 10 ms, which no
# sound card's converter does. A silent stream of 5 ms latency keeps it
# rendering steadily, as a card records, for the capture benchmark.
start_steady_sink() {
  if [ -z "${PRIVATE_PULSE_PID:-}" ]; then
    return 0
  fi
  pacat --playback --latency-msec=5 /dev/zero >/dev/null 2>&1 &
  STEADY_SINK_PID=$!
  sleep 2
}

stop_steady_sink() {
  if [ -n "${STEADY_SINK_PID:-}" ]; then
    kill "$STEADY_SINK_PID" 2>/dev/null || true
    wait "$STEADY_SINK_PID" 2>/dev/null || true
    STEADY_SINK_PID=
  fi
}
