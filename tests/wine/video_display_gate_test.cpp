// The gate between display changes and dialogs being built: a thread waiting
// at it still answers what the holder sends it, nested holds keep it shut,
// and a modal box shown by the holder lets the others through meanwhile.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>

#include "video/display_gate_win32.cpp"

namespace {

struct Waiter {
    HWND window = nullptr;
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::atomic<int> entered{0};
    std::atomic<int> answered{0};
};

LRESULT CALLBACK WaiterProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_USER) {
        reinterpret_cast<Waiter*>(GetWindowLongPtrA(window, GWLP_USERDATA))->answered = 1;
        return 42;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// A thread with a window of its own that takes the gate once, then leaves.
DWORD WINAPI WaitAtGate(LPVOID context) {
    Waiter& waiter = *static_cast<Waiter*>(context);
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = WaiterProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "VeluneGateWaiter";
    RegisterClassA(&windowClass);
    waiter.window = CreateWindowExA(0, "VeluneGateWaiter", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                    windowClass.hInstance, nullptr);
    SetWindowLongPtrA(waiter.window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&waiter));
    SetEvent(waiter.ready);
    {
        display_gate::Hold gate;
        waiter.entered = 1;
    }
    DestroyWindow(waiter.window);
    return 0;
}

HANDLE StartWaiter(Waiter& waiter) {
    HANDLE thread = CreateThread(nullptr, 0, WaitAtGate, &waiter, 0, nullptr);
    WaitForSingleObject(waiter.ready, 5000);
    return thread;
}

bool Ended(HANDLE thread, DWORD ms) {
    const bool ended = WaitForSingleObject(thread, ms) == WAIT_OBJECT_0;
    if (ended) CloseHandle(thread);
    return ended;
}

DWORD WINAPI WaitBriefly(LPVOID) {
    display_gate::Hold gate(200);
    return 0;
}

class DisplayGate : public testing::Test {
protected:
    void SetUp() override { display_gate::Open(); }
    void TearDown() override { display_gate::Close(); }
};

}  // namespace

// The holder sends to a window of the thread waiting at the gate (as a mode
// change sends to the dialog's thread): the message is answered at once, and
// that thread goes in only when the holder has left, nested holds included.
TEST_F(DisplayGate, AWaiterAnswersTheHolderAndEntersAfterTheOutermostHold) {
    Waiter waiter;
    HANDLE thread;
    {
        display_gate::Hold outer;
        thread = StartWaiter(waiter);
        DWORD_PTR answer = 0;
        ASSERT_NE(SendMessageTimeoutA(waiter.window, WM_USER, 0, 0, SMTO_NORMAL, 5000, &answer), 0)
            << "the waiting thread did not answer";
        EXPECT_EQ(answer, 42u);
        {
            display_gate::Hold inner;
        }
        Sleep(100);
        EXPECT_EQ(waiter.entered.load(), 0) << "went in while the outer hold was still on";
    }
    ASSERT_TRUE(Ended(thread, 5000));
    EXPECT_EQ(waiter.entered.load(), 1);
    EXPECT_EQ(waiter.answered.load(), 1);
}

// A box shown under the gate lets another thread in, and the holder has the
// gate back, at its depth, once the box is gone.
TEST_F(DisplayGate, ABoxUnderTheGateLetsOthersThroughAndTakesItBack) {
    Waiter during, after;
    HANDLE late;
    {
        display_gate::Hold outer;
        display_gate::Hold inner;
        {
            display_gate::Release box;
            HANDLE thread = StartWaiter(during);
            EXPECT_TRUE(Ended(thread, 5000)) << "the gate stayed shut during the box";
        }
        late = StartWaiter(after);
        Sleep(100);
        EXPECT_EQ(after.entered.load(), 0) << "not taken back after the box";
    }
    ASSERT_TRUE(Ended(late, 5000));
    EXPECT_EQ(after.entered.load(), 1);
}

// A dialog's wait is bounded: a change stuck under the gate does not hold the
// thread that builds the dialog, the player's own.
TEST_F(DisplayGate, ADialogGoesOnAfterItsLimit) {
    display_gate::Hold stuck;
    HANDLE thread = CreateThread(nullptr, 0, WaitBriefly, nullptr, 0, nullptr);
    EXPECT_TRUE(Ended(thread, 3000)) << "waited past its limit";
}
