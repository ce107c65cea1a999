#!/usr/bin/env python3
"""ir_listener in Python, over arena_controller: the same console lines.
Each step also print()s "step N" on standard output; with --fail-at N, run
raises in step N."""
import sys

import arena_controller as ac

fail_at = int(sys.argv[2]) if sys.argv[1:2] == ["--fail-at"] else 0
steps = 0
ir0 = ir1 = ircom = 0


def reset():
    global ir0, ir1, ircom
    ir0 = ac.robot_get_device("ir0")
    ir1 = ac.robot_get_device("ir1")
    ircom = ac.robot_get_device("ircom")
    ac.robot_console_print(f"reset: robot name is {ac.robot_get_name()}\n")
    ac.robot_console_print(f"device tags are {ir0} {ir1} {ircom}\n")
    ac.distance_sensor_enable(ir0, 64)
    ac.distance_sensor_enable(ir1, 64)
    ac.receiver_enable(ircom, 64)


def run():
    global steps
    steps += 1
    print(f"step {steps}")
    if steps == fail_at:
        raise RuntimeError(f"failing in step {steps} on purpose")
    size = ac.receiver_get_buffer_size(ircom)
    if size > 0:
        packet = ac.receiver_get_buffer(ircom)
        assert isinstance(packet, bytes) and len(packet) == size
        ac.robot_console_print(b"received %d bytes: " % size + packet.split(b"\0")[0] + b"\n")
    return 64


ac.robot_live(reset)
ac.robot_run(run)
