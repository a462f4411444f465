#pragma once
// One allowance of decoder memory shared by conversions that run at once: each takes what
// its picture needs before decoding and gives it back after, waiting while others hold it.
#include <condition_variable>
#include <cstdint>
#include <mutex>

// What the decoders of one batch may hold together unless the user says otherwise; also the
// cap for a single conversion made without a budget.
inline constexpr std::uint64_t kDefaultDecoderMemory = std::uint64_t(1) << 30;

class DecoderMemoryBudget {
public:
    explicit DecoderMemoryBudget(std::uint64_t limit) : limit_(limit) {}

    std::uint64_t limit() const { return limit_; }

    // Waits until `bytes` are free and takes them. False at once when `bytes` is more than
    // the whole budget (such a picture can never be decoded within it) or once cancelled.
    bool reserve(std::uint64_t bytes);
    void release(std::uint64_t bytes);

    // Wakes every reserve() that waits and refuses all later ones: their work is not wanted.
    void cancel();
    bool cancelled() const;

private:
    const std::uint64_t limit_;
    std::uint64_t used_ = 0;
    bool cancelled_ = false;
    mutable std::mutex lock_;
    std::condition_variable freed_;
};

// Holds a reservation for as long as it lives.
class BudgetReservation {
public:
    BudgetReservation() = default;
    BudgetReservation(const BudgetReservation &) = delete;
    BudgetReservation &operator=(const BudgetReservation &) = delete;
    ~BudgetReservation() {
        if (budget_)
            budget_->release(bytes_);
    }

    bool take(DecoderMemoryBudget &budget, std::uint64_t bytes) {
        if (!budget.reserve(bytes))
            return false;
        budget_ = &budget;
        bytes_ = bytes;
        return true;
    }

private:
    DecoderMemoryBudget *budget_ = nullptr;
    std::uint64_t bytes_ = 0;
};
