#!/usr/bin/env python3
"""ir_avoider's steering rule in Python, for python_step_rate.py: straight
ahead at 100, turning on the spot while a sensor reads above 200."""
import arena_controller as ac

ir0 = ir1 = 0


def reset():
    global ir0, ir1
    ir0 = ac.robot_get_device("ir0")
    ir1 = ac.robot_get_device("ir1")
    ac.distance_sensor_enable(ir0, 64)
    ac.distance_sensor_enable(ir1, 64)


def run():
    left_reading = ac.distance_sensor_get_value(ir0)
    right_reading = ac.distance_sensor_get_value(ir1)
    if right_reading > 200:
        ac.differential_wheels_set_speed(-20, 20)
    elif left_reading > 200:
        ac.differential_wheels_set_speed(20, -20)
    else:
        ac.differential_wheels_set_speed(100, 100)
    return 64


ac.robot_live(reset)
ac.robot_run(run)
