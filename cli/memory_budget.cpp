#include "cli/memory_budget.h"

#include <algorithm>
#include <utility>

#include "conversion/system_memory.h"

std::uint64_t MemoryBudget::ShareOfThisMachine()
{
    return std::min(SystemMemory::Physical() / 2, SystemMemory::ProcessHeadroom());
}

MemoryBudget::Reservation MemoryBudget::Reserve(std::uint64_t bytes)
{
    std::unique_lock lock(mutex_);
    const std::uint64_t ticket = nextTicket_++;
    changed_.wait(lock, [&] {
        const bool fits = holders_ == 0 || (bytes <= budget_ && held_ <= budget_ - bytes);
        return ticket == serving_ && fits;
    });
    ++serving_;
    held_ += bytes;
    ++holders_;
    changed_.notify_all();  // the next in line may fit too
    return Reservation(this, bytes);
}

void MemoryBudget::Give(std::uint64_t bytes)
{
    {
        const std::lock_guard lock(mutex_);
        held_ -= bytes;
        --holders_;
    }
    changed_.notify_all();
}

std::uint64_t MemoryBudget::Held() const
{
    const std::lock_guard lock(mutex_);
    return held_;
}

unsigned MemoryBudget::Waiting() const
{
    const std::lock_guard lock(mutex_);
    return static_cast<unsigned>(nextTicket_ - serving_);
}

MemoryBudget::Reservation::Reservation(Reservation&& other) noexcept
    : budget_(std::exchange(other.budget_, nullptr)), bytes_(other.bytes_)
{
}

MemoryBudget::Reservation::~Reservation()
{
    if (budget_ != nullptr) {
        budget_->Give(bytes_);
    }
}
