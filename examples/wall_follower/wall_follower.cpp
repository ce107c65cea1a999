// wall_follower: drives along a wall on its right at a set distance, and
// turns left where a wall comes up ahead. Two distance sensors: "front"
// looks straight ahead, "side" 45 degrees to the right.
//
//   wall_follower [--distance METRES]     (default 0.1; from 0.03 to 0.2)
#include <arena/controller.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// The world's lookup for both sensors: 1000 at the sensor, falling in a
// straight line to 0 at kRange metres.
constexpr double kRange = 0.3;
constexpr double kSqrt2 = 1.41421356;
constexpr int kStepMs = 64;
constexpr int kCruise = 100;  // wheel speed units

DeviceTag front, side;
double side_target;  // the side reading with the wall at the set distance
double front_limit;  // a front reading above this: a wall ahead, turn

double reading_at(double metres) { return 1000.0 * (1.0 - metres / kRange); }

void reset() {
    front = robot_get_device("front");
    side = robot_get_device("side");
    distance_sensor_enable(front, kStepMs);
    distance_sensor_enable(side, kStepMs);
}

int run() {
    const double ahead = distance_sensor_get_value(front);
    const double beside = distance_sensor_get_value(side);
    int left = kCruise, right = kCruise;
    if (ahead > front_limit) {
        left = -kCruise / 2;  // a wall ahead: turn left on the spot
        right = kCruise / 2;
    } else if (beside == 0) {
        right = kCruise / 2;  // no wall in sight: curve right to find one
    } else {
        // Nearer than wanted reads higher: steer left, in proportion.
        const int turn = int(std::clamp(0.15 * (beside - side_target), -60.0, 60.0));
        left = kCruise - turn;
        right = kCruise + turn;
    }
    differential_wheels_set_speed(left, right);
    return kStepMs;
}

// The distance to keep, from the command line (world.toml's args).
double distance_from(int argc, char** argv) {
    double distance = 0.1;
    for (int i = 1; i < argc; ++i) {
        char* end = nullptr;
        if (std::strcmp(argv[i], "--distance") == 0 && i + 1 < argc) {
            distance = std::strtod(argv[++i], &end);
            if (*end == '\0' && distance >= 0.03 && distance <= 0.2) continue;
        }
        std::fprintf(stderr, "wall_follower: usage: wall_follower [--distance METRES], 0.03 to 0.2 (got \"%s\")\n",
                     argv[i]);
        std::exit(2);
    }
    return distance;
}

}  // namespace

int main(int argc, char** argv) {
    const double distance = distance_from(argc, argv);
    // The side sensor's ray meets a wall parallel to the robot at 45 degrees.
    side_target = reading_at(distance * kSqrt2);
    front_limit = reading_at(distance + 0.04);
    robot_live(reset);
    robot_run(run);
    return 0;
}
