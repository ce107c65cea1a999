#!/usr/bin/env python3
"""Installs the project into a fresh prefix and uses it as someone outside
our tree would: builds examples/wall_follower against it with CMake and with
pkg-config, compiles a C program against controller.h and tests it with the
scripted stand-in, and runs the wall follower, in C++ and in Python, in its
own world with the installed arena.

    install_test.py BUILD_DIR SOURCE_DIR CMAKE
"""
import json
import math
import os
import shutil
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

BUILD, SOURCE, CMAKE = (Path(a) for a in sys.argv[1:4])
EXAMPLE = SOURCE / "examples" / "wall_follower"

# A C program touching every kind of operation; it must compile as C99 with
# warnings as errors, and link both libraries with the C compiler alone.
C_PROGRAM = r"""
#include <arena/controller.h>
#include <stdio.h>

static DeviceTag ir;

static void reset(void) {
    ir = robot_get_device("ir");
    distance_sensor_enable(ir, 64);
}

static int run(void) {
    float angles[3];
    gps_euler(gps_get_matrix(0), angles);
    differential_wheels_set_speed(distance_sensor_get_value(ir) > 200 ? -20 : 100, 100);
    snprintf(robot_get_formated_string(), 1024, "%s sees %u", robot_get_name(), distance_sensor_get_value(ir));
    robot_console_print(robot_get_formated_string());
    return 64;
}

int main(void) {
    robot_live(reset);
    robot_run(run);
    return 0;
}
"""

SCENARIO = "name probe\ndevices ir\nsteps 2\nstep 0\nir 100\nstep 1\nir 300\n"


def sh(*args, env=None, cwd=None):
    """Runs a command; its output becomes the failure message."""
    r = subprocess.run([str(a) for a in args], env=env, cwd=cwd, capture_output=True, text=True)
    if r.returncode != 0:
        raise AssertionError(f"{' '.join(map(str, args))} exited with {r.returncode}:\n{r.stdout}{r.stderr}")
    return r.stdout


def pkg_config(prefix, *args):
    env = dict(os.environ, PKG_CONFIG_PATH=str(prefix / "lib" / "pkgconfig"))
    return sh("pkg-config", *args, env=env).split()


def wall_distance(x, z):
    """Distance from a point of the floor to the nearest wall of the room
    (scene.xml: inner faces at 0.8 m, the cut corners' at |x| + |z| = c)."""
    c = 1.4 - 0.025 * 2 ** 0.5
    return min(0.8 - abs(x), 0.8 - abs(z), (c - abs(x) - abs(z)) / 2 ** 0.5)


class Installed(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = Path(tempfile.mkdtemp(prefix="arena_install_"))
        cls.prefix = cls.tmp / "prefix"
        sh(CMAKE, "--install", BUILD, "--prefix", cls.prefix)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.tmp)

    def test_the_layout_users_build_against(self):
        for f in ["bin/arena", "bin/gate_pilot", "bin/ir_avoider", "bin/camera_avoider", "bin/ir_receiver",
                  "bin/ir_listener", "bin/pose_stepper", "bin/ir_beacon", "include/arena/controller.h",
                  "lib/libarena_controller.a", "lib/libarena_controller.so", "lib/libarena_controller_script.a",
                  "lib/pkgconfig/arena-controller.pc", "lib/pkgconfig/arena-controller-script.pc",
                  "lib/cmake/ArenaController/ArenaControllerConfig.cmake",
                  "lib/python3/dist-packages/arena_controller/__init__.py"]:
            self.assertTrue((self.prefix / f).is_file(), f)
        # The shared library shows the C operations and nothing of its insides.
        symbols = sh("nm", "-D", "--defined-only", self.prefix / "lib/libarena_controller.so")
        names = {line.split()[-1] for line in symbols.splitlines()}
        self.assertIn("robot_live", names)
        self.assertFalse([n for n in names if n.startswith("_Z")], "C++ symbols exported")
        # The installed arena finds the installed programs of every installed world.
        for world in sorted((self.prefix / "share/arena/worlds").iterdir()):
            sh(self.prefix / "bin/arena", "check", world)
        # ... and runs one by its name alone, from any folder.
        sh(self.prefix / "bin/arena", "run", "obstacle_room", "--duration", "1", "--no-record", cwd=self.tmp)

    def test_a_c_program_builds_and_runs_under_the_scripted_stand_in(self):
        source = self.tmp / "probe.c"
        source.write_text(C_PROGRAM)
        for pc in ["arena-controller", "arena-controller-script"]:
            sh("cc", "-std=c99", "-Wall", "-Wextra", "-pedantic", "-Werror", source, "-o", self.tmp / pc,
               *pkg_config(self.prefix, "--cflags", "--libs", pc))
        scenario = self.tmp / "probe.scenario"
        scenario.write_text(SCENARIO)
        sh(self.tmp / "arena-controller-script", env=dict(os.environ, SCRIPT_SCENARIO=str(scenario)))
        trace = (self.tmp / "probe.scenario.trace").read_text()
        self.assertIn("0\tdifferential_wheels_set_speed\t100\t100", trace)
        self.assertIn("1\tdifferential_wheels_set_speed\t-20\t100", trace)
        self.assertIn("1\trobot_console_print\tprobe sees 300", trace)

    def test_the_wall_follower_follows_the_wall_in_cpp_and_python(self):
        cmake_build = self.tmp / "cmake_build"
        sh(CMAKE, "-S", EXAMPLE, "-B", cmake_build, f"-DCMAKE_PREFIX_PATH={self.prefix}")
        sh(CMAKE, "--build", cmake_build)
        pc_program = self.tmp / "pkg_config_build" / "wall_follower"
        pc_program.parent.mkdir()
        sh("c++", "-std=c++17", EXAMPLE / "wall_follower.cpp", "-o", pc_program,
           *pkg_config(self.prefix, "--cflags", "--libs", "arena-controller"))
        programs = {"cmake": cmake_build / "wall_follower", "pkg-config": pc_program,
                    "python": EXAMPLE / "wall_follower.py"}
        env = dict(os.environ, PYTHONPATH=str(self.prefix / "lib/python3/dist-packages"))
        for how, program in programs.items():
            with self.subTest(how):
                world = self.tmp / f"world_{how}"
                shutil.copytree(EXAMPLE / "world", world)
                shutil.copy(program, world / "wall_follower")
                rec = self.tmp / f"rec_{how}"
                sh(self.prefix / "bin/arena", "run", world, "--record", rec, "--no-report", env=env)
                self.check_followed(rec)

    def check_followed(self, rec):
        summary = json.loads((rec / "summary.json").read_text())
        self.assertEqual(summary["duration"], 60.0)
        self.assertEqual(summary["exits"]["follower"]["how"], "stopped")
        self.assertEqual(summary["contacts"]["follower"], [])
        rows = (rec / "poses.csv").read_text().splitlines()[1:]
        points = [(float(f[2]), float(f[4])) for f in (r.split(",") for r in rows) if f[1] == "robot"]
        travelled = sum(math.dist(a, b) for a, b in zip(points, points[1:]))
        self.assertGreater(travelled, 4.0)  # round most of the room, through its corners
        farthest = max(wall_distance(x, z) for x, z in points)
        self.assertLess(farthest, 0.25)  # never off into the middle of the room


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
