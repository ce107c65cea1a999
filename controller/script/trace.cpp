#include "trace.h"

#include <cstdlib>

namespace script {

void TraceWriter::open(const char* path) {
    file_ = std::fopen(path, "w");
    if (file_ == nullptr) {
        std::fprintf(stderr, "%s: cannot write the trace\n", path);
        std::exit(2);
    }
    // Long traced runs write millions of lines; a large buffer keeps that to
    // few system calls.
    std::setvbuf(file_, nullptr, _IOFBF, 1 << 16);
}

void TraceWriter::flush() {
    if (file_ != nullptr) std::fflush(file_);
}

void TraceWriter::begin(long long step, const char* operation) { std::fprintf(file_, "%lld\t%s", step, operation); }

void TraceWriter::integer(long long value) { std::fprintf(file_, "\t%lld", value); }

// Nine significant digits read back with strtof to the very same float.
void TraceWriter::real(float value) { std::fprintf(file_, "\t%.9g", static_cast<double>(value)); }

void TraceWriter::text(const char* bytes) {
    std::fputc('\t', file_);
    if (bytes == nullptr) return;
    for (const char* p = bytes; *p != '\0'; ++p) escaped(static_cast<unsigned char>(*p));
}

void TraceWriter::hex(const void* bytes, int size) {
    std::fputc('\t', file_);
    const auto* p = static_cast<const unsigned char*>(bytes);
    for (int i = 0; p != nullptr && i < size; ++i) std::fprintf(file_, "%02x", p[i]);
}

void TraceWriter::result(long long value) { std::fprintf(file_, "\t=%lld", value); }

void TraceWriter::results(const float* values, int n) {
    std::fputs("\t=", file_);
    for (int i = 0; i < n; ++i) {
        std::fprintf(file_, i == 0 ? "%.9g" : " %.9g", static_cast<double>(values[i]));
    }
}

void TraceWriter::end() { std::fputc('\n', file_); }

// Tabs and line feeds would break the line format; everything outside
// printable ASCII is written as \xNN so that every byte survives.
void TraceWriter::escaped(unsigned char c) {
    switch (c) {
    case '\n': std::fputs("\\n", file_); return;
    case '\t': std::fputs("\\t", file_); return;
    case '\\': std::fputs("\\\\", file_); return;
    default: break;
    }
    if (c < 32 || c > 126) {
        std::fprintf(file_, "\\x%02x", c);
    } else {
        std::fputc(c, file_);
    }
}

}  // namespace script
