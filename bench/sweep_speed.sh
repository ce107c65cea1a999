#!/usr/bin/env bash
# The sweep's speed, side by side in one run (by hand, never by ctest):
#   1. FLIGHTS flights of the 120 s gate course started one by one with
#      `arena run --no-record`, one after the other;
#   2. the same flights as a sweep with --jobs 1 --keep none: the ratio of
#      2 to 1 is the sweep's overhead per run;
#   3. MANY flights (default 1000) as a sweep with --jobs 2 --keep none,
#      the whole machine's throughput.
#
#   bench/sweep_speed.sh [BUILD_DIR] [FLIGHTS] [MANY]
# Steps 1 and 2 alternate in ROUNDS rounds (default 3) so that a host whose
# speed drifts weighs on both alike; each is reported per round.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$here/build}"
flights="${2:-100}"
many="${3:-1000}"
rounds="${ROUNDS:-3}"
arena="$build/bin/arena"
world="$here/worlds/gate_course"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

spec() {  # spec FILE RUNS: RUNS flights of the whole course, seeds 1..RUNS
    cat > "$1" <<SPEC
world = "$world"
runs = $2
[[vary]]
key = "duration"
values = [120.0]
SPEC
}
now() { date +%s.%N; }
seconds() { awk -v a="$1" -v b="$2" 'BEGIN { print b - a }'; }

spec "$work/few.toml" "$flights"
spec "$work/many.toml" "$many"

for round in $(seq "$rounds"); do
    t0=$(now)
    for seed in $(seq 1 "$flights"); do
        "$arena" run "$world" --no-record --seed "$seed" --duration 120 > /dev/null 2>&1
    done
    t1=$(now)
    rm -rf "$work/few"
    "$arena" sweep "$work/few.toml" --out "$work/few" --jobs 1 --keep none 2> /dev/null
    t2=$(now)
    one=$(seconds "$t0" "$t1")
    swept=$(seconds "$t1" "$t2")
    printf 'round %d: %d flights one by one %.2f s, as a sweep (--jobs 1) %.2f s: overhead %+.1f %%\n' \
        "$round" "$flights" "$one" "$swept" "$(awk -v s="$swept" -v o="$one" 'BEGIN { print (s / o - 1) * 100 }')"
done

t0=$(now)
"$arena" sweep "$work/many.toml" --out "$work/many" --jobs 2 --keep none 2> /dev/null
t1=$(now)
# Columns: index, point, seed, duration, success, status, ...
ok=$(awk -F, 'NR > 1 && $6 == 0' "$work/many/results.csv" | wc -l)
printf '%d flights of 120 s as a sweep (--jobs 2, --keep none): %.1f s of wall time (%d rows with status 0)\n' \
    "$many" "$(seconds "$t0" "$t1")" "$ok"
