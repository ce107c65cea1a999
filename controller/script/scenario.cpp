#include "scenario.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace script {
namespace {

// Everything the parser needs to say where a fault is.
struct Where {
    const std::string& path;
    int line;
};

[[noreturn]] void fail(const Where& at, const std::string& what) {
    std::fprintf(stderr, "%s:%d: %s\n", at.path.c_str(), at.line, what.c_str());
    std::fflush(stderr);
    std::exit(3);
}

std::vector<std::string> words_of(const std::string& line) {
    std::istringstream in(line.substr(0, line.find('#')));
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

long long integer(const Where& at, const std::string& word, long long low, long long high) {
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(word.c_str(), &end, 10);
    if (word.empty() || *end != '\0' || errno == ERANGE || value < low || value > high) {
        fail(at, "'" + word + "' is not an integer from " + std::to_string(low) + " to " + std::to_string(high));
    }
    return value;
}

float real(const Where& at, const std::string& word) {
    char* end = nullptr;
    const float value = std::strtof(word.c_str(), &end);
    if (word.empty() || *end != '\0') fail(at, "'" + word + "' is not a number");
    return value;
}

// Hexadecimal bytes, two digits each; a word may hold several ("c03f").
void append_hex(const Where& at, const std::string& word, std::vector<unsigned char>& bytes) {
    if (word.size() % 2 != 0) fail(at, "'" + word + "' is not a whole number of hex bytes");
    for (std::size_t i = 0; i < word.size(); i += 2) {
        const std::string pair = word.substr(i, 2);
        char* end = nullptr;
        const long value = std::strtol(pair.c_str(), &end, 16);
        if (*end != '\0' || pair[0] == '-' || pair[0] == '+') {
            fail(at, "'" + word + "' is not hexadecimal");
        }
        bytes.push_back(static_cast<unsigned char>(value));
    }
}

int device_index(const Scenario& s, const std::string& name) {
    const auto it = std::find(s.devices.begin(), s.devices.end(), name);
    return it == s.devices.end() ? -1 : static_cast<int>(it - s.devices.begin());
}

const char* kind_name(Kind k) {
    switch (k) {
    case Kind::distance: return "a distance sensor";
    case Kind::gps: return "a gps";
    case Kind::receiver: return "a receiver";
    case Kind::none: break;
    }
    return "nothing";
}

void claim(const Where& at, Scenario& s, int device, Kind kind) {
    Kind& k = s.kinds[device];
    if (k != Kind::none && k != kind) {
        fail(at, s.devices[device] + " is " + kind_name(k) + ", not " + kind_name(kind));
    }
    k = kind;
}

class Parser {
public:
    explicit Parser(const std::string& path) : path_(path) {}

    void line(int number, const std::string& text) {
        const Where at{path_, number};
        const std::vector<std::string> w = words_of(text);
        if (w.empty()) return;
        if (w[0] == "step") return step(at, w);
        if (w[0] == "name" || w[0] == "devices" || w[0] == "steps" || w[0] == "trace") {
            if (!s_.blocks.empty()) fail(at, "'" + w[0] + "' must come before the first step line");
            return header(at, w);
        }
        if (s_.blocks.empty()) fail(at, "samples must follow a 'step K' line: '" + w[0] + "'");
        sample(at, w);
    }

    Scenario finish(int last_line) {
        if (!seen_steps_) fail(Where{path_, last_line}, "the scenario has no 'steps N' line");
        for (const StepBlock& b : s_.blocks) {
            if (b.step >= s_.steps) {
                fail(Where{path_, b.line}, "samples for step " + std::to_string(b.step) +
                                               ", but the scenario runs only " + std::to_string(s_.steps) + " steps");
            }
        }
        std::sort(s_.trace.begin(), s_.trace.end(),
                  [](const TraceRange& a, const TraceRange& b) { return a.first < b.first; });
        return std::move(s_);
    }

private:
    void header(const Where& at, const std::vector<std::string>& w) {
        if (w[0] == "name") {
            if (w.size() != 2) fail(at, "usage: name ROBOT");
            s_.name = w[1];
        } else if (w[0] == "devices") {
            for (std::size_t i = 1; i < w.size(); ++i) {
                if (device_index(s_, w[i]) >= 0) fail(at, "device " + w[i] + " is listed twice");
                if (w[i] == "keys" || w[i] == "packet" || w[i] == "step") {
                    fail(at, "'" + w[i] + "' is a directive, not a device name");
                }
                s_.devices.push_back(w[i]);
                s_.kinds.push_back(Kind::none);
            }
            if (s_.devices.size() > 255) fail(at, "a robot has at most 255 devices");
        } else if (w[0] == "steps") {
            if (w.size() != 2) fail(at, "usage: steps N");
            s_.steps = integer(at, w[1], 0, 1LL << 60);
            seen_steps_ = true;
        } else {
            if (w.size() != 3) fail(at, "usage: trace FIRST LAST");
            const long long first = integer(at, w[1], 0, 1LL << 60);
            const long long last = integer(at, w[2], first, 1LL << 60);
            s_.trace.push_back({first, last});
        }
    }

    void step(const Where& at, const std::vector<std::string>& w) {
        if (w.size() != 2) fail(at, "usage: step K");
        const long long k = integer(at, w[1], 0, 1LL << 60);
        if (!s_.blocks.empty() && k <= s_.blocks.back().step) {
            fail(at,
                 "step " + w[1] + " comes after step " + std::to_string(s_.blocks.back().step) + "; steps must ascend");
        }
        s_.blocks.push_back({k, at.line, {}});
    }

    void sample(const Where& at, const std::vector<std::string>& w) {
        Sample out{};
        if (w[0] == "keys") {
            out.what = Sample::What::keys;
            if (has(Sample::What::keys, -1)) fail(at, "keys are given twice in this step");
            for (std::size_t i = 1; i < w.size(); ++i) {
                out.keys.push_back(static_cast<int>(integer(at, w[i], 1, 1 << 30)));
            }
        } else if (w[0] == "packet") {
            if (w.size() < 3) fail(at, "usage: packet RECEIVER HEXBYTES...");
            out.what = Sample::What::packet;
            out.device = known(at, w[1]);
            claim(at, s_, out.device, Kind::receiver);
            if (has(Sample::What::packet, out.device)) {
                fail(at, w[1] + " receives one packet per step; this step has two");
            }
            for (std::size_t i = 2; i < w.size(); ++i) append_hex(at, w[i], out.bytes);
            if (out.bytes.empty()) fail(at, "a packet has at least one byte");
            s_.largest_packet = std::max(s_.largest_packet, out.bytes.size());
        } else {
            out.device = known(at, w[0]);
            if (w.size() == 2) {
                out.what = Sample::What::distance;
                claim(at, s_, out.device, Kind::distance);
                out.distance = static_cast<unsigned short>(integer(at, w[1], 0, 65535));
            } else if (w.size() == 17) {
                out.what = Sample::What::gps;
                claim(at, s_, out.device, Kind::gps);
                for (int i = 0; i < 16; ++i) out.matrix[i] = real(at, w[i + 1]);
            } else {
                fail(at, w[0] + " takes one reading (distance sensor) or 16 numbers (gps), not " +
                             std::to_string(w.size() - 1));
            }
        }
        s_.blocks.back().samples.push_back(std::move(out));
    }

    int known(const Where& at, const std::string& name) {
        const int i = device_index(s_, name);
        if (i < 0) fail(at, "'" + name + "' is not a device of this robot (see the devices line)");
        return i;
    }

    bool has(Sample::What what, int device) const {
        for (const Sample& x : s_.blocks.back().samples) {
            if (x.what == what && x.device == device) return true;
        }
        return false;
    }

    const std::string& path_;
    Scenario s_;
    bool seen_steps_ = false;
};

}  // namespace

Scenario parse_scenario(const std::string& text, const std::string& path) {
    Parser parser(path);
    std::istringstream in(text);
    int number = 0;
    for (std::string line; std::getline(in, line);) parser.line(++number, line);
    return parser.finish(number);
}

Scenario load_scenario(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "%s: cannot read the scenario\n", path.c_str());
        std::exit(3);
    }
    std::ostringstream text;
    text << in.rdbuf();
    return parse_scenario(text.str(), path);
}

}  // namespace script
