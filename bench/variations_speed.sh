#!/bin/bash
# variations_speed: what --set and wind cost a run of the gate course, side
# by side with the plain run in one go (rounds interleaved, so a host that
# changes speed from minute to minute slows every variant alike). Each run
# is the whole `arena run --no-record` command; the best of ROUNDS is kept.
#
#   bench/variations_speed.sh [ARENA] [ROUNDS]     (from the repository root)
set -eu
arena=${1:-build/bin/arena}
rounds=${2:-10}
world=worlds/gate_course

names=(plain "manifest overrides" "scene overrides" "wind with gusts")
args=(""
      "--set seed=7 --set robot.airship.device.ds0.noise=1"
      "--set scene.inertial.airship.mass=0.25 --set scene.option.timestep=0.008"
      "--set wind.airship.gust=0.005 --set wind.airship.time_scale=2")
declare -a best
for ((i = 0; i < rounds; i++)); do
    for k in "${!args[@]}"; do
        start=$(date +%s%N)
        # shellcheck disable=SC2086  # the options are split on purpose
        "$arena" run "$world" --no-record ${args[$k]} >/dev/null 2>&1
        took=$(($(date +%s%N) - start))
        if [ -z "${best[$k]:-}" ] || [ "$took" -lt "${best[$k]}" ]; then best[$k]=$took; fi
    done
done
echo "gate course, 120 s in fast mode, whole command, best of $rounds:"
for k in "${!args[@]}"; do
    printf '  %-20s %.3f s  %.2f x plain\n' "${names[$k]}" "$(bc -l <<<"${best[$k]} / 1000000000")" \
        "$(bc -l <<<"${best[$k]} / ${best[0]}")"
done
