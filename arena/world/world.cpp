#include "arena/world/world.h"

#include "arena/course/course_figures.h"
#include "arena/world/controller_path.h"
#include "arena/world/world_error.h"
#include "devices/custom_drive.h"

namespace arena {
namespace {

// Binds one robot's names to scene ids; `fail` prefixes the manifest place.
class RobotBinder {
public:
    RobotBinder(const World& world, const RobotSpec& robot) : world_(world), robot_(robot) {}

    BoundRobot bind(const std::filesystem::path& programs) const {
        BoundRobot b{&robot_, {}, {}, {}, {}};
        b.body = find(mjOBJ_BODY, robot_.body, "body", robot_.line, "");
        if (b.body == 0) fail(robot_.line, "", "body \"world\" cannot be a robot");
        if (robot_.drive == Drive::custom && !can_place(world_.scene.model(), b.body)) {
            fail(robot_.line, "",
                 "drive \"custom\" needs body \"" + robot_.body + "\" to have a free joint or be mocap");
        }
        if (robot_.wheels) {
            b.wheels = WheelsModel{find(mjOBJ_ACTUATOR, robot_.wheels->left, "actuator", robot_.line, ""),
                                   find(mjOBJ_ACTUATOR, robot_.wheels->right, "actuator", robot_.line, ""),
                                   robot_.wheels->speed_unit};
        }
        for (const DeviceSpec& d : robot_.devices) b.devices.push_back({&d, model_of(d)});
        b.program = find_controller(robot_.controller, world_.folder, programs);
        if (b.program.empty()) {
            fail(robot_.line, "",
                 "controller \"" + robot_.controller + "\" is not an executable program " +
                     (robot_.controller.find('/') == std::string::npos ? "beside arena (" + programs.string() + ")"
                                                                       : "in the world folder"));
        }
        return b;
    }

private:
    DeviceModel model_of(const DeviceSpec& d) const {
        const std::string who = "device \"" + d.name + "\": ";
        int site = d.site.empty() ? -1 : find(mjOBJ_SITE, d.site, "site", d.line, who);
        return device_kind(d.type).bind(d, site);
    }

    int find(int type, const std::string& name, const char* what, int line, const std::string& who) const {
        int id = world_.scene.find(type, name);
        if (id < 0) {
            fail(line, who,
                 "the scene " + world_.scene.file().filename().string() + " has no " + what + " \"" + name + "\"");
        }
        return id;
    }

    [[noreturn]] void fail(int line, const std::string& who, const std::string& what) const {
        throw WorldError(world_.manifest.file.string() + ":" + std::to_string(line) + ": robot \"" + robot_.name +
                         "\": " + who + what);
    }

    const World& world_;
    const RobotSpec& robot_;
};

// The figures read their gates and dock from the scene; checking the names
// now finds every missing one before anything runs.
void check_course(const World& world) {
    const CourseSpec& course = *world.manifest.course;
    try {
        CourseFigures::check(world.scene.model(), course);
    } catch (const std::runtime_error& e) {
        throw WorldError(world.manifest.file.string() + ":" + std::to_string(course.line) + ": " + e.what());
    }
}

// Wind needs a body that moves: on the world, or on a body fixed to it,
// its force would go nowhere, silently.
WindSource bind_wind(const World& world, const WindSpec& w) {
    const mjModel* m = world.scene.model();
    const int body = world.scene.find(mjOBJ_BODY, w.body);
    const std::string where = w.place + ": [[wind]] body \"" + w.body + "\": ";
    if (body < 0) throw WorldError(where + "the scene " + world.scene.file().filename().string() + " has no such body");
    bool moves = false;
    for (int b = body; b > 0; b = m->body_parentid[b]) moves = moves || m->body_dofnum[b] > 0;
    if (!moves) throw WorldError(where + "the body cannot move (it has no joint), so no wind can push it");
    return {body, w.mean, w.gust, w.time_scale};
}

}  // namespace

int course_body(const World& world) {
    for (const BoundRobot& r : world.robots)
        if (r.spec->name == world.manifest.course->robot) return r.body;
    return -1;
}

std::unique_ptr<World> load_world(const std::filesystem::path& folder, const std::filesystem::path& programs,
                                  const Overrides& overrides) {
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) {
        throw WorldError(folder.string() + ": not a world folder (a folder holding world.toml)");
    }
    Manifest manifest = read_manifest(folder / "world.toml", overrides);
    Scene scene(folder / manifest.scene, overrides);
    auto world = std::unique_ptr<World>(new World{folder, std::move(manifest), std::move(scene), {}, {}, overrides});
    for (const RobotSpec& r : world->manifest.robots) world->robots.push_back(RobotBinder(*world, r).bind(programs));
    if (world->manifest.course) check_course(*world);
    for (const WindSpec& w : world->manifest.wind) world->wind.push_back(bind_wind(*world, w));
    return world;
}

}  // namespace arena
