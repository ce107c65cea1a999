// Writes the trace: one line per library call, fields separated by tabs, in
// the format README.md here describes. Nothing here allocates, so tracing a
// step costs only the formatting.
#ifndef CONTROLLER_SCRIPT_TRACE_H
#define CONTROLLER_SCRIPT_TRACE_H

#include <cstddef>
#include <cstdio>

namespace script {

class TraceWriter {
public:
    // Opens path for writing; ends the process with status 2 if it cannot.
    void open(const char* path);
    void flush();

    // A line is begin(), then its fields, then end().
    void begin(long long step, const char* operation);
    void integer(long long value);
    void real(float value);
    void text(const char* bytes);  // zero-terminated, escaped
    void hex(const void* bytes, int size);
    void result(long long value);              // the "=VALUE" last field
    void results(const float* values, int n);  // "=A B C", blank-separated
    void end();

private:
    void escaped(unsigned char c);
    std::FILE* file_ = nullptr;
};

}  // namespace script

#endif
