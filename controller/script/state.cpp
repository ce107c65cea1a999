#include "state.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace script {
namespace {

// Room for size bytes that ends right at an unreadable page: a program that
// reads or writes one byte past a packet or the console buffer dies with
// SIGSEGV there and then, instead of reading whatever happens to follow.
unsigned char* guarded_end(std::size_t size) {
    const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    const std::size_t room = (size + page - 1) / page * page;
    void* block = mmap(nullptr, room + page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED) {
        std::perror("script: mmap");
        std::exit(2);
    }
    unsigned char* end = static_cast<unsigned char*>(block) + room;
    if (mprotect(end, page, PROT_NONE) != 0) {
        std::perror("script: mprotect");
        std::exit(2);
    }
    return end;
}

bool in_trace(const Scenario& s, long long step) {
    if (s.trace.empty()) return true;
    for (const TraceRange& r : s.trace) {
        if (step >= r.first && step <= r.last) return true;
    }
    return false;
}

void apply(State& s, const Sample& sample) {
    switch (sample.what) {
    case Sample::What::distance: s.devices[sample.device].distance = sample.distance; break;
    case Sample::What::gps: s.devices[sample.device].matrix = sample.matrix; break;
    case Sample::What::keys:
        s.keys = &sample.keys;
        s.next_key = 0;
        s.per_step = true;
        break;
    case Sample::What::packet: {
        DeviceNow& d = s.devices[sample.device];
        const int size = static_cast<int>(sample.bytes.size());
        unsigned char* start = d.packet_end - size;
        std::memcpy(start, sample.bytes.data(), sample.bytes.size());
        d.packet = start;
        d.packet_size = size;
        s.per_step = true;
        break;
    }
    }
}

void enter_step(State& s) {
    if (s.per_step) {
        s.keys = nullptr;
        for (DeviceNow& d : s.devices) d.packet_size = 0;
        s.per_step = false;
    }
    const std::vector<StepBlock>& blocks = s.scenario.blocks;
    if (s.next_block < blocks.size() && blocks[s.next_block].step == s.step) {
        for (const Sample& sample : blocks[s.next_block].samples) apply(s, sample);
        ++s.next_block;
    }
    s.traced = in_trace(s.scenario, s.step);
}

State* load() {
    const char* path = std::getenv("SCRIPT_SCENARIO");
    if (path == nullptr || *path == '\0') {
        std::fprintf(stderr,
                     "This program was built against the scripted stand-in of the Controller "
                     "library: set SCRIPT_SCENARIO to a scenario file (see "
                     "controller/script/README.md).\n");
        std::exit(2);
    }
    auto* s = new State;  // lives as long as the process
    s->scenario = load_scenario(path);
    const char* trace = std::getenv("SCRIPT_TRACE");
    s->trace.open(trace != nullptr && *trace != '\0' ? trace : (std::string(path) + ".trace").c_str());
    s->devices.resize(s->scenario.devices.size());
    for (std::size_t i = 0; i < s->devices.size(); ++i) {
        if (s->scenario.kinds[i] == Kind::receiver) {
            s->devices[i].packet_end = guarded_end(s->scenario.largest_packet);
        }
    }
    s->text = reinterpret_cast<char*>(guarded_end(1024)) - 1024;
    enter_step(*s);
    return s;
}

}  // namespace

State& state() {
    static State* s = load();
    return *s;
}

DeviceNow* device(State& s, DeviceTag tag) {
    if (tag == 0 || tag > s.devices.size()) return nullptr;
    return &s.devices[tag - 1];
}

bool next_step(State& s) {
    if (s.traced) s.trace.flush();  // what a crash in the next step leaves behind is readable
    ++s.step;
    if (s.step >= s.scenario.steps) {
        end_run(s);
        return false;
    }
    enter_step(s);
    return true;
}

void end_run(State& s) {
    s.trace.begin(s.step, "end");
    s.trace.end();
    s.trace.flush();
}

}  // namespace script
