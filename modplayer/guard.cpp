// The guard between the control calls and the tick handler.
//
// A change stores forbid = -1 and then reads the running flag; a tick sets the
// running flag and then reads forbid. Both orders are sequentially consistent,
// so at least one side sees the other: either the tick backs off, or the
// change waits for it. The wait yields, since a tick takes microseconds.
#include <atomic>
#include <thread>

#include "jgmod_guard.h"

static std::atomic<int> tick_running(0);
static thread_local int tick_depth = 0;    // > 0 on the thread inside a tick
static thread_local int change_depth = 0;  // nesting of changes on this thread

void jgmod_begin_change(void)
{
    if (change_depth++ > 0 || tick_depth > 0)
        return;
    __atomic_store_n(&mi.forbid, -1, __ATOMIC_SEQ_CST);
    while (tick_running.load(std::memory_order_seq_cst) != 0)
        std::this_thread::yield();
}

void jgmod_end_change(void)
{
    if (--change_depth > 0 || tick_depth > 0)
        return;
    __atomic_store_n(&mi.forbid, 0, __ATOMIC_SEQ_CST);
}

int jgmod_enter_tick(void)
{
    int idle = 0;
    if (!tick_running.compare_exchange_strong(idle, 1, std::memory_order_seq_cst))
        return 0;
    if (__atomic_load_n(&mi.forbid, __ATOMIC_SEQ_CST) == -1) {
        tick_running.store(0, std::memory_order_seq_cst);
        return 0;
    }
    tick_depth++;
    return 1;
}

void jgmod_leave_tick(void)
{
    tick_depth--;
    tick_running.store(0, std::memory_order_seq_cst);
}

int jgmod_load_shared(const int *word)
{
    return __atomic_load_n(word, __ATOMIC_ACQUIRE);
}

void jgmod_store_shared(int *word, int value)
{
    __atomic_store_n(word, value, __ATOMIC_RELEASE);
}

JGMOD *jgmod_current_module(void)
{
    return __atomic_load_n(&of, __ATOMIC_ACQUIRE);
}

void jgmod_set_current_module(JGMOD *j)
{
    __atomic_store_n(&of, j, __ATOMIC_RELEASE);
}
