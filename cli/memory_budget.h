#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

// The memory that conversions running side by side may hold together. A
// worker reserves what its texture needs before it reads it and gives it
// back when done, so that large textures wait for each other instead of
// running together. Reservations are granted in the order asked, so that a
// large one is not passed over for ever by small ones; one larger than the
// whole budget waits until nothing else is held and then runs alone.
class MemoryBudget {
public:
    explicit MemoryBudget(std::uint64_t bytes) : budget_(bytes) {}

    // What workers of one run share: half the physical memory, or less
    // where the process's own limits leave less room.
    static std::uint64_t ShareOfThisMachine();

    class Reservation {
    public:
        Reservation(Reservation&& other) noexcept;
        Reservation(const Reservation&) = delete;
        Reservation& operator=(const Reservation&) = delete;
        Reservation& operator=(Reservation&&) = delete;
        ~Reservation();

    private:
        friend class MemoryBudget;
        Reservation(MemoryBudget* budget, std::uint64_t bytes) : budget_(budget), bytes_(bytes) {}
        MemoryBudget* budget_;
        std::uint64_t bytes_;
    };

    // Waits until `bytes` fit beside what is held, after every reservation
    // asked for before.
    Reservation Reserve(std::uint64_t bytes);

    std::uint64_t Held() const;
    // How many reservations are waiting.
    unsigned Waiting() const;

private:
    void Give(std::uint64_t bytes);

    const std::uint64_t budget_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::uint64_t held_ = 0;
    unsigned holders_ = 0;
    std::uint64_t nextTicket_ = 0;
    std::uint64_t serving_ = 0;  // the ticket whose turn it is
};
