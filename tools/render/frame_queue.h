#pragma once
// Hands frame slots from the thread that renders them to the thread that
// encodes them, in order. The slots themselves live with the caller; the
// queue only passes their numbers, so nothing is allocated per frame.
#include <condition_variable>
#include <mutex>
#include <vector>

class FrameQueue {
public:
    explicit FrameQueue(int slots);

    // Producer: a slot to fill, waiting while every slot is taken; -1 once
    // the consumer has given up.
    int AcquireFree();
    void Publish(int slot);
    // No more frames will come.
    void Close();

    // Consumer: the oldest filled slot, waiting for one; -1 when the
    // producer has closed and all were taken.
    int NextFull();
    void Release(int slot);
    // The consumer stops; a waiting producer wakes.
    void Cancel();

private:
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<int> freeSlots;  // a stack
    std::vector<int> full;       // a ring, oldest at `head`
    size_t head = 0, count = 0;
    bool closed = false, cancelled = false;
};
