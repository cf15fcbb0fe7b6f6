#include "frame_queue.h"

FrameQueue::FrameQueue(int slots) : full(static_cast<size_t>(slots)) {
    for (int i = slots - 1; i >= 0; --i) freeSlots.push_back(i);
}

int FrameQueue::AcquireFree() {
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait(lock, [this] { return cancelled || !freeSlots.empty(); });
    if (cancelled) return -1;
    const int slot = freeSlots.back();
    freeSlots.pop_back();
    return slot;
}

void FrameQueue::Publish(int slot) {
    {
        std::lock_guard<std::mutex> lock(mutex);
        full[(head + count) % full.size()] = slot;
        ++count;
    }
    changed.notify_all();
}

void FrameQueue::Close() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        closed = true;
    }
    changed.notify_all();
}

int FrameQueue::NextFull() {
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait(lock, [this] { return count > 0 || closed || cancelled; });
    if (count == 0 || cancelled) return -1;
    const int slot = full[head];
    head = (head + 1) % full.size();
    --count;
    return slot;
}

void FrameQueue::Release(int slot) {
    {
        std::lock_guard<std::mutex> lock(mutex);
        freeSlots.push_back(slot);
    }
    changed.notify_all();
}

void FrameQueue::Cancel() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        cancelled = true;
    }
    changed.notify_all();
}
