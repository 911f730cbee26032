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
    ASSERT_EQ(S_OK, DllGetClassObject(usd::CLSID_HalvardUsd, IID_IClassFactory,
                                      reinterpret_cast<void**>(&factory)));
    const ULONG taken = ULONG(ThreadCount) * Rounds;
    RunOnThreads([&](int) {
        for (int i = 0; i < Rounds; ++i) {
            Driver->AddRef();
            factory->AddRef();
            factory->LockServer(TRUE);
        }
    });
    EXPECT_EQ(2 + taken, Driver->AddRef());
    EXPECT_EQ(1 + taken, Driver->Release());
    EXPECT_EQ(2 + taken, factory->AddRef());
    EXPECT_EQ(1 + taken, factory->Release());
    EXPECT_EQ(LONG(1 + 1 + 2 * taken), usd::ModuleRefCount) << "driver, factory, locks";
    RunOnThreads([&](int) {
        for (int i = 0; i < Rounds; ++i) {
            factory->LockServer(FALSE);
            factory->Release();
            Driver->Release();
        }
    });
    EXPECT_EQ(2u, Driver->AddRef());
    EXPECT_EQ(1u, Driver->Release());
    EXPECT_EQ(0u, factory->Release());
    EXPECT_EQ(1, usd::ModuleRefCount) << "the driver object";
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
    EXPECT_EQ(0, wrongResults);
    EXPECT_EQ(0, foreignErrors);
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
    EXPECT_EQ(1, eventsSeen);
}

}  // namespace
