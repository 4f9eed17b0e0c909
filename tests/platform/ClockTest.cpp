#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "platform/Clock.h"
#include "platform/Kernel.h"

namespace {

class VirtualClock : public testing::Test {
protected:
    void SetUp() override {
        saved = Clock::Instance().GetMode();
        Clock::Instance().SetMode(Clock::Mode::Virtual);
    }
    void TearDown() override { Clock::Instance().SetMode(saved); }
    Clock::Mode saved{};
};

struct SleepThenSet {
    HANDLE event;
    DWORD sleepMs;
    std::uint64_t wokeAt = 0;
};

DWORD WINAPI SleepThenSetBody(LPVOID p) {
    auto* job = static_cast<SleepThenSet*>(p);
    Sleep(job->sleepMs);
    job->wokeAt = GetTickCount64();
    SetEvent(job->event);
    return 7;
}

TEST_F(VirtualClock, LongWaitsCostNoRealTime) {
    auto wallStart = std::chrono::steady_clock::now();
    std::uint64_t start = GetTickCount64();
    Sleep(30000);
    EXPECT_EQ(GetTickCount64() - start, 30000u);
    EXPECT_LT(std::chrono::steady_clock::now() - wallStart, std::chrono::seconds(2));
}

TEST_F(VirtualClock, EventSetByAnotherThreadEndsTheWaitAtThatVirtualMoment) {
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    SleepThenSet job{event, 2500};
    std::uint64_t start = GetTickCount64();
    HANDLE thread = CreateThread(nullptr, 0, SleepThenSetBody, &job, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    EXPECT_EQ(WaitForSingleObject(event, 30000), WAIT_OBJECT_0);
    EXPECT_EQ(GetTickCount64() - start, 2500u);
    EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, 7u);
    CloseHandle(thread);
    CloseHandle(event);
}

TEST_F(VirtualClock, WaitTimesOutAtItsDeadlineWhileAnotherThreadSleepsLonger) {
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    SleepThenSet job{event, 9000};
    std::uint64_t start = GetTickCount64();
    HANDLE thread = CreateThread(nullptr, 0, SleepThenSetBody, &job, 0, nullptr);
    EXPECT_EQ(WaitForSingleObject(event, 1000), WAIT_TIMEOUT);
    EXPECT_EQ(GetTickCount64() - start, 1000u);
    EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(job.wokeAt - start, 9000u);
    CloseHandle(thread);
    CloseHandle(event);
}

TEST_F(VirtualClock, ManualResetEventStaysSetAutoResetEventDoesNot) {
    HANDLE manual = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE automatic = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    SetEvent(manual);
    SetEvent(automatic);
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(automatic, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(automatic, 0), WAIT_TIMEOUT);
    ResetEvent(manual);
    EXPECT_EQ(WaitForSingleObject(manual, 10), WAIT_TIMEOUT);
    CloseHandle(manual);
    CloseHandle(automatic);
}

struct MutexJob {
    HANDLE mutex;
    DWORD result = 0;
    bool release = true;
};

DWORD WINAPI TakeMutex(LPVOID p) {
    auto* job = static_cast<MutexJob*>(p);
    job->result = WaitForSingleObject(job->mutex, 1000);
    if (job->release && (job->result == WAIT_OBJECT_0 || job->result == WAIT_ABANDONED)) ReleaseMutex(job->mutex);
    return 0;
}

TEST_F(VirtualClock, MutexIsExclusiveAndAbandonedWhenItsOwnerEnds) {
    HANDLE mutex = CreateMutexA(nullptr, FALSE, nullptr);
    ASSERT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);
    MutexJob blocked{mutex};
    HANDLE t1 = CreateThread(nullptr, 0, TakeMutex, &blocked, 0, nullptr);
    WaitForSingleObject(t1, INFINITE);
    EXPECT_EQ(blocked.result, WAIT_TIMEOUT);
    EXPECT_TRUE(ReleaseMutex(mutex));
    EXPECT_FALSE(ReleaseMutex(mutex));

    MutexJob keeper{mutex, 0, false};
    HANDLE t2 = CreateThread(nullptr, 0, TakeMutex, &keeper, 0, nullptr);
    WaitForSingleObject(t2, INFINITE);
    EXPECT_EQ(keeper.result, WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_ABANDONED);
    EXPECT_TRUE(ReleaseMutex(mutex));
    for (HANDLE h : {t1, t2, mutex}) CloseHandle(h);
}

TEST_F(VirtualClock, ManyThreadsSleepingInterleaveInDeadlineOrder) {
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::vector<SleepThenSet> jobs;
    jobs.reserve(5);
    std::vector<HANDLE> threads;
    std::uint64_t start = GetTickCount64();
    for (DWORD ms : {500u, 100u, 400u, 200u, 300u}) {
        jobs.push_back({event, ms});
        threads.push_back(CreateThread(nullptr, 0, SleepThenSetBody, &jobs.back(), 0, nullptr));
    }
    for (HANDLE t : threads) WaitForSingleObject(t, INFINITE);
    for (auto& job : jobs) EXPECT_EQ(job.wokeAt - start, job.sleepMs);
    for (HANDLE t : threads) CloseHandle(t);
    CloseHandle(event);
}

}  // namespace
