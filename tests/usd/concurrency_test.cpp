// The service calls the driver from several threads at once: no reference may be
// lost, and each caller gets its own request's error.
#include "tests/usd/usd_fixture.h"

#include "usd/module.h"

#include <atomic>
#include <set>
#include <thread>
#include <vector>

using namespace usdtest;

namespace {

constexpr int ThreadCount = 8;
constexpr int Rounds = 20000;

template <typename Work>
void RunOnThreads(Work work) {
    std::atomic<int> ready{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < ThreadCount; ++t) {
        threads.emplace_back([&, t] {
            ++ready;
            while (ready < ThreadCount) {
            }
            work(t);
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
}

TEST_F(UsdTest, ReferenceCountsSurviveConcurrentCallers) {
    OpenDevice();
    IClassFactory* factory = nullptr;
    ASSERT_EQ(DllGetClassObject(usd::CLSID_HalvardUsd, IID_IClassFactory,
                                reinterpret_cast<void**>(&factory)),
              S_OK);
    std::atomic<int> wrongCounts{0};
    RunOnThreads([&](int) {
        for (int i = 0; i < Rounds; ++i) {
            // A count seen at or below the caller's own references means one was lost.
            if (Driver->AddRef() < 2 || factory->AddRef() < 2) {
                ++wrongCounts;
            }
            factory->LockServer(TRUE);
            factory->LockServer(FALSE);
            if (factory->Release() < 1 || Driver->Release() < 1) {
                ++wrongCounts;
            }
        }
    });
    EXPECT_EQ(wrongCounts, 0);
    EXPECT_EQ(Driver->AddRef(), 2u);
    EXPECT_EQ(Driver->Release(), 1u);
    EXPECT_EQ(factory->Release(), 0u);
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE) << "the driver is still alive";
}

TEST_F(UsdTest, ConcurrentRequestsReportTheirOwnErrors) {
    OpenDevice();
    // Each thread's requests fail with an error of its own.
    auto errorOf = [](int thread) { return DWORD(ERROR_GEN_FAILURE + thread); };
    std::set<DWORD> possible;
    for (int t = 0; t < ThreadCount; ++t) {
        possible.insert(errorOf(t));
    }
    std::atomic<int> wrongResults{0};
    std::atomic<int> foreignErrors{0};
    RunOnThreads([&](int t) {
        SimulatedScsiScanner::SetThreadRequestError(errorOf(t));
        SCSISCAN_INFO info;
        DWORD actual = 0;
        for (int i = 0; i < Rounds / 10; ++i) {
            if (Driver->Escape(0x1001, nullptr, 0, &info, sizeof(info), &actual) !=
                HRESULT_FROM_WIN32(errorOf(t))) {
                ++wrongResults;
            }
            DWORD reported = 0;
            if (Driver->GetLastError(&reported) != S_OK || possible.count(reported) == 0) {
                ++foreignErrors;
            }
        }
        SimulatedScsiScanner::SetThreadRequestError(ERROR_SUCCESS);
    });
    EXPECT_EQ(wrongResults, 0);
    EXPECT_EQ(foreignErrors, 0);
}

TEST_F(UsdTest, ConcurrentStatusQueriesSeeTheEventOnce) {
    OpenDevice();
    std::atomic<int> eventsSeen{0};
    RunOnThreads([&](int) {
        STI_DEVICE_STATUS status{};
        status.StatusMask = STI_DEVSTATUS_EVENTS_STATE;
        Driver->GetStatus(&status);
        if (status.dwEventHandlingState & STI_EVENTHANDLING_PENDING) {
            ++eventsSeen;
        }
    });
    EXPECT_EQ(eventsSeen, 1);
}

}  // namespace
