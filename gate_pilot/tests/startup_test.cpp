// Start-up: devices, the order of a pass's library calls, the lift passes
// and the missing-device lines.
#include "scenario.h"

#include <gtest/gtest.h>

#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace {

using Names = std::vector<std::string>;

TEST(StartUp, DevicesAreLookedUpAndEnabledThenEachPassCallsInOrder) {
    const script::Result r = pilot::run(pilot::header(2) + "step 0\n" + pilot::gps(0, 0, 1.8f, 0));
    const Names pass = {"distance_sensor_get_value",
                        "distance_sensor_get_value",
                        "camera_get_image",
                        "gps_get_matrix",
                        "gps_euler",
                        "robot_keyboard_get_key",
                        "robot_keyboard_get_key",
                        "robot_keyboard_get_key",
                        "robot_keyboard_get_key",
                        "custom_robot_set_rel_force_and_torque",
                        "robot_step"};
    Names first = {"robot_live",       "robot_get_device",       "robot_get_device",       "robot_get_device",
                   "robot_get_device", "distance_sensor_enable", "distance_sensor_enable", "gps_enable",
                   "camera_enable",    "robot_keyboard_enable"};
    first.insert(first.end(), pass.begin(), pass.end());
    EXPECT_EQ(pilot::callsOf(r, 0), first);
    EXPECT_EQ(pilot::callsOf(r, 1), pass);

    auto args = [&](const std::string &name) {
        std::vector<Names> all;
        for (const script::Call &c : script::calls_named(r, name)) all.push_back(c.args);
        return all;
    };
    EXPECT_EQ(args("robot_get_device"), (std::vector<Names>{{"camera"}, {"gps"}, {"ds0"}, {"ds1"}}));
    EXPECT_EQ(args("distance_sensor_enable"), (std::vector<Names>{{"3", "32"}, {"4", "32"}}));
    EXPECT_EQ(args("gps_enable"), (std::vector<Names>{{"2", "32"}}));
    EXPECT_EQ(args("camera_enable"), (std::vector<Names>{{"1", "32"}}));
    EXPECT_EQ(args("robot_keyboard_enable"), (std::vector<Names>{{"32"}}));
    EXPECT_EQ(args("robot_step"), (std::vector<Names>{{"32"}, {"32"}}));
    EXPECT_EQ(args("distance_sensor_get_value")[1], Names{"4"});
    EXPECT_TRUE(r.out.empty());
}

TEST(StartUp, TheFirstTwoPassesSendTheFixedLiftWhateverIsAsked) {
    const script::Result r = pilot::run(pilot::header(3) + "step 0\n" + pilot::gps(0, 3, 4.5f, 0) +
                                        "ds0 950\nkeys 80 317\n" + "step 1\nkeys 318\n");
    const auto f = pilot::forces(r);
    ASSERT_EQ(f.size(), 3u);
    const pilot::Forces lift = {0, 2.45f, 0, 0, 0, 0};
    EXPECT_EQ(f[0], lift);
    EXPECT_EQ(f[1], lift);
    // The computed force from then on: at rest, climbing hard under the
    // emergency override.
    pilot::expectForces(f[2], pilot::atRest(0, 0, -2));
}

TEST(MissingDevices, EachGetsItsLineOnStandardOutputAndTheCraftFliesOn) {
    script::Result r = pilot::run(pilot::header(3, "camera gps"));
    EXPECT_EQ(r.out, "Distance Sensor 0 is missing!\nDistance Sensor 1 is missing!\n");
    EXPECT_EQ(pilot::forces(r).size(), 3u);
    for (const script::Call &c : script::calls_named(r, "distance_sensor_enable"))
        EXPECT_EQ(c.args, (Names{"0", "32"}));

    r = pilot::run(pilot::header(3, "lidar"));
    EXPECT_EQ(r.out,
              "Camera is missing!\nGPS is missing!\nDistance Sensor 0 is missing!\n"
              "Distance Sensor 1 is missing!\n");
    const auto f = pilot::forces(r);
    ASSERT_EQ(f.size(), 3u);
    for (float v : f[2]) EXPECT_TRUE(std::isfinite(v));
    EXPECT_TRUE(script::console(r).empty());
}

// Under the simulator standard output is a pipe: a missing-device line must
// arrive while the controller runs, not when it ends. The run below would
// last for hours; the line has to be readable long before.
TEST(MissingDevices, LinesReachAPipeWhileTheProgramRuns) {
    char scenarioPath[] = "/tmp/gate_pilot_pipe_XXXXXX";
    const int fd = mkstemp(scenarioPath);
    ASSERT_GE(fd, 0);
    close(fd);
    std::ofstream(scenarioPath) << "devices gps ds0 ds1\nsteps 2000000000\ntrace 0 0\n";

    int out[2];
    ASSERT_EQ(pipe(out), 0);
    const std::string program = script::scripted("gate_pilot");
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);  // never outlive a test that timed out
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        setenv("SCRIPT_SCENARIO", scenarioPath, 1);
        setenv("SCRIPT_TRACE", "/dev/null", 1);
        execl(program.c_str(), program.c_str(), static_cast<char *>(nullptr));
        _exit(127);
    }
    close(out[1]);
    std::string line;
    char c;
    while (line.find('\n') == std::string::npos && read(out[0], &c, 1) == 1) line += c;
    int status = 0;
    EXPECT_EQ(waitpid(pid, &status, WNOHANG), 0) << "the program should still be running";
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    close(out[0]);
    std::remove(scenarioPath);
    EXPECT_EQ(line, "Camera is missing!\n");
}

}  // namespace
