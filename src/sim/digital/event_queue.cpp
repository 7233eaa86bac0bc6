#include "sim/digital/digital_network.h"

#include <iterator>

namespace ob7 {

void DigitalEventQueue::Clear() {
    while (!ticks_.empty()) Erase(ticks_.begin());
}

DigitalEventQueue::Map::iterator DigitalEventQueue::Lookup(uint32_t tick) {
    if (Map::iterator* at = cache_.Get(tick)) return *at;
    auto it = ticks_.find(tick);
    if (it != ticks_.end()) cache_.Put(it);
    return it;
}

bool DigitalEventQueue::AddSearched(const DigitalEvent& event, bool may_replace, size_t* index, bool* replaced) {
    if (replaced) *replaced = false;
    if (event.tick > horizon) return false;
    auto it = Lookup(event.tick);
    if (it == ticks_.end()) {
        if (!spare_.empty()) {
            Map::node_type node = std::move(spare_.back());
            spare_.pop_back();
            node.key() = event.tick;
            it = ticks_.insert(std::move(node)).position;
        } else {
            it = ticks_.emplace(event.tick, Bucket{}).first;
        }
        cache_.Put(it);
    } else if (may_replace) {
        auto& bucket = it->second;
        for (size_t i = 0; i < bucket.size(); ++i) {
            DigitalEvent& e = bucket[i];
            if (e.node == event.node && e.primitive == event.primitive) {
                e.state = event.state;
                e.low = event.low;
                e.high = event.high;
                if (index) *index = i;
                if (replaced) *replaced = true;
                return true;
            }
        }
    }
    if (index) *index = it->second.size();
    it->second.push_back(event);
    ++stored_;
    return true;
}

uint32_t DigitalEventQueue::SnapSearched(uint32_t tick) const {
    auto after = ticks_.lower_bound(tick);
    if (after != ticks_.end() && after->first == tick) return tick;
    uint32_t best = tick, distance = kEventSnapTicks + 1;
    if (after != ticks_.begin()) {
        const uint32_t before = std::prev(after)->first;
        if (before > 0 && tick - before <= kEventSnapTicks) best = before, distance = tick - before;
    }
    if (after != ticks_.end() && after->first - tick <= kEventSnapTicks && after->first - tick < distance)
        best = after->first;
    return best;
}

DigitalEvent* DigitalEventQueue::At(uint32_t tick, size_t index) {
    auto it = Lookup(tick);
    if (it == ticks_.end() || index >= it->second.size()) return nullptr;
    return &it->second[index];
}

void DigitalEventQueue::Erase(Map::iterator at) {
    cache_.Drop(at->first);
    Map::node_type node = ticks_.extract(at);
    stored_ -= node.mapped().size();
    node.mapped().clear();
    if (spare_.size() < 256) spare_.push_back(std::move(node));
}

void DigitalEventQueue::PopHead() {
    if (!ticks_.empty()) Erase(ticks_.begin());
}

DigitalEvent* DigitalEventQueue::Find(uint32_t tick, int node, int primitive) {
    auto it = Lookup(tick);
    if (it == ticks_.end()) return nullptr;
    for (DigitalEvent& e : it->second)
        if (e.node == node && (primitive <= 0 || e.primitive == primitive)) return &e;
    return nullptr;
}

bool DigitalEventQueue::Remove(uint32_t tick, int node) {
    auto it = Lookup(tick);
    if (it == ticks_.end()) return false;
    for (DigitalEvent& e : it->second) {
        if (e.node == node) {
            e.node = 0;
            return true;
        }
    }
    return false;
}

uint32_t DigitalEventQueue::FindPendingTick(int node, int primitive) const {
    for (const auto& [tick, bucket] : ticks_)
        for (const DigitalEvent& e : bucket)
            if (e.node == node && e.primitive == primitive) return tick;
    return 0;
}

size_t DigitalEventQueue::Size() const {
    size_t n = 0;
    for (const auto& [tick, bucket] : ticks_)
        for (const DigitalEvent& e : bucket) n += e.node != 0;
    return n;
}

}  // namespace ob7
