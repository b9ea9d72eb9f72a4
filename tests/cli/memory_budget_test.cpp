#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <thread>

#include "cli/memory_budget.h"

namespace {

using namespace std::chrono_literals;

// Waits for a condition another thread brings about.
bool Eventually(const std::function<bool()>& done)
{
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (!done() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(1ms);
    }
    return done();
}

// A reservation asked for on a thread of its own, held until the test lets it go.
class Worker {
public:
    Worker(MemoryBudget& budget, std::uint64_t bytes)
        : thread_([this, &budget, bytes] {
              std::optional<MemoryBudget::Reservation> reservation(budget.Reserve(bytes));
              granted_ = true;
              while (!done_) {
                  std::this_thread::sleep_for(1ms);
              }
          })
    {
    }
    ~Worker() { Finish(); }
    bool Granted() const { return granted_; }
    void Finish()
    {
        done_ = true;
        if (thread_.joinable()) {
            thread_.join();
        }
    }

private:
    std::atomic<bool> granted_{false};
    std::atomic<bool> done_{false};
    std::thread thread_;
};

}  // namespace

// Reservations that fit run side by side. One that does not waits until
// enough is given back, and those asked for after it wait behind it, even
// when they would fit, so that it is not passed over for ever. One larger
// than the whole budget waits until nothing else is held, then runs alone.
TEST(MemoryBudget, LargeReservationsWaitForEachOtherInTheOrderAsked)
{
    MemoryBudget budget(100);
    Worker first(budget, 60);
    Worker second(budget, 40);
    ASSERT_TRUE(Eventually([&] { return first.Granted() && second.Granted(); }));
    EXPECT_EQ(budget.Held(), 100u);

    Worker third(budget, 30);
    ASSERT_TRUE(Eventually([&] { return budget.Waiting() == 1; }));
    second.Finish();
    ASSERT_TRUE(Eventually([&] { return third.Granted(); }));
    EXPECT_EQ(budget.Held(), 90u);

    Worker huge(budget, 250);
    ASSERT_TRUE(Eventually([&] { return budget.Waiting() == 1; }));
    Worker small(budget, 5);  // fits beside the 90 held, but comes after the huge one
    ASSERT_TRUE(Eventually([&] { return budget.Waiting() == 2; }));
    first.Finish();
    EXPECT_FALSE(huge.Granted() || small.Granted());
    third.Finish();
    ASSERT_TRUE(Eventually([&] { return huge.Granted(); }));
    EXPECT_EQ(budget.Held(), 250u);
    EXPECT_EQ(budget.Waiting(), 1u);
    EXPECT_FALSE(small.Granted());
    huge.Finish();
    ASSERT_TRUE(Eventually([&] { return small.Granted(); }));
    small.Finish();
    EXPECT_EQ(budget.Held(), 0u);
}

