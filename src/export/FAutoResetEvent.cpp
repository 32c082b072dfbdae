#include "export/FAutoResetEvent.h"

FAutoResetEvent::FAutoResetEvent(std::shared_ptr<FEventGroup> group, bool manualReset)
    : group_(std::move(group)), manualReset_(manualReset)
{}

void FAutoResetEvent::Set()
{
    {
        std::lock_guard lock(group_->mutex);
        signalled_ = true;
    }
    group_->changed.notify_all();
}

void FAutoResetEvent::Reset()
{
    std::lock_guard lock(group_->mutex);
    signalled_ = false;
}

bool FAutoResetEvent::Wait(std::chrono::milliseconds timeout)
{
    FAutoResetEvent* self = this;
    return WaitAny(&self, 1, timeout) == 0;
}

int FAutoResetEvent::WaitAny(FAutoResetEvent* const* events, int count, std::chrono::milliseconds timeout)
{
    if (count < 1)
        return -1;
    FEventGroup& group = *events[0]->group_;
    int taken = -1;
    const auto takeFirst = [&] {
        for (int i = 0; i < count; ++i)
            if (events[i]->signalled_) {
                if (!events[i]->manualReset_)
                    events[i]->signalled_ = false;
                taken = i;
                return true;
            }
        return false;
    };
    std::unique_lock lock(group.mutex);
    // A steady deadline, so spurious wake-ups do not stretch the bound.
    group.changed.wait_until(lock, std::chrono::steady_clock::now() + timeout, takeFirst);
    return taken;
}
