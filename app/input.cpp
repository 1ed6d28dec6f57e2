// Resting between passes, keys that ended a screen, and the close button.
// The hooks run on the library's own threads (timer, input): they only touch
// atomics and wake the main thread.
#include "app/input.h"

#include <allegro.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace {

std::mutex wake_mutex;
std::condition_variable wake;
unsigned wake_count = 0; // guarded by wake_mutex

// A lost wake-up costs at most this; the game tick normally comes first.
const std::chrono::milliseconds LONGEST_REST(20);

std::atomic<bool> spent[KEY_MAX];
std::atomic<bool> close_requested{false};

void On_Key(int scancode)
{
    if (scancode & 0x80) {
        spent[scancode & 0x7F] = false;
    }
    WakeLoops();
}

void On_Mouse(int flags)
{
    (void)flags;
    WakeLoops();
}

void On_Close(void)
{
    close_requested = true;
    // The library's own dialogs (file selector, alert) read only the key
    // buffer; Escape is their way out, and the loops see the flag.
    simulate_keypress(KEY_ESC << 8 | 27);
    WakeLoops();
}

} // namespace

void InstallInputHooks(void)
{
    keyboard_lowlevel_callback = On_Key;
    mouse_callback = On_Mouse;
    set_close_button_callback(On_Close);
}

void WakeLoops(void)
{
    {
        std::lock_guard<std::mutex> lock(wake_mutex);
        wake_count++;
    }
    wake.notify_all();
}

void RestUntilTick(void)
{
    std::unique_lock<std::mutex> lock(wake_mutex);
    unsigned seen = wake_count;
    wake.wait_for(lock, LONGEST_REST, [seen] { return wake_count != seen; });
}

void WaitForKey(int scancode, int down)
{
    while (!key[scancode] == (down != 0) && !CloseRequested()) {
        RestUntilTick();
    }
}

void WaitForKeypress(void)
{
    while (!keypressed() && !CloseRequested()) {
        RestUntilTick();
    }
}

int KeyHeld(int scancode)
{
    if (!key[scancode]) {
        // Also mends a release that slipped between a test and SpendHeldKeys.
        spent[scancode] = false;
        return 0;
    }
    if (spent[scancode].exchange(true)) {
        return 0;
    }
    return -1;
}

void SpendHeldKeys(void)
{
    for (int scancode = 0; scancode < KEY_MAX; scancode++) {
        if (key[scancode]) {
            spent[scancode] = true;
        }
    }
}

int CloseRequested(void)
{
    return close_requested ? -1 : 0;
}
