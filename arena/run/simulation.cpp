#include "arena/run/simulation.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <stdexcept>

#include "arena/physics/command_check.h"
#include "arena/record/json_text.h"
#include "arena/record/record_write_error.h"
#include "arena/record/recording_json.h"
#include "arena/record/trace_json.h"
#include "arena/run/sampling.h"
#include "arena/run/status_line.h"
#include "arena/world/world_error.h"
#include "devices/custom_drive.h"
#include "devices/radio.h"
#include "devices/ray.h"
#include "devices/wheels.h"
#include "link/spin.h"

namespace arena {
namespace {

using Clock = std::chrono::steady_clock;

// How long a controller gets to end by itself after STOP before it is
// killed (renewed while others go on ending); shorter when the user
// interrupted the run, who expects it to end within a second.
constexpr std::chrono::milliseconds kGrace{2000};
constexpr std::chrono::milliseconds kInterruptedGrace{300};
// How long one whose link closed gets to end by itself before it is killed.
constexpr std::chrono::milliseconds kGoneGrace{500};
// How many physics steps go by between two looks for an interrupt.
constexpr std::int64_t kInterruptCheckSteps = 64;

std::string seconds(double t) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.3f", t);
    return buf;
}

LineStream line_stream(Stream s) { return s == Stream::out ? LineStream::out : LineStream::err; }

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
      contacts_(world.robots.size()) {
    physics_.blow(Wind(world.wind, options_.seed));
    for (const std::string& w : world.scene.warnings())
        report_physics(0.0, world.scene.file().string() + ": MuJoCo: " + w);
    for (std::size_t i = 0; i < world.robots.size(); ++i) {
        robots_.push_back(std::make_unique<RobotRun>(world.robots[i], options_.seed, i));
        for (int b = 0; b < model_->nbody; ++b) {
            if (in_subtree(model_, b, world.robots[i].body)) robot_of_body_[std::size_t(b)] = int(i);
        }
    }
    if (options_.live) feed_.emplace(*options_.live, world, options_.duration);
}

void Simulation::stop(RunStatus why, const std::string& what) {
    if (stopping()) return;
    end_reason_ = why;
    if (why != RunStatus::interrupted) {
        error_ = what;
        display_.report(what);
    }
}

// The run, pass by pass: the robots waking now are handed their samples,
// their steps collected, checked and applied in manifest order, and the
// physics advanced to the next wake.
RunStatus Simulation::run() {
    wall_start_ = Clock::now();
    pace_wall_ = wall_start_;
    try {
        if (recorder_) recorder_->poses().write(0.0, model_, physics_.data());
        if (world_.manifest.course)
            course_.emplace(model_, physics_.data(), *world_.manifest.course, course_body(world_));
        start_controllers();
        while (!stopping()) {
            const std::int64_t t = now_;
            if (t < end_) {
                pace(t);
                const std::vector<RobotRun*> waking = waking_at(t);
                hand_over(t, waking);
                collect(t, waking);
                if (!stopping()) check_and_actuate(t, waking);
            }
            // The controllers have started and said hello: from here on the
            // run's speed is the stepping's, not the programs' loading.
            if (t == 0) stepping_start_ = Clock::now();
            if (stopping() || now_ >= end_) break;
            std::int64_t next = end_;
            for (auto& r : robots_) {
                if (r->alive()) next = std::min(next, r->wake);
            }
            advance(next);
            if (feed_ && feed_->due(Clock::now(), control_.speed <= 0)) publish_frame();
        }
    } catch (const RecordWriteError& e) {
        stop(RunStatus::recording_failed, std::string("the recording could not be written: ") + e.what());
    } catch (const WorldError& e) {
        stop(RunStatus::bad_world, e.what());
    } catch (const std::exception& e) {
        stop(RunStatus::arena_failed, std::string("the arena failed: ") + e.what());
    }
    const auto stepped = Clock::now();
    if (stepping_start_ == Clock::time_point{}) stepping_start_ = stepped;  // failed before the first step
    finish();
    if (!error_) report_speed(stepping_start_ - wall_start_, stepped - stepping_start_);  // an error's line stays alone
    return outcome();
}

RunStatus Simulation::outcome() const {
    if (stopping()) return end_reason_;
    for (auto& r : robots_) {
        if (!r->exit || r->exit->how != ExitHow::stopped) return RunStatus::controller_failed;
    }
    return RunStatus::completed;
}

// Every controller starts before any runs a step; one that cannot be
// executed at all makes the world bad before anything has run.
void Simulation::start_controllers() {
    const auto timeout =
        std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(options_.step_timeout));
    for (auto& r : robots_) {
        try {
            const RobotSpec& spec = *r->robot.spec;
            std::vector<std::pair<std::string, std::string>> env;
            for (const EnvVar& v : spec.env) env.emplace_back(v.name, v.value);
            r->process = std::make_unique<ControllerProcess>(r->robot.program, spec.args, env);
        } catch (const std::runtime_error& e) {
            throw WorldError(world_.manifest.file.string() + ":" + std::to_string(r->robot.spec->line) + ": robot \"" +
                             r->name() + "\": " + e.what());
        }
        r->channel =
            std::make_unique<link::Channel>(r->process->link_fd(), r->process->take_lane(), link::LaneSide::arena);
        r->handed = sample(*r, model_, physics_.data(), {0, step_ms_, true}, {});
        // From its own start: starting a hundred others first is not its delay.
        r->answer_by = Clock::now() + timeout;
    }
    if (std::string note = ControllerProcess::isolation_note(); !note.empty()) display_.report(note);
}

std::vector<RobotRun*> Simulation::waking_at(std::int64_t t) {
    if (display_.progress_due())
        display_.progress(time_of(t), options_.duration, status_line(model_, physics_.data(), world_, terminal_keys_));
    std::vector<RobotRun*> waking;
    for (auto& r : robots_) {
        if (r->alive() && r->wake == t) waking.push_back(r.get());
    }
    if (!waking.empty() && options_.terminal) {
        options_.terminal->read_presses(Clock::now());
        terminal_keys_ = options_.terminal->take(Clock::now());  // every robot waking now hears them
    }
    return waking;
}

// Sample: every robot waking now is handed what its devices read, before
// any of them acts. (At time 0 the samples go with the answer to HELLO.)
void Simulation::hand_over(std::int64_t t, const std::vector<RobotRun*>& waking) {
    const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                             std::chrono::duration<double>(options_.step_timeout));
    for (RobotRun* r : waking) {
        r->fetched.clear();
        r->step.reset();
        if (r->phase != Phase::asleep) continue;  // time 0: answered on HELLO
        r->handed = sample(*r, model_, physics_.data(), {t, step_ms_, false}, keys_for(*r, time_of(t)));
        r->answer_by = deadline;
        r->phase = Phase::computing;
        try {
            r->channel->post(r->handed);
            r->channel->flush();
        } catch (const link::PeerClosed&) {
            controller_gone(*r, time_of(t), "closed its link", false);
        } catch (const link::LinkError& e) {
            controller_gone(*r, time_of(t), std::string("broke its link (") + e.what() + ")", true);
        }
    }
}

// Collect: serves the waking robots until each has sent its STEP or is gone.
// What is there already is taken without a system call: most hand-overs
// arrive while the arena watches the lanes.
void Simulation::collect(std::int64_t t, const std::vector<RobotRun*>& waking) {
    // The next physics step's first half does not depend on the forces the
    // controllers are choosing, so it runs while they choose them.
    physics_.begin_step();
    auto awaited = [](const RobotRun* r) { return r->awaited(); };
    auto movable = [&] {
        return std::any_of(waking.begin(), waking.end(), [](const RobotRun* r) {
            return r->awaited() && (r->channel->incoming() || (r->channel->sending() && r->channel->has_room()));
        });
    };
    while (!stopping() && std::any_of(waking.begin(), waking.end(), awaited)) {
        bool served = false;
        for (RobotRun* r : waking) {
            if (r->awaited()) served = serve(*r, t) || served;
        }
        if (served || !std::any_of(waking.begin(), waking.end(), awaited)) continue;
        if (link::spin_until(movable)) continue;
        sleep_until_something(t, waking);
        watchdog(t, waking);
    }
}

// Takes everything a robot's link holds now, answering as it goes, and
// never waits. A robot that breaks its link or its lane ends alone.
bool Simulation::serve(RobotRun& r, std::int64_t t) {
    bool any = false;
    try {
        if (r.channel->sending() && !r.channel->flush()) return false;  // what it asked for must go first
        while (r.awaited()) {
            const auto frame = r.channel->poll_receive();
            if (!frame) break;
            any = true;
            handle(r, *frame);
            if (r.channel->sending() && !r.channel->flush()) break;
        }
        if (r.awaited() && r.channel->ended()) {
            controller_gone(r, time_of(t), "closed its link", false);
            any = true;
        }
    } catch (const link::PeerClosed&) {
        controller_gone(r, time_of(t), "closed its link", false);
        any = true;
    } catch (const link::LinkError& e) {
        controller_gone(r, time_of(t), std::string("broke the link protocol (") + e.what() + ")", true);
        any = true;
    }
    return any;
}

void Simulation::handle(RobotRun& r, const link::Frame& frame) {
    switch (frame.type) {
    case link::MessageType::hello: answer_hello(r, frame.payload); break;
    case link::MessageType::image_request: answer_image(r, frame.payload); break;
    case link::MessageType::step: take_step(r, frame.payload); break;
    default: throw link::LinkError(std::string("unexpected ") + link::name_of(frame.type));
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
    r.channel->post(w);
    r.phase = Phase::computing;
}

void Simulation::answer_image(RobotRun& r, std::span<const std::uint8_t> payload) {
    if (r.phase != Phase::computing) throw link::LinkError("IMAGE_REQUEST before the handshake");
    // The STEP that follows lists the camera as looked at: that marks it
    // fetched in the trace.
    const link::Image image = camera_image(r, model_, physics_.data(), link::decode_image_request(payload).tag);
    if (feed_ && image.tag >= 1 && image.tag <= r.robot.devices.size())
        feed_->image(r.name(), r.robot.devices[image.tag - 1u].spec->name, image.width, image.height, image.rgb);
    r.channel->post(image);
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

// Sleeps in poll() until a waited-for controller writes, reads or ends, any
// controller's output arrives, a key is pressed, the run is interrupted or
// a watchdog is due; serves what woke it.
void Simulation::sleep_until_something(std::int64_t t, const std::vector<RobotRun*>& waking) {
    std::vector<RobotRun*> armed;
    for (RobotRun* r : waking) {
        if (!r->awaited()) continue;
        bool sleep = true;
        try {
            sleep = r->channel->sending() ? r->channel->arm_for_room() : r->channel->arm();
        } catch (const link::LinkError& e) {
            controller_gone(*r, time_of(t), std::string("broke its link (") + e.what() + ")", true);
        }
        if (!sleep) {  // it moved meanwhile
            for (RobotRun* a : armed) a->channel->woken(false);
            return;
        }
        if (r->awaited()) armed.push_back(r);
    }
    std::vector<pollfd> fds;
    std::vector<std::function<void()>> handlers;
    auto watch = [&](int fd, std::function<void()> handler) {
        if (fd < 0) return;
        fds.push_back({fd, POLLIN, 0});
        handlers.push_back(std::move(handler));
    };
    watch(interrupts_.fd(), [&] {
        if (interrupts_.raised()) stop(RunStatus::interrupted, "");
    });
    if (options_.terminal) watch(options_.terminal->fd(), [&] { options_.terminal->read_presses(Clock::now()); });
    for (auto& r : robots_) {
        if (!r->process) continue;
        RobotRun& rr = *r;
        for (Stream s : {Stream::out, Stream::err})
            watch(rr.process->stream_fd(s), [&rr, s, this] { read_output(rr, s); });
    }
    // A controller's own end, even while a child of its holds the link. Only
    // the waited-for ones: the others' ends are seen at their next wake, so
    // that the time reported does not depend on the wall clock.
    for (RobotRun* r : armed) {
        watch(r->process->exit_fd(), [r, t, this] {
            serve(*r, t);  // what it sent before it ended
            if (r->awaited()) controller_gone(*r, time_of(t), "ended", false);
        });
    }
    const std::size_t links = fds.size();
    for (RobotRun* r : armed) fds.push_back({r->channel->fd(), POLLIN, 0});
    if (poll(fds.data(), fds.size(), poll_timeout_ms(waking)) < 0 && errno != EINTR) {
        throw std::runtime_error(std::string("poll failed: ") + std::strerror(errno));
    }
    for (std::size_t i = 0; i < links; ++i) {
        if (fds[i].revents) handlers[i]();
    }
    for (std::size_t i = 0; i < armed.size(); ++i) {
        // Every armed lane is disarmed; the ones with news are served.
        if (!armed[i]->awaited()) continue;
        if (armed[i]->channel->woken(fds[links + i].revents != 0) && !stopping()) serve(*armed[i], t);
    }
}

// Until the nearest watchdog deadline of the robots waited for; no limit
// when the watchdog is off.
int Simulation::poll_timeout_ms(const std::vector<RobotRun*>& waking) const {
    if (options_.step_timeout <= 0) return -1;
    auto nearest = Clock::time_point::max();
    for (const RobotRun* r : waking) {
        if (r->awaited()) nearest = std::min(nearest, r->answer_by);
    }
    if (nearest == Clock::time_point::max()) return -1;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(nearest - Clock::now()).count();
    return int(std::clamp<long long>(left, 0, 60'000));
}

// A controller that has not answered in its time is ended; its robot rests
// and the others go on.
void Simulation::watchdog(std::int64_t t, const std::vector<RobotRun*>& waking) {
    if (options_.step_timeout <= 0) return;
    const auto now = Clock::now();
    for (RobotRun* r : waking) {
        if (!r->awaited() || now < r->answer_by) continue;
        char budget[32];
        std::snprintf(budget, sizeof budget, "%g", options_.step_timeout);
        controller_gone(*r, time_of(t),
                        std::string("did not answer ") + (r->phase == Phase::hello ? "its handshake" : "its step") +
                            " for " + budget + " s",
                        true);
    }
}

void Simulation::read_output(RobotRun& r, Stream s) {
    for (auto& line : r.process->read_lines(s)) note(r, line_stream(s), line);
}

void Simulation::note(RobotRun& r, LineStream stream, const std::string& text) {
    if (stream == LineStream::arena) {
        display_.report("robot \"" + r.name() + "\": " + text);
    } else {
        display_.line(r.name(), text);
    }
    if (course_ && stream == LineStream::console) course_->console_line(physics_.data(), r.name(), text);
    r.pending.push_back({stream, text});
}

void Simulation::flush_pending(RobotRun& r, double t) {
    // Cleared first: a write that fails must not leave the lines to be
    // written again by the summary's last flush.
    std::vector<PendingLine> lines = std::move(r.pending);
    r.pending.clear();
    if (feed_) {
        for (auto& p : lines) feed_->console(t, r.name(), name_of(p.stream), p.text);
    }
    if (!recorder_) return;
    for (auto& p : lines) recorder_->console().write(t, r.name(), name_of(p.stream), p.text);
}

// Whether the step a robot asked for is a whole number of physics steps; a
// robot that asks for another stops the run as a bad world.
bool Simulation::steps_whole(RobotRun& r, double time, std::int64_t& whole) {
    const double physics_steps = double(r.step->ms) / step_ms_;
    whole = std::llround(physics_steps);
    if (whole >= 1 && std::fabs(physics_steps - double(whole)) <= 1e-6) return true;
    char period[32];
    std::snprintf(period, sizeof period, "%g", step_ms_);
    stop(RunStatus::bad_world, world_.manifest.file.string() + ": robot \"" + r.name() + "\": requested a step of " +
                                   std::to_string(r.step->ms) + " ms at t = " + seconds(time) +
                                   " s, not a whole number of the scene's " + period + " ms physics steps");
    return false;
}

// Check and actuate: the steps are recorded and applied in manifest order,
// whatever order they came in.
void Simulation::check_and_actuate(std::int64_t t, const std::vector<RobotRun*>& waking) {
    const double time = time_of(t);
    std::vector<std::pair<RobotRun*, std::int64_t>> stepped;  // robot, physics steps it asked for
    for (RobotRun* r : waking) {
        if (r->phase == Phase::stepped) {
            const link::Step& s = *r->step;
            ++r->steps;
            if (recorder_) {
                nlohmann::json step = {{"step", r->steps},
                                       {"t", time},
                                       {"ms", s.ms},
                                       {"samples", samples_json(r->robot, r->handed, r->fetched)},
                                       {"commands", commands_json(r->robot, s)}};
                // The wind on its body as the step began, world axes (N).
                if (auto wind = physics_.wind().force_on(r->robot.body)) step["wind"] = *wind;
                recorder_->trace(std::size_t(&r->robot - world_.robots.data()), step);
            }
            if (feed_ && feed_->wants_step(r->name(), !r->handed.keys.empty())) {
                // The wall clock beside the step lets a page measure how long
                // its keys took to reach the robot.
                const double wall_ms =
                    std::chrono::duration<double, std::milli>(std::chrono::system_clock::now().time_since_epoch())
                        .count();
                feed_->step(r->name(), {{"t", time},
                                        {"wall", wall_ms},
                                        {"samples", samples_json(r->robot, r->handed, r->fetched)},
                                        {"commands", commands_json(r->robot, s)}});
            }
            for (auto& line : r->console.add(s.console)) note(*r, LineStream::console, line);
            std::int64_t whole = 0;
            if (steps_whole(*r, time, whole)) stepped.push_back({r, whole});
        }
        flush_pending(*r, time);
    }
    if (stopping()) return;
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
    if (moved) physics_.placed();                        // what the next samples and steps see
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
                note(*q, LineStream::arena,
                     "receiver \"" + q->robot.devices[i].spec->name + "\" is full: a packet from \"" + from.name() +
                         "\" was dropped (" + std::to_string(state.queue->dropped()) + " so far)");
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
    if (r.refused) return;
    if (auto why = refuse_commands(s)) {
        r.refused = true;
        note(r, LineStream::arena,
             "commands refused at t = " + seconds(time_of(t)) + " s: " + *why + "; its robot is at rest");
        rest(r);
        return;
    }
    if (s.wheels && r.robot.wheels)
        set_wheel_speeds(model_, physics_.data(), *r.robot.wheels, (*s.wheels)[0], (*s.wheels)[1]);
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

// A controller that ended, or that the arena ends (kill: it broke its link
// or did not answer). One that ended by itself is described by its exit
// alone, however the arena noticed (its link closing or its pidfd), so the
// recording says the same whichever came first.
void Simulation::controller_gone(RobotRun& r, double t, const std::string& why, bool kill) {
    if (!r.alive()) return;
    r.phase = Phase::gone;
    const ExitStatus st = r.process->wait(kill ? std::chrono::milliseconds(0) : kGoneGrace);
    for (Stream s : {Stream::out, Stream::err}) {
        for (auto& line : r.process->finish(s)) note(r, line_stream(s), line);
    }
    for (auto& line : r.console.finish()) note(r, LineStream::console, line);
    const bool ended = !kill && !r.process->killed();
    r.exit = ExitRecord{!ended ? ExitHow::failed : st.signalled ? ExitHow::signal : ExitHow::exited, st, t};
    note(r, LineStream::arena,
         "controller " + (ended ? st.describe() : why + " and was killed") + " at t = " + seconds(t) +
             " s; its robot is at rest");
    rest(r);
    r.process->close_link();
}

// Advance: the physics steps to the next wake, every step by the same rule.
// A physics that breaks down (a buffer overflowing, MuJoCo resetting the
// world) stops the run as a bad world, said with the scene and the time.
void Simulation::advance(std::int64_t to) {
    const std::int64_t from = now_;
    while (now_ < to) {
        // Paced runs keep to the clock at every physics step, not only at
        // wakes, so that a page sees the bodies move smoothly between them.
        if (now_ > from) keep_pace(now_);
        try {
            physics_.step();
        } catch (const PhysicsError& e) {
            throw WorldError(world_.scene.file().string() + ": " + e.what());
        }
        ++now_;
        for (const std::string& m : physics_.take_messages()) report_physics(time_of(now_), m);
        check_contacts();
        if (course_) course_->observe(model_, physics_.data());
        if (recorder_ && now_ % record_every_ == 0) {
            physics_.update_poses();
            recorder_->poses().write(time_of(now_), model_, physics_.data());
        }
        if (now_ % kInterruptCheckSteps == 0 && interrupts_.raised()) {
            stop(RunStatus::interrupted, "");
            return;
        }
    }
    // Samples need the bodies' poses where they are now; a step leaves them
    // one step behind. Kinematics is all the devices read, and the next
    // step recomputes everything else.
    physics_.update_poses();
}

// MuJoCo's word on the world, not any robot's: an arena line with an empty
// robot field.
void Simulation::report_physics(double t, const std::string& line) {
    display_.report(line);
    if (feed_) feed_->console(t, "", "arena", line);
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

// Paces the run to the wall clock at the chosen speed (--realtime, --view),
// holds it while paused, and lets one step through when asked; the pages'
// commands and the terminal's keys are taken while it waits.
void Simulation::pace(std::int64_t t) {
    if (!options_.realtime && !feed_) return;
    for (;;) {
        if (feed_) apply_page_commands();
        if (stopping()) return;
        if (control_.paused) {
            if (step_once_) {
                step_once_ = false;
                return;
            }
            wait_for_wall(-1);
            continue;
        }
        keep_pace(t);
        if (!control_.paused || stopping()) return;  // else paused while it waited
    }
}

// Waits for the wall-clock time of physics step `step` at the chosen speed.
void Simulation::keep_pace(std::int64_t step) {
    if ((!options_.realtime && !feed_) || control_.paused || control_.speed <= 0) return;
    const auto target = pace_wall_ + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(
                                         (time_of(step) - time_of(pace_step_)) / control_.speed));
    for (auto now = Clock::now(); now < target && !stopping(); now = Clock::now())
        wait_for_wall(int(std::chrono::ceil<std::chrono::milliseconds>(target - now).count()));
}

// Sleeps up to timeout_ms (-1: until something happens), waking for an
// interrupt, a key on the terminal, a page's command, or a frame due.
void Simulation::wait_for_wall(int timeout_ms) {
    if (feed_) {
        const auto frame_in = std::chrono::ceil<std::chrono::milliseconds>(LiveFeed::kFramePeriod).count();
        timeout_ms = timeout_ms < 0 ? int(frame_in) : std::min(timeout_ms, int(frame_in));
    }
    pollfd fds[3] = {{interrupts_.fd(), POLLIN, 0},
                     {options_.terminal ? options_.terminal->fd() : -1, POLLIN, 0},
                     {options_.live ? options_.live->wake_fd() : -1, POLLIN, 0}};
    if (poll(fds, 3, timeout_ms) > 0) {
        if (fds[0].revents && interrupts_.raised()) stop(RunStatus::interrupted, "");
        if (fds[1].revents) options_.terminal->read_presses(Clock::now());
    }
    if (feed_) apply_page_commands();
    if (feed_ && feed_->due(Clock::now(), control_.speed <= 0)) publish_frame();
}

// Simulated time runs on from here at the speed now chosen.
void Simulation::reanchor() {
    pace_wall_ = Clock::now();
    pace_step_ = now_;
}

void Simulation::apply_page_commands() {
    if (!options_.live->has_commands()) return;
    for (const PageCommand& c : options_.live->take_commands()) {
        switch (c.kind) {
        case PageCommandKind::key_down:
        case PageCommandKind::key_up: {
            const std::string robot = c.robot.empty() ? pilot() : c.robot;
            const bool known = std::any_of(robots_.begin(), robots_.end(), [&](auto& r) { return r->name() == robot; });
            if (!known) {
                display_.report("live view: a key for robot \"" + robot.substr(0, 64) +
                                "\", which the world does not have, was dropped");
                break;
            }
            if (c.kind == PageCommandKind::key_down) options_.keys.press(robot, c.code);
            else options_.keys.release(robot, c.code);
            break;
        }
        case PageCommandKind::pause: control_.paused = true; break;
        case PageCommandKind::resume:
            control_.paused = false;
            reanchor();
            break;
        case PageCommandKind::step: step_once_ = control_.paused; break;
        case PageCommandKind::speed:
            control_.speed = c.speed;
            reanchor();
            break;
        }
    }
    publish_frame();  // every page sees the change at once
}

// The robot the pages fly: the first, in the world's order, that has
// enabled its keyboard.
std::string Simulation::pilot() const {
    for (auto& r : robots_) {
        if (r->keyboard_period > 0) return r->name();
    }
    return "";
}

void Simulation::publish_frame() {
    control_.pilot = pilot();
    nlohmann::json figures = nlohmann::json::object();
    if (course_ && feed_->watched()) {
        figures["course"] = course_->to_json();
        figures["course"]["next_gate"] = course_->next_gate(physics_.data());
    }
    feed_->publish(time_of(now_), model_, physics_.data(), control_, std::move(figures));
}

std::vector<int> Simulation::keys_for(const RobotRun& r, double t) {
    std::vector<int> keys = options_.keys.take(r.name(), t);
    for (int k : terminal_keys_) {
        if (std::find(keys.begin(), keys.end(), k) == keys.end()) keys.push_back(k);
    }
    return keys;
}

// Stops every controller and writes what is left of the recording, however
// the run ended. A recording that fails here is said; the controllers are
// stopped all the same.
void Simulation::finish() {
    const double time = time_of(now_);
    stop_controllers(time);
    try {
        if (recorder_) {
            if (now_ % record_every_ != 0) {
                mj_kinematics(model_, physics_.data());
                recorder_->poses().write(time, model_, physics_.data());  // where everything ended
            }
            for (auto& r : robots_) flush_pending(*r, time);
        }
        const nlohmann::json s = summary();
        if (recorder_) recorder_->summary(s);
        if (!options_.summary_file.empty()) write_json_file(options_.summary_file, s);
    } catch (const std::exception& e) {
        stop(RunStatus::recording_failed, std::string("the recording could not be written: ") + e.what());
        if (end_reason_ != RunStatus::recording_failed) {
            display_.report(std::string("the recording could not be written: ") + e.what());
        }
    }
}

// Sends STOP to every controller still running, then waits for them all at
// once, reading their last output, until they have ended or the grace is
// over with none ending; the rest are killed. Nothing here waits on any
// one controller.
void Simulation::stop_controllers(double time) {
    for (auto& r : robots_) {
        if (!r->alive() || !r->channel) continue;
        try {
            r->channel->post(link::Stop{});
            r->channel->flush();
        } catch (const link::LinkError&) {
            // Already gone, or its lane broken; its exit says how below.
        }
    }
    const bool interrupted = end_reason_ == RunStatus::interrupted;
    auto deadline = Clock::now() + (interrupted ? kInterruptedGrace : kGrace);
    // Those told to stop: each one that ends, from here on, renews the grace.
    auto were_running = std::size_t(
        std::count_if(robots_.begin(), robots_.end(), [](const auto& r) { return r->alive() && r->process; }));
    while (Clock::now() < deadline) {
        std::vector<pollfd> fds;
        std::vector<RobotRun*> who;
        std::size_t running = 0;
        for (auto& r : robots_) {
            if (!r->alive() || !r->process || r->process->poll_exit()) continue;
            ++running;
            try {
                if (r->channel->sending()) r->channel->flush();
            } catch (const link::LinkError&) {
            }
            for (int fd :
                 {r->process->exit_fd(), r->process->stream_fd(Stream::out), r->process->stream_fd(Stream::err)}) {
                if (fd >= 0) fds.push_back({fd, POLLIN, 0}), who.push_back(r.get());
            }
        }
        if (fds.empty()) break;
        // While they go on ending, the rest are held up by the others on a
        // busy machine (a hundred ending at once on two cores), not stuck:
        // each end renews the grace, unless the user is waiting on an interrupt.
        if (running < were_running && !interrupted) deadline = Clock::now() + kGrace;
        were_running = running;
        fds.push_back({interrupts_.fd(), POLLIN, 0});
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        // A little at a time: a controller's STOP may wait for room in its lane.
        if (poll(fds.data(), fds.size(), int(std::clamp<long long>(left, 1, 20))) < 0 && errno != EINTR) break;
        if (fds.back().revents && interrupts_.raised()) break;  // a second Ctrl-C: end them now
        for (std::size_t i = 0; i + 1 < fds.size(); ++i) {
            if (fds[i].revents) {
                read_output(*who[i], Stream::out);
                read_output(*who[i], Stream::err);
            }
        }
    }
    for (auto& r : robots_) {
        if (!r->alive() || !r->process) continue;
        ExitStatus st = r->process->wait(std::chrono::milliseconds(0));
        for (Stream s : {Stream::out, Stream::err}) {
            for (auto& line : r->process->finish(s)) note(*r, line_stream(s), line);
        }
        for (auto& line : r->console.finish()) note(*r, LineStream::console, line);
        r->phase = Phase::gone;
        r->exit = ExitRecord{st.clean()             ? ExitHow::stopped
                             : r->process->killed() ? ExitHow::failed
                             : st.signalled         ? ExitHow::signal
                                                    : ExitHow::exited,
                             st, time};
        const std::string how = r->process->killed() ? "was killed, not having ended" : st.describe();
        if (!st.clean())
            note(*r, LineStream::arena, "controller " + how + " when told to stop at t = " + seconds(time) + " s");
    }
}

// How fast the run went, from the controllers' first step to the last
// (loading the world and starting the controllers before, and stopping them
// after, are left out, and starting is said apart): what a user tuning a
// world or a controller wants to know.
void Simulation::report_speed(Clock::duration starting, Clock::duration stepping) {
    const double simulated = time_of(now_), wall = std::chrono::duration<double>(stepping).count();
    char line[200];
    std::snprintf(
        line, sizeof line,
        "ran %.3f s of simulated time in %.3f s, %.0f times real time (starting the controllers took %.1f ms)",
        simulated, wall, wall > 0 ? simulated / wall : 0.0,
        std::chrono::duration<double, std::milli>(starting).count());
    display_.report(line);
}

nlohmann::json Simulation::summary() const {
    nlohmann::json steps = nlohmann::json::object(), exits = nlohmann::json::object(),
                   contacts = nlohmann::json::object();
    for (std::size_t i = 0; i < robots_.size(); ++i) {
        const RobotRun& r = *robots_[i];
        steps[r.name()] = r.steps;
        if (r.exit) {
            nlohmann::json e = {{"how", name_of(r.exit->how)}, {"status", r.exit->status.code}, {"time", r.exit->time}};
            if (r.exit->status.signalled) e["signal"] = r.exit->status.signal_name();
            exits[r.name()] = e;
        } else {
            exits[r.name()] = {
                {"how", name_of(ExitHow::failed)}, {"status", -1}, {"time", time_of(now_)}};  // never started
        }
        contacts[r.name()] = nlohmann::json::array();
        for (const Contact& c : contacts_[i]) {
            const char* geom = mj_id2name(model_, mjOBJ_GEOM, c.geom);
            int body = model_->geom_bodyid[c.geom];
            contacts[r.name()].push_back(
                {{"geom", json_text(geom ? geom : "geom" + std::to_string(c.geom))},
                 {"body", json_text(body == 0 ? std::string("world") : body_label(model_, body))},
                 {"time", c.time}});
        }
    }
    double wall = std::chrono::duration<double>(Clock::now() - wall_start_).count();
    return {{"world", json_text(world_.folder.string())},
            {"title", json_text(world_.manifest.title)},
            {"duration", time_of(now_)},
            {"seed", options_.seed},
            {"overrides", overrides_json(world_.overrides)},
            {"steps", steps},
            {"exits", exits},
            {"contacts", contacts},
            {"interrupted", end_reason_ == RunStatus::interrupted},
            {"status", int(outcome())},
            {"error", error_ ? json_text(*error_) : nlohmann::json(nullptr)},
            {"wall_time", wall},
            {"figures", course_ ? nlohmann::json{{"course", course_->to_json()}} : nlohmann::json::object()}};
}

}  // namespace arena
