// The module's COM surface: class object, unload rule, class factory and
// aggregation, on the code linked into the test and on the built module alike.
#include "tests/usd/driver_host.h"
#include "usd/module.h"

#include <gtest/gtest.h>

using namespace usdtest;

namespace {

// An outer object that aggregates the driver: counts what reaches it.
class OuterObject : public IUnknown {
public:
    LONG References = 1;
    int QueryCount = 0;
    IUnknown* Inner = nullptr;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        ++QueryCount;
        if (IsEqualIID(riid, IID_IUnknown)) {
            *ppv = this;
            AddRef();
            return S_OK;
        }
        return Inner->QueryInterface(riid, ppv);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++References; }
    ULONG STDMETHODCALLTYPE Release() override { return --References; }
};

class ClassFactoryTest : public testing::TestWithParam<DriverModule (*)()> {
protected:
    void SetUp() override {
        Module = GetParam()();
        ASSERT_NE(nullptr, Module.GetClassObject) << "halvardusd.dll not loaded";
        ASSERT_EQ(S_OK, Module.CanUnloadNow());
    }
    void TearDown() override { EXPECT_EQ(S_OK, Module.CanUnloadNow()) << "a reference leaked"; }

    IClassFactory* Factory() {
        IClassFactory* factory = nullptr;
        EXPECT_EQ(S_OK, Module.GetClassObject(usd::CLSID_HalvardUsd, IID_IClassFactory,
                                              reinterpret_cast<void**>(&factory)));
        return factory;
    }

    DriverModule Module{};
};

// What a careless caller passes for an identifier: a null pointer where the
// method takes a reference.
const GUID& NoIdentifier() {
    static const GUID* volatile none = nullptr;
    return *none;
}

// {7D3A9C21-4E6B-4F80-9B1D-2C5E8A0F6B3A}: one bit away from the driver's class.
constexpr CLSID NeighbourClass = {
    0x7D3A9C21, 0x4E6B, 0x4F80, {0x9B, 0x1D, 0x2C, 0x5E, 0x8A, 0x0F, 0x6B, 0x3A}};

TEST_P(ClassFactoryTest, ClassObjectRequests) {
    struct Case {
        const char* What;
        const CLSID& Class;
        const IID& Interface;
        HRESULT Expected;
    };
    const Case cases[] = {
        {"another class", NeighbourClass, IID_IClassFactory, E_FAIL},
        {"class given as interface", IID_IStiUSD, IID_IClassFactory, E_FAIL},
        {"driver interface from the class object", usd::CLSID_HalvardUsd, IID_IStiUSD,
         E_NOINTERFACE},
        {"IUnknown", usd::CLSID_HalvardUsd, IID_IUnknown, S_OK},
        {"IClassFactory", usd::CLSID_HalvardUsd, IID_IClassFactory, S_OK},
        {"no class", NoIdentifier(), IID_IClassFactory, E_FAIL},
        {"no interface", usd::CLSID_HalvardUsd, NoIdentifier(), E_NOINTERFACE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        void* object = reinterpret_cast<void*>(0x1);
        EXPECT_EQ(c.Expected, Module.GetClassObject(c.Class, c.Interface, &object));
        if (SUCCEEDED(c.Expected)) {
            ASSERT_NE(nullptr, object);
            EXPECT_EQ(S_FALSE, Module.CanUnloadNow());
            EXPECT_EQ(0u, static_cast<IUnknown*>(object)->Release());
        } else {
            EXPECT_EQ(nullptr, object);
        }
        EXPECT_EQ(S_OK, Module.CanUnloadNow());
    }
    EXPECT_EQ(E_FAIL, Module.GetClassObject(usd::CLSID_HalvardUsd, IID_IClassFactory, nullptr));
}

TEST_P(ClassFactoryTest, UnloadOnlyWithoutFactoriesLocksOrObjects) {
    IClassFactory* factory = Factory();
    ASSERT_NE(nullptr, factory);
    IStiUSD* driver = nullptr;
    ASSERT_EQ(S_OK,
              factory->CreateInstance(nullptr, IID_IStiUSD, reinterpret_cast<void**>(&driver)));
    EXPECT_EQ(S_OK, factory->LockServer(TRUE));
    EXPECT_EQ(0u, factory->Release());
    EXPECT_EQ(S_FALSE, Module.CanUnloadNow()) << "lock and object held";

    IClassFactory* second = Factory();
    EXPECT_EQ(S_OK, second->LockServer(FALSE));
    EXPECT_EQ(0u, second->Release());
    EXPECT_EQ(S_FALSE, Module.CanUnloadNow()) << "object alive";

    EXPECT_EQ(driver->Release(), 0u);
    EXPECT_EQ(S_OK, Module.CanUnloadNow());
}

TEST_P(ClassFactoryTest, FactoryInterfacesAndCounts) {
    IClassFactory* factory = Factory();
    ASSERT_NE(nullptr, factory);
    void* found = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(E_NOINTERFACE, factory->QueryInterface(IID_IStiUSD, &found));
    EXPECT_EQ(nullptr, found);
    EXPECT_EQ(E_INVALIDARG, factory->QueryInterface(IID_IClassFactory, nullptr));
    found = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(E_NOINTERFACE, factory->QueryInterface(NoIdentifier(), &found));
    EXPECT_EQ(nullptr, found);
    ASSERT_EQ(S_OK, factory->QueryInterface(IID_IUnknown, &found));
    EXPECT_EQ(static_cast<IUnknown*>(factory), found);
    EXPECT_EQ(3u, factory->AddRef());
    EXPECT_EQ(2u, factory->Release());
    EXPECT_EQ(1u, factory->Release());
    EXPECT_EQ(S_FALSE, Module.CanUnloadNow());
    EXPECT_EQ(0u, factory->Release());
}

TEST_P(ClassFactoryTest, CreateInstanceRefusals) {
    IClassFactory* factory = Factory();
    ASSERT_NE(nullptr, factory);
    OuterObject outer;
    struct Case {
        const char* What;
        IUnknown* Outer;
        const IID& Interface;
        HRESULT Expected;
    };
    const Case cases[] = {
        {"class factory interface", nullptr, IID_IClassFactory, E_NOINTERFACE},
        {"aggregated, other interface", &outer, IID_IClassFactory, E_NOINTERFACE},
        {"aggregated, driver interface", &outer, IID_IStiUSD, CLASS_E_NOAGGREGATION},
        {"no interface", nullptr, NoIdentifier(), E_NOINTERFACE},
        {"aggregated, no interface", &outer, NoIdentifier(), E_NOINTERFACE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        void* object = reinterpret_cast<void*>(0x1);
        EXPECT_EQ(c.Expected, factory->CreateInstance(c.Outer, c.Interface, &object));
        EXPECT_EQ(nullptr, object);
    }
    EXPECT_EQ(1, outer.References);
    EXPECT_EQ(0u, factory->Release());
}

TEST_P(ClassFactoryTest, UnaggregatedObjectIdentityAndCounts) {
    IStiUSD* driver = CreateDriver(Module);
    ASSERT_NE(driver, nullptr);
    IUnknown* identity = nullptr;
    ASSERT_EQ(driver->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
    EXPECT_NE(static_cast<void*>(identity), static_cast<void*>(driver)) << "the inner unknown";
    IStiUSD* again = nullptr;
    ASSERT_EQ(S_OK, identity->QueryInterface(IID_IStiUSD, reinterpret_cast<void**>(&again)));
    EXPECT_EQ(driver, again);
    void* other = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(driver->QueryInterface(IID_IClassFactory, &other), E_NOINTERFACE);
    EXPECT_EQ(nullptr, other);
    EXPECT_EQ(driver->QueryInterface(IID_IUnknown, nullptr), E_INVALIDARG);
    other = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(driver->QueryInterface(NoIdentifier(), &other), E_NOINTERFACE);
    EXPECT_EQ(nullptr, other);
    // The driver interface and the inner unknown share the one count.
    EXPECT_EQ(driver->AddRef(), 4u);
    EXPECT_EQ(3u, identity->Release());
    EXPECT_EQ(2u, again->Release());
    EXPECT_EQ(driver->Release(), 1u);
    EXPECT_EQ(S_FALSE, Module.CanUnloadNow());
    EXPECT_EQ(driver->Release(), 0u);
}

TEST_P(ClassFactoryTest, AggregatedObjectDelegatesToOuter) {
    IClassFactory* factory = Factory();
    ASSERT_NE(nullptr, factory);
    OuterObject outer;
    IUnknown* inner = nullptr;
    ASSERT_EQ(S_OK,
              factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&inner)));
    EXPECT_EQ(0u, factory->Release());
    outer.Inner = inner;
    EXPECT_EQ(1, outer.References) << "creation counts on the inner unknown only";

    IStiUSD* driver = nullptr;
    ASSERT_EQ(inner->QueryInterface(IID_IStiUSD, reinterpret_cast<void**>(&driver)), S_OK);
    EXPECT_EQ(2, outer.References) << "the reference handed out is the outer object's";
    IUnknown* innerAgain = nullptr;
    ASSERT_EQ(inner->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&innerAgain)), S_OK);
    EXPECT_EQ(inner, innerAgain);
    EXPECT_EQ(1u, innerAgain->Release());

    // The driver interface's unknown is the outer object's.
    IUnknown* identity = nullptr;
    ASSERT_EQ(driver->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
    EXPECT_EQ(&outer, identity);
    EXPECT_EQ(1, outer.QueryCount);
    EXPECT_EQ(driver->AddRef(), 4u);
    EXPECT_EQ(driver->Release(), 3u);
    identity->Release();
    driver->Release();
    EXPECT_EQ(1, outer.References);

    EXPECT_EQ(S_FALSE, Module.CanUnloadNow());
    EXPECT_EQ(inner->Release(), 0u) << "the inner unknown owns the object";
}

INSTANTIATE_TEST_SUITE_P(Modules, ClassFactoryTest, testing::Values(&LinkedModule, &LoadedModule),
                         [](const testing::TestParamInfo<DriverModule (*)()>& info) {
                             return std::string(info.param().Name);
                         });

}  // namespace
