#include "scenario.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace pilot {

const char *const ceilingLine = "P.A. on: Evitando salida a la estratosfera\n";
const char *const warningLine = "WARNING!!\tWARNING!! Altura demasiado baja!!\n";
const char *const emergencyLine = "P.A. on: INICIANDO MANIOBRA DE EMERGENCIA!!\n";
const char *const arrivalLine = "\nHe llegado a mi destino!!!\n";
const char *const dockedLine = "\nDocking COMPLETADO\n";

std::string gps(const std::array<float, 16> &m) {
    std::string line = "gps";
    char number[32];
    for (float v : m) {
        std::snprintf(number, sizeof number, " %.9g", double(v));
        line += number;
    }
    return line + "\n";
}

std::string gps(double heading, float x, float y, float z, float scale) {
    // Columns: the craft's forward, up and right axes in the world.
    const float c = float(std::cos(heading)), s = float(std::sin(heading));
    return gps({c, 0, s, 0, 0, 1, 0, 0, -s, 0, c, 0, x, y, z, scale});
}

std::string header(int steps, const std::string &devices) {
    return "devices " + devices + "\nsteps " + std::to_string(steps) + "\n";
}

script::Result run(const std::string &scenario) {
    script::Result r = script::run(script::scripted("gate_pilot"), scenario);
    EXPECT_EQ(r.status, 0) << r.err << "\n" << scenario;
    return r;
}

std::vector<Forces> forces(const script::Result &r) {
    std::vector<Forces> all;
    for (const script::Call &c : script::calls_named(r, "custom_robot_set_rel_force_and_torque")) {
        EXPECT_EQ(c.step, int(all.size())) << "one call per pass";
        Forces f{};
        for (std::size_t i = 0; i < 6 && i < c.args.size(); ++i) f[i] = std::strtof(c.args[i].c_str(), nullptr);
        all.push_back(f);
    }
    return all;
}

std::vector<std::string> consoleOf(const script::Result &r, int step) {
    std::vector<std::string> lines;
    for (const script::Call &c : script::calls_named(r, "robot_console_print"))
        if (c.step == step && !c.args.empty()) lines.push_back(c.args[0]);
    return lines;
}

std::vector<std::string> callsOf(const script::Result &r, int step) {
    std::vector<std::string> names;
    for (const script::Call &c : r.calls)
        if (c.step == step) names.push_back(c.name);
    return names;
}

Forces atRest(double cmdFwd, double cmdYaw, double cmdVert) {
    const double mg = 0.25 * double(9.81f);
    const double lat = 0.05 * cmdYaw, vert = 0.05 * cmdVert;
    return {float(0.05 * cmdFwd),
            float(mg - vert),
            0,
            float(-0.52 * lat * std::sin(0.04)),
            float(-0.52 * lat * std::cos(0.04)),
            float(0.005 * mg - 0.12 * vert * std::cos(0.12))};
}

void expectForces(const Forces &got, const Forces &want, double tolerance) {
    for (int i = 0; i < 6; ++i) EXPECT_NEAR(got[i], want[i], tolerance) << "argument " << i;
}

}  // namespace pilot
