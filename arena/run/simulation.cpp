#include "arena/run/simulation.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <functional>
#include <stdexcept>

#include "arena/record/trace_json.h"
#include "arena/run/sampling.h"
#include "arena/run/status_line.h"
#include "arena/physics/command_check.h"
#include "devices/custom_drive.h"
#include "devices/radio.h"
#include "devices/ray.h"
#include "devices/wheels.h"
#include "link/spin.h"

namespace arena {
namespace {

using Clock = std::chrono::steady_clock;

// How long a controller gets to end by itself (after STOP, or after its
// link closed) before its process group is killed.
constexpr std::chrono::milliseconds kGrace{2000};

std::string seconds(double t) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.3f", t);
    return buf;
}

const char* stream_name(Stream s) { return s == Stream::out ? "stdout" : "stderr"; }

// A robot whose controller the arena waits for this wake.
bool awaited(const RobotRun* r) { return r->phase == Phase::hello || r->phase == Phase::computing; }

}  // namespace

Simulation::Simulation(const World& world, RunOptions options, Display& display, Interrupts& interrupts,
                       Recorder* recorder)
    : world_(world),
      options_(std::move(options)),
      display_(display),
      interrupts_(interrupts),
      recorder_(recorder),
      model_(world.scene.model()),
      physics_(world.scene.model()),
      step_ms_(model_->opt.timestep * 1000.0),
      end_(std::llround(options_.duration / model_->opt.timestep)),
      record_every_(std::max<std::int64_t>(1, std::llround(world.manifest.record_period / model_->opt.timestep))),
      robot_of_body_(std::size_t(model_->nbody), -1),
      contacts_(world.robots.size()),
      refused_(world.robots.size(), false) {
    for (const std::string& w : world.scene.warnings()) report_physics(0.0, world.scene.file().string() + ": MuJoCo: " + w);
    for (std::size_t i = 0; i < world.robots.size(); ++i) {
        robots_.push_back(std::make_unique<RobotRun>(world.robots[i], options_.seed, i));
        for (int b = 0; b < model_->nbody; ++b) {
            if (in_subtree(model_, b, world.robots[i].body)) robot_of_body_[std::size_t(b)] = int(i);
        }
    }
}

int Simulation::run() {
    wall_start_ = Clock::now();
    mj_forward(model_, physics_.data());
    if (recorder_) recorder_->poses().write(0.0, model_, physics_.data());
    if (world_.manifest.course) course_.emplace(model_, physics_.data(), *world_.manifest.course, course_body(world_));
    try {
        start_controllers();
        while (true) {
            if (now_ < end_) wake(now_);
            // The controllers have started and said hello: from here on
            // the run's speed is the stepping's, not the programs' loading.
            if (now_ == 0) stepping_start_ = Clock::now();
            if (interrupted_ || world_fault_ || now_ >= end_) break;
            std::int64_t next = end_;
            for (auto& r : robots_) {
                if (r->alive()) next = std::min(next, r->wake);
            }
            advance(next);
            if (interrupted_) break;
        }
    } catch (const std::runtime_error& e) {
        fail_world(e.what());
    }
    const auto stepped = Clock::now();
    if (stepping_start_ == Clock::time_point{}) stepping_start_ = stepped;  // failed before the first step
    finish();
    if (!world_fault_) report_speed(stepping_start_ - wall_start_, stepped - stepping_start_);  // a bad world's one line stays alone
    if (world_fault_) return kBadWorld;
    if (interrupted_) return kInterrupted;
    for (auto& r : robots_) {
        if (!r->exit || r->exit->how != "stopped") return kControllerFailed;
    }
    return kCompleted;
}

void Simulation::start_controllers() {
    for (auto& r : robots_) {
        try {
            r->process = std::make_unique<ControllerProcess>(r->robot.program);
        } catch (const std::runtime_error& e) {
            throw std::runtime_error(world_.manifest.file.string() + ": robot \"" + r->name() + "\": " + e.what());
        }
        r->channel = std::make_unique<link::Channel>(r->process->link_fd(), r->process->take_lane(), link::LaneSide::arena);
        r->handed = sample(*r, model_, physics_.data(), {0, step_ms_, true}, {});
    }
}

void Simulation::wake(std::int64_t t) {
    pace(t);
    if (display_.progress_due()) display_.progress(time_of(t), options_.duration, status_line(model_, physics_.data(), world_, terminal_keys_));
    std::vector<RobotRun*> waking;
    for (auto& r : robots_) {
        if (r->alive() && r->wake == t) waking.push_back(r.get());
    }
    if (waking.empty()) return;
    if (options_.terminal) {
        options_.terminal->read_presses(Clock::now());
        terminal_keys_ = options_.terminal->take(Clock::now());  // every robot waking now hears them
    }
    for (RobotRun* r : waking) {
        r->fetched.clear();
        r->step.reset();
        if (r->phase != Phase::asleep) continue;  // time 0: answered on HELLO
        r->handed = sample(*r, model_, physics_.data(), {t, step_ms_, false}, keys_for(*r, time_of(t)));
        try {
            r->channel->send(r->handed);
            r->phase = Phase::computing;
        } catch (const link::LinkError&) {
            controller_gone(*r, time_of(t), "closed its link", false);
        }
    }
    serve_until_stepped(t, waking);
    if (!interrupted_) commit(t, waking);
}

void Simulation::serve_until_stepped(std::int64_t t, std::vector<RobotRun*>& waking) {
    auto has_bytes = [](const RobotRun* r) { return awaited(r) && r->channel->ready(); };
    // What is there already, without a system call: most hand-overs arrive
    // while the arena watches the lanes.
    auto serve_ready = [&] {
        bool served = false;
        for (RobotRun* r : waking) {
            if (has_bytes(r)) {
                serve_link(*r, t);
                served = true;
            }
        }
        return served;
    };
    auto any_ready = [&] { return std::any_of(waking.begin(), waking.end(), has_bytes); };
    // The next physics step's first half does not depend on the forces the
    // controllers are choosing, so it runs while they choose them.
    physics_.begin_step();
    while (std::any_of(waking.begin(), waking.end(), awaited)) {
        if (serve_ready() || link::spin_until(any_ready)) continue;
        sleep_until_served(t, waking);
        if (interrupted_) return;
    }
}

// Sleeps in poll() until a controller writes, one's output arrives, a key
// is pressed or the run is interrupted, and serves what woke it.
void Simulation::sleep_until_served(std::int64_t t, std::vector<RobotRun*>& waking) {
    std::vector<RobotRun*> armed;
    for (RobotRun* r : waking) {
        if (!awaited(r)) continue;
        if (!r->channel->arm()) {  // it wrote meanwhile
            for (RobotRun* a : armed) a->channel->woken(false);
            return;
        }
        armed.push_back(r);
    }
    std::vector<pollfd> fds;
    std::vector<std::function<void()>> handlers;
    auto watch = [&](int fd, std::function<void()> handler) {
        if (fd < 0) return;
        fds.push_back({fd, POLLIN, 0});
        handlers.push_back(std::move(handler));
    };
    watch(interrupts_.fd(), [&] { interrupted_ = interrupts_.raised(); });
    if (options_.terminal) watch(options_.terminal->fd(), [&] { options_.terminal->read_presses(Clock::now()); });
    for (auto& r : robots_) {
        if (!r->process) continue;
        RobotRun& rr = *r;
        for (Stream s : {Stream::out, Stream::err}) watch(rr.process->stream_fd(s), [&rr, s, this] { read_output(rr, s); });
    }
    const std::size_t links = fds.size();
    for (RobotRun* r : armed) fds.push_back({r->channel->fd(), POLLIN, 0});
    if (poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR) {
        throw std::runtime_error(std::string("poll failed: ") + std::strerror(errno));
    }
    for (std::size_t i = 0; i < links; ++i) {
        if (fds[i].revents) handlers[i]();
    }
    for (std::size_t i = 0; i < armed.size(); ++i) {
        // Every armed lane is disarmed; the ones with bytes are served.
        if (armed[i]->channel->woken(fds[links + i].revents != 0) && !interrupted_) serve_link(*armed[i], t);
    }
}

void Simulation::serve_link(RobotRun& r, std::int64_t t) {
    if (!r.alive()) return;  // gone earlier in this round of poll
    try {
        auto frame = r.channel->receive();
        if (!frame) {
            controller_gone(r, time_of(t), "closed its link", false);
            return;
        }
        switch (frame->type) {
        case link::MessageType::hello: answer_hello(r, frame->payload); break;
        case link::MessageType::image_request: answer_image(r, frame->payload); break;
        case link::MessageType::step: take_step(r, frame->payload); break;
        default:
            throw link::LinkError(std::string("unexpected ") + link::name_of(frame->type));
        }
    } catch (const link::PeerClosed&) {
        controller_gone(r, time_of(t), "closed its link", false);
    } catch (const link::LinkError& e) {
        controller_gone(r, time_of(t), std::string("broke the link protocol (") + e.what() + ")", true);
    }
}

void Simulation::answer_hello(RobotRun& r, std::span<const std::uint8_t> payload) {
    if (r.phase != Phase::hello) throw link::LinkError("HELLO after the handshake");
    link::decode_hello(payload);
    link::Welcome w;
    w.robot_name = r.name();
    for (std::size_t i = 0; i < r.robot.devices.size(); ++i) {
        w.devices.push_back({std::uint8_t(i + 1), r.robot.devices[i].spec->name, r.robot.devices[i].spec->type});
    }
    w.sensors = r.handed;
    r.channel->send(w);
    r.phase = Phase::computing;
}

void Simulation::answer_image(RobotRun& r, std::span<const std::uint8_t> payload) {
    if (r.phase != Phase::computing) throw link::LinkError("IMAGE_REQUEST before the handshake");
    // The STEP that follows lists the camera as looked at: that marks it
    // fetched in the trace.
    r.channel->send(camera_image(r, model_, physics_.data(), link::decode_image_request(payload).tag));
}

void Simulation::take_step(RobotRun& r, std::span<const std::uint8_t> payload) {
    if (r.phase != Phase::computing) throw link::LinkError("STEP before the handshake");
    r.step = link::decode_step(payload);
    r.looked.clear();
    for (std::uint8_t tag : r.step->looked) {
        if (!camera_of(r, tag)) continue;  // a tag of no camera: nothing to look at
        r.fetched.insert(tag);
        r.looked.insert(tag);
    }
    // The library flushes the program's output before it steps, so
    // everything printed in this step is in the pipes by now. Most steps
    // print nothing, and the STEP says so; otherwise one poll says which
    // pipe to read.
    pollfd fds[2] = {{r.process->stream_fd(Stream::out), POLLIN, 0}, {r.process->stream_fd(Stream::err), POLLIN, 0}};
    if (r.step->output_waiting && poll(fds, 2, 0) > 0) {
        if (fds[0].revents) read_output(r, Stream::out);
        if (fds[1].revents) read_output(r, Stream::err);
    }
    r.phase = Phase::stepped;
}

void Simulation::read_output(RobotRun& r, Stream s) {
    for (auto& line : r.process->read_lines(s)) note(r, stream_name(s), line);
}

void Simulation::note(RobotRun& r, const char* stream, const std::string& text) {
    if (std::string_view(stream) == "arena") {
        display_.report("robot \"" + r.name() + "\": " + text);
    } else {
        display_.line(r.name(), text);
    }
    if (course_ && std::string_view(stream) == "console") course_->console_line(physics_.data(), r.name(), text);
    r.pending.push_back({stream, text});
}

void Simulation::flush_pending(RobotRun& r, double t) {
    if (recorder_) {
        for (auto& p : r.pending) recorder_->console().write(t, r.name(), p.stream, p.text);
    }
    r.pending.clear();
}

void Simulation::commit(std::int64_t t, const std::vector<RobotRun*>& waking) {
    const double time = time_of(t);
    std::vector<std::pair<RobotRun*, std::int64_t>> stepped;  // robot, physics steps it asked for
    for (RobotRun* r : waking) {
        if (r->phase == Phase::stepped) {
            const link::Step& s = *r->step;
            ++r->steps;
            if (recorder_) {
                recorder_->trace(std::size_t(&r->robot - world_.robots.data()),
                                 {{"step", r->steps},
                                  {"t", time},
                                  {"ms", s.ms},
                                  {"samples", samples_json(r->robot, r->handed, r->fetched)},
                                  {"commands", commands_json(r->robot, s)}});
            }
            for (auto& line : r->console.add(s.console)) note(*r, "console", line);
            double physics_steps = double(s.ms) / step_ms_;
            std::int64_t whole = std::llround(physics_steps);
            if (whole < 1 || std::fabs(physics_steps - double(whole)) > 1e-6) {
                char period[32];
                std::snprintf(period, sizeof period, "%g", step_ms_);
                fail_world(world_.manifest.file.string() + ": robot \"" + r->name() + "\": requested a step of " +
                           std::to_string(s.ms) + " ms at t = " + seconds(time) +
                           " s, not a whole number of the scene's " + period + " ms physics steps");
            }
            stepped.push_back({r, whole});
        }
        flush_pending(*r, time);
    }
    if (world_fault_) return;
    // Packets travel in the world as the samples saw it, before this
    // wake's moves.
    for (auto& [r, steps] : stepped) {
        for (const link::Packet& p : r->step->emits) deliver(*r, p);
    }
    bool moved = false;
    for (auto& [r, steps] : stepped) {
        actuate(*r, t, moved);
        r->wake = t + steps;
        r->phase = Phase::asleep;
    }
    if (moved) physics_.placed();  // what the next samples and steps see
    for (RobotRun* r : waking) flush_pending(*r, time);  // reports of dropped packets
}

void Simulation::deliver(RobotRun& from, const link::Packet& p) {
    if (p.tag < 1 || p.tag > from.robot.devices.size() || p.bytes.empty()) return;
    const auto* emitter = std::get_if<EmitterModel>(&from.robot.devices[p.tag - 1u].model);
    if (!emitter) return;
    for (auto& q : robots_) {
        if (q.get() == &from || !q->alive()) continue;
        for (std::size_t i = 0; i < q->devices.size(); ++i) {
            DeviceState& state = q->devices[i];
            const auto* receiver = std::get_if<ReceiverModel>(&q->robot.devices[i].model);
            if (!receiver || state.period_ms <= 0) continue;
            if (!can_hear(model_, physics_.data(), *emitter, from.robot.body, *receiver, q->robot.body)) continue;
            if (!state.queue->push(p.bytes)) {
                note(*q, "arena", "receiver \"" + q->robot.devices[i].spec->name + "\" is full: a packet from \"" +
                                      from.name() + "\" was dropped (" + std::to_string(state.queue->dropped()) +
                                      " so far)");
            }
        }
    }
}

void Simulation::actuate(RobotRun& r, std::int64_t t, bool& moved) {
    const link::Step& s = *r.step;
    for (const link::Enable& e : s.enables) {
        if (e.tag < 1 || e.tag > r.devices.size()) continue;
        r.devices[e.tag - 1u].period_ms = std::max(0, e.period_ms);
        r.devices[e.tag - 1u].last_sample = t;
    }
    if (s.keyboard_period_ms) {
        r.keyboard_period = std::max(0, *s.keyboard_period_ms);
        r.keyboard_last = t;
    }
    // A robot that sent what the physics cannot take rests for the rest of
    // the run, said once; the world and the others go on.
    const std::size_t i = std::size_t(&r.robot - world_.robots.data());
    if (refused_[i]) return;
    if (auto why = refuse_commands(s)) {
        refused_[i] = true;
        note(r, "arena", "commands refused at t = " + seconds(time_of(t)) + " s: " + *why + "; its robot is at rest");
        rest(r);
        return;
    }
    if (s.wheels && r.robot.wheels) set_wheel_speeds(model_, physics_.data(), *r.robot.wheels, (*s.wheels)[0], (*s.wheels)[1]);
    if (r.robot.spec->drive != Drive::custom) return;
    if (s.force_torque) physics_.hold(r.robot.body, *s.force_torque);
    if (s.move) {
        const auto& v = *s.move;
        place_body(model_, physics_.data(), r.robot.body, v[0], v[1], v[2], v[3], v[4], v[5], v[6]);
        moved = true;
    }
}

void Simulation::rest(RobotRun& r) {
    if (r.robot.wheels) set_wheel_speeds(model_, physics_.data(), *r.robot.wheels, 0, 0);
    if (r.robot.spec->drive == Drive::custom) physics_.hold(r.robot.body, {});
}

void Simulation::controller_gone(RobotRun& r, double t, const std::string& why, bool kill) {
    if (!r.alive()) return;
    r.phase = Phase::gone;
    ExitStatus st = r.process->wait(kill ? std::chrono::milliseconds(0) : kGrace);
    for (Stream s : {Stream::out, Stream::err}) {
        for (auto& line : r.process->finish(s)) note(r, stream_name(s), line);
    }
    for (auto& line : r.console.finish()) note(r, "console", line);
    r.exit = ExitRecord{kill ? "failed" : st.signalled ? "signal" : "exited", st, t};
    note(r, "arena", "controller " + why + " and " + (kill ? "was killed" : st.describe()) + " at t = " + seconds(t) +
                         " s; its robot is at rest");
    rest(r);
    r.process->close_link();
}

void Simulation::advance(std::int64_t to) {
    while (now_ < to) {
        try {
            physics_.step();
        } catch (const PhysicsError& e) {
            const std::string line = world_.scene.file().string() + ": " + e.what();
            if (recorder_) recorder_->console().write(time_of(now_), "", "arena", line);
            throw PhysicsError(line);  // the run's error
        }
        ++now_;
        for (const std::string& m : physics_.take_messages()) report_physics(time_of(now_), m);
        check_contacts();
        if (course_) course_->observe(model_, physics_.data());
        if (recorder_ && now_ % record_every_ == 0) {
            physics_.update_poses();
            recorder_->poses().write(time_of(now_), model_, physics_.data());
        }
        if (now_ % 1024 == 0 && interrupts_.raised()) {
            interrupted_ = true;
            return;
        }
    }
    // Samples need the bodies' poses where they are now; a step leaves them
    // one step behind. Kinematics is all the devices read, and the next
    // step recomputes everything else.
    physics_.update_poses();
}

// MuJoCo's word on the world, not any robot's.
void Simulation::report_physics(double t, const std::string& line) {
    display_.report(line);
    if (recorder_) recorder_->console().write(t, "", "arena", line);
}

void Simulation::check_contacts() {
    const mjData* d = physics_.data();
    for (int i = 0; i < d->ncon; ++i) {
        const mjContact& c = d->contact[i];
        if (c.dist > 0) continue;
        int g[2] = {c.geom1, c.geom2};
        for (int side = 0; side < 2; ++side) {
            int robot = robot_of_body_[std::size_t(model_->geom_bodyid[g[side]])];
            int other = g[1 - side];
            if (robot < 0 || robot_of_body_[std::size_t(model_->geom_bodyid[other])] == robot) continue;
            if (model_->geom_type[other] == mjGEOM_PLANE) continue;  // the floor
            auto& seen = contacts_[std::size_t(robot)];
            if (std::none_of(seen.begin(), seen.end(), [&](const Contact& k) { return k.geom == other; })) {
                seen.push_back({other, time_of(now_)});
            }
        }
    }
}

void Simulation::pace(std::int64_t t) {
    if (!options_.realtime) return;
    auto target = wall_start_ + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(time_of(t)));
    while (!interrupted_) {
        auto now = Clock::now();
        if (now >= target) return;
        auto wait_ms = std::chrono::duration_cast<std::chrono::milliseconds>(target - now).count() + 1;
        pollfd fds[2] = {{interrupts_.fd(), POLLIN, 0}, {options_.terminal ? options_.terminal->fd() : -1, POLLIN, 0}};
        if (poll(fds, 2, int(wait_ms)) > 0) {
            if (fds[0].revents) interrupted_ = interrupts_.raised();
            if (fds[1].revents) options_.terminal->read_presses(Clock::now());
        }
    }
}

std::vector<int> Simulation::keys_for(const RobotRun& r, double t) {
    std::vector<int> keys = options_.keys.held(r.name(), t);
    for (int k : terminal_keys_) {
        if (std::find(keys.begin(), keys.end(), k) == keys.end()) keys.push_back(k);
    }
    return keys;
}

void Simulation::finish() {
    const double time = time_of(now_);
    if (recorder_ && now_ % record_every_ != 0) {
        mj_kinematics(model_, physics_.data());
        recorder_->poses().write(time, model_, physics_.data());  // where everything ended
    }
    for (auto& r : robots_) {
        if (!r->alive() || !r->channel) continue;
        try {
            r->channel->send(link::Stop{});
        } catch (const link::LinkError&) {
            // Already gone; its exit says how below.
        }
    }
    auto deadline = Clock::now() + kGrace;
    for (auto& r : robots_) {
        if (!r->process) continue;
        if (r->alive()) stop_and_reap(*r, time, deadline);
        flush_pending(*r, time);
    }
    if (recorder_) recorder_->summary(summary());
}

void Simulation::stop_and_reap(RobotRun& r, double time, Clock::time_point deadline) {
    // Read the last of its output while it ends, so a full pipe cannot hold
    // it up.
    ControllerProcess& p = *r.process;
    while (Clock::now() < deadline && (p.stream_fd(Stream::out) >= 0 || p.stream_fd(Stream::err) >= 0)) {
        pollfd fds[2] = {{p.stream_fd(Stream::out), POLLIN, 0}, {p.stream_fd(Stream::err), POLLIN, 0}};
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (poll(fds, 2, int(std::max<long long>(left, 1))) <= 0) continue;
        read_output(r, Stream::out);
        read_output(r, Stream::err);
    }
    auto left = std::max(std::chrono::milliseconds(0),
                         std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()));
    ExitStatus st = p.wait(left);
    for (Stream s : {Stream::out, Stream::err}) {
        for (auto& line : p.finish(s)) note(r, stream_name(s), line);
    }
    for (auto& line : r.console.finish()) note(r, "console", line);
    r.phase = Phase::gone;
    r.exit = ExitRecord{st.clean() ? "stopped" : st.signalled ? "signal" : "exited", st, time};
    if (!st.clean()) note(r, "arena", "controller " + st.describe() + " when told to stop at t = " + seconds(time) + " s");
}

// How fast the run went, from the controllers' first step to the last
// (loading the world and starting the controllers before, and stopping them
// after, are left out, and starting is said apart): what a user tuning a
// world or a controller wants to know.
void Simulation::report_speed(Clock::duration starting, Clock::duration stepping) {
    const double simulated = time_of(now_), wall = std::chrono::duration<double>(stepping).count();
    char line[200];
    std::snprintf(line, sizeof line,
                  "ran %.3f s of simulated time in %.3f s, %.0f times real time (starting the controllers took %.1f ms)",
                  simulated, wall, wall > 0 ? simulated / wall : 0.0,
                  std::chrono::duration<double, std::milli>(starting).count());
    display_.report(line);
}

void Simulation::fail_world(const std::string& what) {
    if (world_fault_) return;
    world_fault_ = what;
    display_.report(what);
}

nlohmann::json Simulation::summary() const {
    nlohmann::json steps = nlohmann::json::object(), exits = nlohmann::json::object(),
                   contacts = nlohmann::json::object();
    for (std::size_t i = 0; i < robots_.size(); ++i) {
        const RobotRun& r = *robots_[i];
        steps[r.name()] = r.steps;
        if (r.exit) {
            nlohmann::json e = {{"how", r.exit->how}, {"status", r.exit->status.code}, {"time", r.exit->time}};
            if (r.exit->status.signalled) e["signal"] = r.exit->status.signal_name();
            exits[r.name()] = e;
        } else {
            exits[r.name()] = {{"how", "failed"}, {"status", -1}, {"time", time_of(now_)}};  // never started
        }
        contacts[r.name()] = nlohmann::json::array();
        for (const Contact& c : contacts_[i]) {
            const char* geom = mj_id2name(model_, mjOBJ_GEOM, c.geom);
            int body = model_->geom_bodyid[c.geom];
            contacts[r.name()].push_back({{"geom", geom ? geom : "geom" + std::to_string(c.geom)},
                                          {"body", body == 0 ? std::string("world") : body_label(model_, body)},
                                          {"time", c.time}});
        }
    }
    double wall = std::chrono::duration<double>(Clock::now() - wall_start_).count();
    return {{"world", world_.folder.string()},
            {"title", world_.manifest.title},
            {"duration", time_of(now_)},
            {"seed", options_.seed},
            {"steps", steps},
            {"exits", exits},
            {"contacts", contacts},
            {"interrupted", interrupted_},
            {"error", world_fault_ ? nlohmann::json(*world_fault_) : nlohmann::json(nullptr)},
            {"wall_time", wall},
            {"figures", course_ ? nlohmann::json{{"course", course_->to_json()}} : nlohmann::json::object()}};
}

}  // namespace arena
