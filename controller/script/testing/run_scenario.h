// Runs a program built against the scripted stand-in on a scenario, in a
// fresh process, and hands back what it did: its exit status, its standard
// output and error, and its trace. The formats are in ../README.md.
#ifndef CONTROLLER_SCRIPT_TESTING_RUN_SCENARIO_H
#define CONTROLLER_SCRIPT_TESTING_RUN_SCENARIO_H

#include <string>
#include <string_view>
#include <vector>

namespace script {

// One line of the trace: a library call, or the stand-in's own
// run_returned and end events.
struct Call {
    int step = 0;
    std::string name;
    std::vector<std::string> args;  // unescaped
    std::string result;             // after '=', or empty
};

struct Result {
    int status = -1;  // exit code, or 128 + signal
    std::string out, err;
    std::vector<Call> calls;
};

// Writes scenario_text to a temporary file, runs program_path with
// SCRIPT_SCENARIO and SCRIPT_TRACE set, waits for it and reads the trace.
Result run(const std::string& program_path, const std::string& scenario_text);

// The path of the scripted build of a program: "ir_avoider" gives
// BUILD/scripted/ir_avoider_scripted.
std::string scripted(std::string_view program);

// The calls of one operation, in order.
std::vector<Call> calls_named(const Result& result, std::string_view name);

// The calls as "STEP NAME ARG... =RESULT", fields joined by one blank: a
// whole run compared in one expectation reads like the trace itself.
std::vector<std::string> lines(const Result& result);

// Everything printed with robot_console_print, joined, byte for byte.
std::string console(const Result& result);

// Reverses the trace's escapes (\n, \t, \\, \xNN).
std::string unescape(std::string_view field);

}  // namespace script

#endif
