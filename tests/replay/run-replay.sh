#!/usr/bin/env bash
# Plays a recorded session back with fiscal-sim --replay and runs a fiscal-cli
# script against it, as a regression test of the host's side of the line.
#
#   run-replay.sh FISCAL_SIM FISCAL_CLI SESSION.rec SCRIPT.cli [DIFFERENCE]
#
# Without DIFFERENCE it passes when every frame matched and both programs
# succeeded. With DIFFERENCE it passes when the replay reported a difference
# whose message contains DIFFERENCE (the host's run then fails as well).
set -u
sim=$1 cli=$2 session=$3 script=$4 expected=${5-}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

"$sim" --replay "$session" --instant >"$dir/path" 2>"$dir/sim.err" </dev/null &
pid=$!
for _ in $(seq 200); do
  [ -s "$dir/path" ] && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.05
done
line=$(head -1 "$dir/path")
if [ -z "$line" ]; then
  echo "run-replay: fiscal-sim did not start" >&2
  cat "$dir/sim.err" >&2
  kill "$pid" 2>/dev/null
  exit 1
fi
"$cli" --device "$line" --script "$script" >"$dir/cli.out" 2>"$dir/cli.err"
cli_rc=$?
wait "$pid"
sim_rc=$?
cat "$dir/cli.out"
cat "$dir/sim.err" >&2

if [ -z "$expected" ]; then
  if [ "$sim_rc" -ne 0 ] || [ "$cli_rc" -ne 0 ]; then
    echo "run-replay: replay exit $sim_rc, fiscal-cli exit $cli_rc" >&2
    cat "$dir/cli.err" >&2
    exit 1
  fi
  exit 0
fi
if [ "$sim_rc" -ne 1 ] || ! grep -qF -- "$expected" "$dir/sim.err"; then
  echo "run-replay: expected a difference \"$expected\" (replay exit $sim_rc)" >&2
  exit 1
fi
exit 0
