#!/usr/bin/env python3
"""python_step_rate: controller steps per wall-clock second of a Python
avoider (bench/ir_avoider.py, over arena_controller) against the C++
ir_avoider, in the same world, side by side in one run.

The world is obstacle_room with its ir_avoider robot alone; the two versions
take turns, ROUNDS times each, and each run's stepping time is the arena's
own figure (from the first step to the last, without starting up). Prints
each one's median and best rate, the median of the rounds' ratios, and the
time a Python step adds; and, steadier on a busy machine, steps per CPU
second of the arena and its controller together.

Run by hand from the top of the tree, after building:

    bench/python_step_rate.py [BUILD_DIR] [ROUNDS] [SECONDS]
"""
import os
import re
import resource
import shutil
import statistics
import subprocess
import sys
import tempfile
from pathlib import Path

HERE = Path(__file__).resolve().parent
STEP_S = 0.064


def world_copy(into, controller):
    """obstacle_room with only its first robot, driven by `controller`."""
    shutil.copytree(HERE.parent / "worlds" / "obstacle_room", into)
    toml = (into / "world.toml").read_text()
    first_only = toml[:toml.index("[[robot]]", toml.index("[[robot]]") + 1)]
    (into / "world.toml").write_text(first_only.replace('controller = "ir_avoider"', f'controller = "{controller}"'))


def cpu_seconds():
    """CPU time of every finished child so far: the arena, and the
    controllers it reaped."""
    u = resource.getrusage(resource.RUSAGE_CHILDREN)
    return u.ru_utime + u.ru_stime


def stepping_seconds(arena, world, seconds, env):
    """(simulated s, wall s of stepping, CPU s of the whole run)."""
    cpu = cpu_seconds()
    r = subprocess.run([arena, "run", str(world), "--no-record", "--duration", str(seconds)],
                       capture_output=True, text=True, env=env)
    if r.returncode != 0:
        sys.exit(f"arena run {world} failed ({r.returncode}):\n{r.stderr}")
    m = re.search(r"ran ([0-9.]+) s of simulated time in ([0-9.]+) s", r.stderr + r.stdout)
    if not m:
        sys.exit(f"arena run {world}: no timing line in its output:\n{r.stderr}")
    return float(m.group(1)), float(m.group(2)), cpu_seconds() - cpu


def main():
    build = Path(sys.argv[1] if len(sys.argv) > 1 else "build").resolve()
    rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    seconds = float(sys.argv[3]) if len(sys.argv) > 3 else 120.0
    env = dict(os.environ, PYTHONPATH=str(build / "lib" / "python3" / "dist-packages"))
    with tempfile.TemporaryDirectory(prefix="python_step_rate_") as tmp:
        worlds = {"C++ ir_avoider": Path(tmp) / "cpp", "Python ir_avoider.py": Path(tmp) / "python"}
        world_copy(worlds["C++ ir_avoider"], "ir_avoider")
        world_copy(worlds["Python ir_avoider.py"], "./ir_avoider.py")
        shutil.copy(HERE / "ir_avoider.py", worlds["Python ir_avoider.py"])
        rates = {name: [] for name in worlds}
        cpu_rates = {name: [] for name in worlds}
        for _ in range(rounds):
            for name, world in worlds.items():
                simulated, wall, cpu = stepping_seconds(str(build / "bin" / "arena"), world, seconds, env)
                rates[name].append(simulated / STEP_S / wall)
                cpu_rates[name].append(simulated / STEP_S / cpu)
    for name, r in rates.items():
        print(f"{name:22} {statistics.median(r):10.0f} steps/s median, {max(r):.0f} best, "
              f"{statistics.median(cpu_rates[name]):.0f} per CPU second ({rounds} runs of {seconds:g} simulated s)")
    print("Python / C++ steps per CPU second (arena and controller, start-up included): "
          f"{statistics.median(cpu_rates[list(worlds)[1]]) / statistics.median(cpu_rates[list(worlds)[0]]):.3f}")
    cpp, python = rates.values()
    # Each round's two runs are neighbours in time, so their ratio is the
    # least disturbed by whatever else the machine is doing.
    ratio = statistics.median(p / c for p, c in zip(python, cpp))
    added = statistics.median(1e6 / p - 1e6 / c for p, c in zip(python, cpp))
    print(f"Python / C++ step rate: {ratio:.3f} (median of the rounds); a Python step adds {added:.0f} us")


if __name__ == "__main__":
    main()
