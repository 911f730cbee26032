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

// Every thread takes Rounds references and then gives them back: the counts
// seen in between and at the end show any update lost between two threads.
TEST_F(UsdTest, ReferenceCountsSurviveConcurrentCallers) {
    OpenDevice();
    IClassFactory* factory = nullptr;
    ASSERT_EQ(DllGetClassObject(usd::CLSID_HalvardUsd, IID_IClassFactory,
                                reinterpret_cast<void**>(&factory)),
              S_OK);
    const ULONG taken = ULONG(ThreadCount) * Rounds;
    RunOnThreads([&](int) {
        for (int i = 0; i < Rounds; ++i) {
            Driver->AddRef();
            factory->AddRef();
            factory->LockServer(TRUE);
        }
    });
    EXPECT_EQ(Driver->AddRef(), 2 + taken);
    EXPECT_EQ(Driver->Release(), 1 + taken);
    EXPECT_EQ(factory->AddRef(), 2 + taken);
    EXPECT_EQ(factory->Release(), 1 + taken);
    EXPECT_EQ(usd::ModuleRefCount, LONG(1 + 1 + 2 * taken)) << "driver, factory, locks";
    RunOnThreads([&](int) {
        for (int i = 0; i < Rounds; ++i) {
            factory->LockServer(FALSE);
            factory->Release();
            Driver->Release();
        }
    });
    EXPECT_EQ(Driver->AddRef(), 2u);
    EXPECT_EQ(Driver->Release(), 1u);
    EXPECT_EQ(factory->Release(), 0u);
    EXPECT_EQ(usd::ModuleRefCount, 1) << "the driver object";
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
