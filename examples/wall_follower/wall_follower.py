#!/usr/bin/env python3
"""wall_follower in Python: the same rule as wall_follower.cpp.

    wall_follower.py [--distance METRES]     (default 0.1; from 0.03 to 0.2)
"""
import sys

import arena_controller as ac

RANGE = 0.3  # the world's lookup: 1000 at the sensor, 0 at RANGE metres
STEP_MS = 64
CRUISE = 100


def reading_at(metres):
    return 1000.0 * (1.0 - metres / RANGE)


def distance_from(argv):
    distance, args = 0.1, list(argv[1:])
    while args:
        arg = args.pop(0)
        try:
            if arg == "--distance" and args:
                distance = float(args.pop(0))
                if 0.03 <= distance <= 0.2:
                    continue
        except ValueError:
            pass
        sys.exit(f"wall_follower.py: usage: wall_follower.py [--distance METRES], 0.03 to 0.2 (got \"{arg}\")")
    return distance


distance = distance_from(sys.argv)
side_target = reading_at(distance * 2 ** 0.5)  # the side ray meets the wall at 45 degrees
front_limit = reading_at(distance + 0.04)
front = side = 0


def reset():
    global front, side
    front = ac.robot_get_device("front")
    side = ac.robot_get_device("side")
    ac.distance_sensor_enable(front, STEP_MS)
    ac.distance_sensor_enable(side, STEP_MS)


def run():
    ahead = ac.distance_sensor_get_value(front)
    beside = ac.distance_sensor_get_value(side)
    if ahead > front_limit:
        left, right = -CRUISE // 2, CRUISE // 2  # a wall ahead: turn left on the spot
    elif beside == 0:
        left, right = CRUISE, CRUISE // 2  # no wall in sight: curve right to find one
    else:
        turn = int(max(-60.0, min(60.0, 0.15 * (beside - side_target))))
        left, right = CRUISE - turn, CRUISE + turn
    ac.differential_wheels_set_speed(left, right)
    return STEP_MS


ac.robot_live(reset)
ac.robot_run(run)
