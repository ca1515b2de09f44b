// The finger filter: each finger event's position across the window, kept as it was
// pushed and found again by finger, kind and time when the event is read.
#include "shell/input/finger_filter.h"

#include <deque>
#include <mutex>

namespace {
struct RawFinger {
    uint64_t finger;
    uint32_t type;
    uint64_t timestamp;
    float x;
    float y;
};
std::mutex rawFingersLock;  // the filter runs on whichever thread pushes
std::deque<RawFinger> rawFingers;
constexpr size_t RAW_FINGERS_KEPT = 256;  // events never read (a full queue) age out

sdlx::EventFilterResult SDLCALL keepRawFinger(void*, SDL_Event* e)
{
    sdlx::Finger f;
    if (sdlx::readFinger(*e, f)) {
        const std::lock_guard<std::mutex> hold(rawFingersLock);
        if (rawFingers.size() >= RAW_FINGERS_KEPT) {
            rawFingers.pop_front();
        }
        rawFingers.push_back({f.id, e->type, e->common.timestamp, f.x, f.y});
    }
    return 1;
}
}  // namespace

void keepFingerPositions()
{
    SDL_EventFilter filter = nullptr;
    void* data = nullptr;
    if (sdlx::RENDERER_MOVES_FINGERS && !SDL_GetEventFilter(&filter, &data)) {
        SDL_SetEventFilter(keepRawFinger, nullptr);
    }
}

void keptFingerPosition(const SDL_Event& e, sdlx::Finger& f)
{
    const std::lock_guard<std::mutex> hold(rawFingersLock);
    for (auto it = rawFingers.begin(); it != rawFingers.end(); ++it) {
        if (it->finger == f.id && it->type == e.type && it->timestamp == e.common.timestamp) {
            f.x = it->x;
            f.y = it->y;
            rawFingers.erase(rawFingers.begin(), it + 1);
            return;
        }
    }
}
