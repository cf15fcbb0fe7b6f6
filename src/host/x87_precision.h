#pragma once
// The x87 precision is the caller's setting, not ours: MSVC-built players run
// at 53 bits, MinGW-built ones at 64, and the plug-in's doubles must round the
// same in both. Every entry from the player or the system computes at 53 bits,
// round to nearest, and gives the caller its own word back on the way out;
// every call out to the player runs at the caller's word.
//
//   PluginPrecision guard;     first line of Init, Render, Quit, Config (in
//                              PluginEntry, host/plugin_entry.h) and
//                              every window or dialog procedure
//   CallerPrecision asCaller;  around SendMessage to the player and any
//                              dispatch of the thread's other windows
#include <cstdint>

namespace x87 {
#if defined(__i386__)
inline uint16_t ControlWord() {
    uint16_t word;
    __asm__ __volatile__("fnstcw %0" : "=m"(word));
    return word;
}
inline void SetControlWord(uint16_t word) { __asm__ __volatile__("fldcw %0" : : "m"(word)); }
#else
// x86-64 computes doubles in SSE registers: nothing to pin.
inline uint16_t ControlWord() { return 0x027F; }
inline void SetControlWord(uint16_t) {}
#endif

constexpr uint16_t kPrecisionAndRounding = 0x0F00;
constexpr uint16_t kDoubleNearest = 0x0200;  // precision 10b, rounding 00b

inline uint16_t PluginWord(uint16_t caller) {
    return static_cast<uint16_t>((caller & ~kPrecisionAndRounding) | kDoubleNearest);
}

// The word of whoever called into the plug-in on this thread.
inline uint16_t& CallerWord() {
    static thread_local uint16_t word = 0x037F;
    return word;
}
}  // namespace x87

class PluginPrecision {
public:
    PluginPrecision() : saved(x87::ControlWord()), outerCaller(x87::CallerWord()) {
        x87::CallerWord() = saved;
        x87::SetControlWord(x87::PluginWord(saved));
    }
    ~PluginPrecision() {
        x87::CallerWord() = outerCaller;
        x87::SetControlWord(saved);
    }
    PluginPrecision(const PluginPrecision&) = delete;
    PluginPrecision& operator=(const PluginPrecision&) = delete;

private:
    uint16_t saved;
    uint16_t outerCaller;
};

class CallerPrecision {
public:
    CallerPrecision() : saved(x87::ControlWord()) { x87::SetControlWord(x87::CallerWord()); }
    ~CallerPrecision() { x87::SetControlWord(saved); }
    CallerPrecision(const CallerPrecision&) = delete;
    CallerPrecision& operator=(const CallerPrecision&) = delete;

private:
    uint16_t saved;
};
