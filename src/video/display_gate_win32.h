#pragma once
// One display change, or one dialog being built, at a time, whatever threads
// they come on. A dialog reads the mode lists a change rebuilds. And Wine
// holds a lock of its own through a display-mode change while it sends to
// other threads' windows, a lock that a thread showing a new window waits
// for: the two threads would wait on each other for good. A thread waiting
// at the gate answers the messages sent to it, so the holder's get through.
namespace display_gate {

void Open();   // when the library is loaded
void Close();  // when it is unloaded

// Dialogs wait this long at most: a change stuck in a driver must not hold
// the player's own thread, which builds them.
constexpr unsigned long kDialogWaitMs = 3000;

class Hold {
public:
    // Waits without limit by default; past `limitMs` goes on without the gate.
    explicit Hold(unsigned long limitMs = 0xFFFFFFFFul);
    ~Hold();
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;

private:
    bool held;
};

// A modal box shown while this thread holds the gate: it is let go for the
// box's life, which no other thread should wait out.
class Release {
public:
    Release();
    ~Release();
    Release(const Release&) = delete;
    Release& operator=(const Release&) = delete;

private:
    int depth;
};

}  // namespace display_gate
