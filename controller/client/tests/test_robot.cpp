// A small controller that the client tests start under a fake arena. The
// first argument picks what it does; it prints what it reads on stdout so
// that the test can compare.
#include <cstdio>
#include <cstring>

#include "controller.h"

static DeviceTag ir0, gps, camera, ircom, emitter;
static int steps;

static void find_devices(void) {
    ir0 = robot_get_device("ir0");
    gps = robot_get_device("gps");
    camera = robot_get_device("camera");
    ircom = robot_get_device("ircom");
    emitter = robot_get_device("emitter");
}

// Everything a program can read, on one line.
static void print_reads(const char* when) {
    const float* m = gps_get_matrix(gps);
    printf("%s: name=%s ir0=%u gps=%g,%g,%g", when, robot_get_name(), distance_sensor_get_value(ir0), m[12], m[13],
           m[14]);
    printf(" keys=");
    for (int k = robot_keyboard_get_key(); k != 0; k = robot_keyboard_get_key()) printf("%d,", k);
    printf(" packet=%d:%s\n", receiver_get_buffer_size(ircom), (const char*)receiver_get_buffer(ircom));
}

// Every operation with tags that are not devices of that kind.
static void use_bad_tags(void) {
    const DeviceTag bad[] = {0, ir0 /* not a gps, camera, receiver or emitter */, 200, 255};
    for (DeviceTag t : bad) {
        distance_sensor_enable(t == ir0 ? 0 : t, 64);
        gps_enable(t, 64);
        camera_enable(t, 64);
        receiver_enable(t, 64);
        emitter_enable(t, 64);
        emitter_send(t, "x", 1);
        const float* m = gps_get_matrix(t);
        const unsigned char* img = camera_get_image(t);
        printf("bad %u: d=%u m=%g,%g,%g,%g img=%dx%d:%u size=%d buf=%u\n", t,
               t == ir0 ? 0 : distance_sensor_get_value(t), m[0], m[5], m[10], m[15], camera_get_width(t),
               camera_get_height(t), img[0], receiver_get_buffer_size(t),
               *(const unsigned char*)receiver_get_buffer(t));
    }
    printf("missing=%u null=%u\n", robot_get_device("nope"), robot_get_device(NULL));
}

static void reset_reads(void) {
    find_devices();
    print_reads("reset");
    use_bad_tags();
}

static void reset_commands(void) {
    find_devices();
    gps_enable(gps, 32);
    distance_sensor_enable(ir0, 64);
    emitter_enable(emitter, 64);
    robot_keyboard_enable(32);
}

static int run_commands(void) {
    ++steps;
    differential_wheels_set_speed(7, -steps);
    if (steps == 3) differential_wheels_set_speed(100000, -100000);  // the last call wins, saturated
    custom_robot_set_rel_force_and_torque(0.5f, 2.4525f, 0, 0, -0.25f, 1e-7f);
    custom_robot_move(0.1f * steps, 0.2f, 0.3f, 0, 1, 0, 1.5f);
    robot_console_print("part one, ");
    snprintf(robot_get_formated_string(), 1024, "step %d\n", steps);
    robot_console_print(robot_get_formated_string());
    emitter_send(emitter, "\x01\x02", 2);
    emitter_send(emitter, "abc", 4);
    return 32;
}

static void reset_camera(void) { find_devices(); }

static int run_camera(void) {
    ++steps;
    if (steps == 2 || steps == 3) {
        const unsigned char* a = camera_get_image(camera);
        const unsigned char* b = camera_get_image(camera);
        printf("image %dx%d first=%u,%u,%u same=%d\n", camera_get_width(camera), camera_get_height(camera), a[0], a[1],
               a[2], a == b);
    } else {
        printf("size %dx%d\n", camera_get_width(camera), camera_get_height(camera));
    }
    return 64;
}

static int run_prints(void) {
    printf("step %d\n", ++steps);  // no fflush: the library must push it out
    return 64;
}

// Prints on stdout in step 1, on stderr in step 3, nothing in between.
static int run_prints_now_and_then(void) {
    ++steps;
    if (steps == 1) printf("out %d\n", steps);
    if (steps == 3) fprintf(stderr, "err %d\n", steps);
    return 64;
}

int main(int argc, char** argv) {
    const char* mode = argc > 1 ? argv[1] : "";
    if (strcmp(mode, "reads") == 0) {
        robot_live(reset_reads);
        for (;;) {
            robot_step(64);
            print_reads("step");
        }
    }
    if (strcmp(mode, "commands") == 0) {
        robot_live(reset_commands);
        robot_run(run_commands);
    } else if (strcmp(mode, "camera") == 0) {
        robot_live(reset_camera);
        robot_run(run_camera);
    } else if (strcmp(mode, "prints") == 0) {
        robot_live(NULL);
        robot_run(run_prints);
    } else if (strcmp(mode, "prints now and then") == 0) {
        robot_live(NULL);
        robot_run(run_prints_now_and_then);
    } else {
        robot_live(NULL);
    }
    printf("run returned\n");
    return 0;
}
