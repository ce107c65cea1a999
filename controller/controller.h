/* The Controller library: the only way a robot program reaches its robot.
 *
 * One program drives one robot from one thread. Device operations take the
 * tag that robot_get_device returned; tag 0 means "no such device" and every
 * operation accepts it without harm (reads give a neutral value: 0, an empty
 * buffer, the identity matrix). Periods and durations are milliseconds.
 * Pointers handed out belong to the library and stay valid until the next
 * robot_step (or the next run call); a program never frees them.
 */
#ifndef CONTROLLER_CONTROLLER_H
#define CONTROLLER_CONTROLLER_H

#ifdef __cplusplus
extern "C" {
#endif

/* A device handle: 1 to 255 for a device of this robot, 0 for none. */
typedef unsigned char DeviceTag;

/* --- life cycle ------------------------------------------------------- */

/* Connects to the simulator and runs reset once; reset has run on return. */
void robot_live(void (*reset)(void));
/* Calls run once per step and advances by the milliseconds it returns;
   returns when the simulation ends. */
void robot_run(int (*run)(void));
/* Sends this step's commands and advances the simulation by ms; when the
   simulation ends it ends the process with status 0. Returns 0. */
int robot_step(int ms);

/* --- robot ------------------------------------------------------------ */

/* The tag of the named device, 0 if this robot has none. */
DeviceTag robot_get_device(const char *name);
/* The robot's name, zero-terminated. */
const char *robot_get_name(void);

/* --- enabling: sampling every period ms from then on ------------------ */

void distance_sensor_enable(DeviceTag tag, int period);
void camera_enable(DeviceTag tag, int period);
void gps_enable(DeviceTag tag, int period);
void receiver_enable(DeviceTag tag, int period);
void emitter_enable(DeviceTag tag, int period);
void robot_keyboard_enable(int period);

/* --- reads: the samples of the last step ------------------------------ */

/* Unsigned 16-bit reading; larger means nearer. 0 for tag 0. */
unsigned short distance_sensor_get_value(DeviceTag tag);

/* The camera image: camera_get_height rows of camera_get_width pixels,
   top row first, 3 bytes per pixel (red, green, blue). Never NULL; for tag 0
   a 1 x 1 black image. */
const unsigned char *camera_get_image(DeviceTag tag);
int camera_get_width(DeviceTag tag);
int camera_get_height(DeviceTag tag);

/* 16 floats, column-major 4x4 transform from the robot's axes to the world:
   elements 12 to 14 the translation, 15 the scale 1. Identity for tag 0. */
const float *gps_get_matrix(DeviceTag tag);
/* Writes three angles of a GPS matrix into angles: bank about the robot's
   forward axis, heading (0 facing world +x, +pi/2 facing world +z), and
   elevation of the forward axis. */
void gps_euler(const float *matrix, float *angles);

/* One key held this step per call, then 0. Arrows: 316 left, 317 up,
   318 right, 319 down; letters as upper-case ASCII. */
int robot_keyboard_get_key(void);

/* Bytes of the packet received this step, 0 if none. */
int receiver_get_buffer_size(DeviceTag tag);
/* The bytes of that packet (receiver_get_buffer_size of them); never NULL. */
const void *receiver_get_buffer(DeviceTag tag);

/* --- commands: sent with the next step -------------------------------- */

/* Wheel speeds (signed 16-bit values) until the next call. */
void differential_wheels_set_speed(int left, int right);
/* Force (N) and torque (N m) in the robot's own axes (x forward, y up,
   z right), acting during the whole next step. */
void custom_robot_set_rel_force_and_torque(float fx, float fy, float fz, float tx, float ty, float tz);
/* Places the robot at (x, y, z), turned by angle radians about the axis
   (ax, ay, az), and stops it. */
void custom_robot_move(float x, float y, float z, float ax, float ay, float az, float angle);
/* Transmits size bytes on the emitter; heard by receivers in range. */
void emitter_send(DeviceTag tag, const void *data, int size);

/* --- console ---------------------------------------------------------- */

/* The library's text buffer of 1024 bytes, the same on every call. */
char *robot_get_formated_string(void);
/* Shows text on the simulator's console; lines may be built from several
   prints. */
void robot_console_print(const char *text);

#ifdef __cplusplus
}
#endif

#endif
