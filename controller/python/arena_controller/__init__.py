"""The Controller library of arena, for robot programs written in Python.

The operations of controller.h under the same names, over the shared library
libarena_controller.so through ctypes. Tags are ints, packets and images are
bytes, the GPS matrix is a tuple of 16 floats (column-major, translation in
12 to 14), gps_euler returns its three angles. Callbacks are plain Python
functions:

    import arena_controller as ac

    def reset():
        global ir0
        ir0 = ac.robot_get_device("ir0")
        ac.distance_sensor_enable(ir0, 64)

    def run():
        ac.differential_wheels_set_speed(100, 100)
        return 64

    ac.robot_live(reset)
    ac.robot_run(run)

An exception escaping reset or run ends the program with status 1 after its
traceback: the library calls them from C, which a Python exception cannot
cross.
"""

import ctypes
import os
import sys
import traceback
from pathlib import Path

__all__ = [
    "robot_live", "robot_run", "robot_step", "robot_get_device", "robot_get_name",
    "distance_sensor_enable", "camera_enable", "gps_enable", "receiver_enable", "emitter_enable",
    "robot_keyboard_enable", "distance_sensor_get_value", "camera_get_image", "camera_get_width",
    "camera_get_height", "gps_get_matrix", "gps_euler", "robot_keyboard_get_key",
    "receiver_get_buffer_size", "receiver_get_buffer", "differential_wheels_set_speed",
    "custom_robot_set_rel_force_and_torque", "custom_robot_move", "emitter_send",
    "robot_get_formated_string", "robot_console_print",
]

TEXT_BUFFER_SIZE = 1024


def _load():
    # Installed, the module sits in PREFIX/lib/python3/dist-packages and the
    # library in PREFIX/lib; the build folder has the same shape.
    beside = Path(__file__).resolve().parents[3] / "libarena_controller.so"
    try:
        return ctypes.CDLL(str(beside) if beside.exists() else "libarena_controller.so")
    except OSError as e:
        raise ImportError(f"arena_controller: cannot load libarena_controller.so "
                          f"(looked at {beside}, then the system's library path): {e}") from None


_lib = _load()

_Tag = ctypes.c_ubyte
_float = ctypes.c_float
_RESET = ctypes.CFUNCTYPE(None)
_RUN = ctypes.CFUNCTYPE(ctypes.c_int)


def _declare(name, result, *args):
    f = getattr(_lib, name)
    f.restype = result
    f.argtypes = list(args)
    return f


_c = {}
for _name, _result, _args in [
    ("robot_live", None, [_RESET]),
    ("robot_run", None, [_RUN]),
    ("robot_step", ctypes.c_int, [ctypes.c_int]),
    ("robot_get_device", _Tag, [ctypes.c_char_p]),
    ("robot_get_name", ctypes.c_char_p, []),
    ("distance_sensor_enable", None, [_Tag, ctypes.c_int]),
    ("camera_enable", None, [_Tag, ctypes.c_int]),
    ("gps_enable", None, [_Tag, ctypes.c_int]),
    ("receiver_enable", None, [_Tag, ctypes.c_int]),
    ("emitter_enable", None, [_Tag, ctypes.c_int]),
    ("robot_keyboard_enable", None, [ctypes.c_int]),
    ("distance_sensor_get_value", ctypes.c_ushort, [_Tag]),
    ("camera_get_image", ctypes.POINTER(ctypes.c_ubyte), [_Tag]),
    ("camera_get_width", ctypes.c_int, [_Tag]),
    ("camera_get_height", ctypes.c_int, [_Tag]),
    ("gps_get_matrix", ctypes.POINTER(_float), [_Tag]),
    ("gps_euler", None, [ctypes.POINTER(_float), ctypes.POINTER(_float)]),
    ("robot_keyboard_get_key", ctypes.c_int, []),
    ("receiver_get_buffer_size", ctypes.c_int, [_Tag]),
    ("receiver_get_buffer", ctypes.c_void_p, [_Tag]),
    ("differential_wheels_set_speed", None, [ctypes.c_int, ctypes.c_int]),
    ("custom_robot_set_rel_force_and_torque", None, [_float] * 6),
    ("custom_robot_move", None, [_float] * 7),
    ("emitter_send", None, [_Tag, ctypes.c_void_p, ctypes.c_int]),
    ("robot_get_formated_string", ctypes.POINTER(ctypes.c_char * TEXT_BUFFER_SIZE), []),
    ("robot_console_print", None, [ctypes.c_char_p]),
]:
    _c[_name] = _declare(_name, _result, *_args)


def _flush():
    # The arena stamps each printed line with the step it arrives in, so what
    # Python holds in its own buffers must reach the pipe before the step.
    for stream in (sys.stdout, sys.stderr):
        if stream is not None:
            stream.flush()


def _guarded(function):
    """function, called from C: an exception ends the program with status 1."""
    def call():
        try:
            return function()
        except BaseException:
            traceback.print_exc()
            _flush()
            os._exit(1)
    return call


# --- life cycle ---------------------------------------------------------

def robot_live(reset=None):
    """Connects to the arena and runs reset once; reset has run on return."""
    callback = _RESET(_guarded(reset)) if reset else _RESET()
    _c["robot_live"](callback)


def robot_run(run):
    """Calls run once per step and advances by the milliseconds it returns;
    returns when the simulation ends."""
    def step():
        ms = run()
        _flush()
        return ms
    _c["robot_run"](_RUN(_guarded(step)))


def robot_step(ms):
    """Sends this step's commands and advances by ms; when the simulation
    ends, the program ends with status 0."""
    _flush()
    return _c["robot_step"](ms)


# --- robot --------------------------------------------------------------

def robot_get_device(name):
    return _c["robot_get_device"](name.encode())


def robot_get_name():
    return _c["robot_get_name"]().decode(errors="replace")


# --- enabling -----------------------------------------------------------

def distance_sensor_enable(tag, period):
    _c["distance_sensor_enable"](tag, period)


def camera_enable(tag, period):
    _c["camera_enable"](tag, period)


def gps_enable(tag, period):
    _c["gps_enable"](tag, period)


def receiver_enable(tag, period):
    _c["receiver_enable"](tag, period)


def emitter_enable(tag, period):
    _c["emitter_enable"](tag, period)


def robot_keyboard_enable(period):
    _c["robot_keyboard_enable"](period)


# --- reads --------------------------------------------------------------

def distance_sensor_get_value(tag):
    return _c["distance_sensor_get_value"](tag)


def camera_get_width(tag):
    return _c["camera_get_width"](tag)


def camera_get_height(tag):
    return _c["camera_get_height"](tag)


def camera_get_image(tag):
    """Rows top first, 3 bytes (red, green, blue) per pixel."""
    size = camera_get_width(tag) * camera_get_height(tag) * 3
    return ctypes.string_at(_c["camera_get_image"](tag), size)


def gps_get_matrix(tag):
    return tuple(_c["gps_get_matrix"](tag)[:16])


def gps_euler(matrix):
    """(bank, heading, elevation) of a 16-float GPS matrix."""
    if len(matrix) != 16:
        raise ValueError(f"gps_euler: a GPS matrix has 16 floats, not {len(matrix)}")
    angles = (_float * 3)()
    _c["gps_euler"]((_float * 16)(*matrix), angles)
    return tuple(angles)


def robot_keyboard_get_key():
    return _c["robot_keyboard_get_key"]()


def receiver_get_buffer_size(tag):
    return _c["receiver_get_buffer_size"](tag)


def receiver_get_buffer(tag):
    """The packet received this step, b"" if none."""
    return ctypes.string_at(_c["receiver_get_buffer"](tag), receiver_get_buffer_size(tag))


# --- commands -----------------------------------------------------------

def differential_wheels_set_speed(left, right):
    _c["differential_wheels_set_speed"](left, right)


def custom_robot_set_rel_force_and_torque(fx, fy, fz, tx, ty, tz):
    _c["custom_robot_set_rel_force_and_torque"](fx, fy, fz, tx, ty, tz)


def custom_robot_move(x, y, z, ax, ay, az, angle):
    _c["custom_robot_move"](x, y, z, ax, ay, az, angle)


def emitter_send(tag, data):
    data = bytes(data)
    _c["emitter_send"](tag, data, len(data))


# --- console ------------------------------------------------------------

def robot_get_formated_string():
    """The library's 1024-byte text buffer, writable (a ctypes char array).
    Python code usually formats its own str and hands it to
    robot_console_print instead."""
    return _c["robot_get_formated_string"]().contents


def robot_console_print(text):
    """Shows text (str, bytes or the text buffer) on the arena's console."""
    if isinstance(text, str):
        text = text.encode()
    elif not isinstance(text, bytes):
        text = bytes(text).split(b"\0", 1)[0]
    _c["robot_console_print"](text)
