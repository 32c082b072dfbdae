#pragma once
// Events that the render thread and the streaming thread meet on. Events of one group
// share a mutex and condition variable so a thread can wait for whichever comes first.
// An auto-reset event keeps its signal until one waiter takes it, so a signal given
// before anyone waits is not lost.

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

struct FEventGroup
{
    std::mutex mutex;
    std::condition_variable changed;
};

class FAutoResetEvent
{
public:
    // manualReset: the signal stays for every waiter until Reset (used for "the thread has ended").
    explicit FAutoResetEvent(std::shared_ptr<FEventGroup> group = std::make_shared<FEventGroup>(),
                             bool manualReset = false);

    void Set();
    void Reset();
    // Waits for the event; false on time-out.
    bool Wait(std::chrono::milliseconds timeout);

    // Waits until one of the events (all of one group) is signalled and takes the first
    // signalled one in the order given. Returns its index, or -1 on time-out.
    static int WaitAny(FAutoResetEvent* const* events, int count, std::chrono::milliseconds timeout);

private:
    std::shared_ptr<FEventGroup> group_;
    bool manualReset_ = false;
    bool signalled_ = false; // guarded by group_->mutex
};
