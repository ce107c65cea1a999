#include "arena/run/key_schedule.h"

#include <algorithm>

namespace arena {
namespace {

void add_once(std::vector<int>& codes, int c) {
    if (std::find(codes.begin(), codes.end(), c) == codes.end()) codes.push_back(c);
}

}  // namespace

std::vector<int> KeySchedule::held(const std::string& robot, double t) const {
    std::vector<int> codes;
    for (const KeyHold& h : holds_) {
        if (h.robot != robot || t < h.from || t >= h.to) continue;
        for (int c : h.codes) add_once(codes, c);
    }
    return codes;
}

void KeySchedule::press(const std::string& robot, int code) {
    for (LiveKey& k : live_) {
        if (k.robot != robot || k.code != code) continue;
        if (!k.down) k.down = k.unreported = true;  // a repeat of a key already down is no new press
        return;
    }
    live_.push_back({robot, code, true, true});
}

void KeySchedule::release(const std::string& robot, int code) {
    for (LiveKey& k : live_) {
        if (k.robot == robot && k.code == code) k.down = false;
    }
}

void KeySchedule::release_all() {
    for (LiveKey& k : live_) k.down = false;
}

std::vector<int> KeySchedule::take(const std::string& robot, double t) {
    std::vector<int> codes;
    for (std::size_t i = 0; i < holds_.size(); ++i) {
        const KeyHold& h = holds_[i];
        if (h.robot != robot || t < h.from || t >= h.to) continue;
        for (int c : h.codes) {
            if (once(c) && !once_reported_.insert({i, c}).second) continue;
            add_once(codes, c);
        }
    }
    for (LiveKey& k : live_) {
        if (k.robot != robot) continue;
        if (k.unreported || (k.down && !once(k.code))) add_once(codes, k.code);
        k.unreported = false;
    }
    std::erase_if(live_, [](const LiveKey& k) { return !k.down && !k.unreported; });
    return codes;
}

}  // namespace arena
