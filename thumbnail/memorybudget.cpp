#include "memorybudget.h"

bool DecoderMemoryBudget::reserve(std::uint64_t bytes) {
    if (bytes > limit_)
        return false;
    std::unique_lock guard(lock_);
    freed_.wait(guard, [&] { return cancelled_ || limit_ - used_ >= bytes; });
    if (cancelled_)
        return false;
    used_ += bytes;
    return true;
}

void DecoderMemoryBudget::release(std::uint64_t bytes) {
    {
        std::lock_guard guard(lock_);
        used_ -= bytes;
    }
    freed_.notify_all();
}

void DecoderMemoryBudget::cancel() {
    {
        std::lock_guard guard(lock_);
        cancelled_ = true;
    }
    freed_.notify_all();
}

bool DecoderMemoryBudget::cancelled() const {
    std::lock_guard guard(lock_);
    return cancelled_;
}
