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
        ASSERT_NE(Module.GetClassObject, nullptr) << "halvardusd.dll not loaded";
        ASSERT_EQ(Module.CanUnloadNow(), S_OK);
    }
    void TearDown() override { EXPECT_EQ(Module.CanUnloadNow(), S_OK) << "a reference leaked"; }

    IClassFactory* Factory() {
        IClassFactory* factory = nullptr;
        EXPECT_EQ(Module.GetClassObject(usd::CLSID_HalvardUsd, IID_IClassFactory,
                                        reinterpret_cast<void**>(&factory)),
                  S_OK);
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
        EXPECT_EQ(Module.GetClassObject(c.Class, c.Interface, &object), c.Expected);
        if (SUCCEEDED(c.Expected)) {
            ASSERT_NE(object, nullptr);
            EXPECT_EQ(Module.CanUnloadNow(), S_FALSE);
            EXPECT_EQ(static_cast<IUnknown*>(object)->Release(), 0u);
        } else {
            EXPECT_EQ(object, nullptr);
        }
        EXPECT_EQ(Module.CanUnloadNow(), S_OK);
    }
    EXPECT_EQ(Module.GetClassObject(usd::CLSID_HalvardUsd, IID_IClassFactory, nullptr), E_FAIL);
}

TEST_P(ClassFactoryTest, UnloadOnlyWithoutFactoriesLocksOrObjects) {
    IClassFactory* factory = Factory();
    ASSERT_NE(factory, nullptr);
    IStiUSD* driver = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IStiUSD, reinterpret_cast<void**>(&driver)),
              S_OK);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    EXPECT_EQ(factory->Release(), 0u);
    EXPECT_EQ(Module.CanUnloadNow(), S_FALSE) << "lock and object held";

    IClassFactory* second = Factory();
    EXPECT_EQ(second->LockServer(FALSE), S_OK);
    EXPECT_EQ(second->Release(), 0u);
    EXPECT_EQ(Module.CanUnloadNow(), S_FALSE) << "object alive";

    EXPECT_EQ(driver->Release(), 0u);
    EXPECT_EQ(Module.CanUnloadNow(), S_OK);
}

TEST_P(ClassFactoryTest, FactoryInterfacesAndCounts) {
    IClassFactory* factory = Factory();
    ASSERT_NE(factory, nullptr);
    void* found = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(factory->QueryInterface(IID_IStiUSD, &found), E_NOINTERFACE);
    EXPECT_EQ(found, nullptr);
    EXPECT_EQ(factory->QueryInterface(IID_IClassFactory, nullptr), E_INVALIDARG);
    found = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(factory->QueryInterface(NoIdentifier(), &found), E_NOINTERFACE);
    EXPECT_EQ(found, nullptr);
    ASSERT_EQ(factory->QueryInterface(IID_IUnknown, &found), S_OK);
    EXPECT_EQ(found, static_cast<IUnknown*>(factory));
    EXPECT_EQ(factory->AddRef(), 3u);
    EXPECT_EQ(factory->Release(), 2u);
    EXPECT_EQ(factory->Release(), 1u);
    EXPECT_EQ(Module.CanUnloadNow(), S_FALSE);
    EXPECT_EQ(factory->Release(), 0u);
}

TEST_P(ClassFactoryTest, CreateInstanceRefusals) {
    IClassFactory* factory = Factory();
    ASSERT_NE(factory, nullptr);
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
        EXPECT_EQ(factory->CreateInstance(c.Outer, c.Interface, &object), c.Expected);
        EXPECT_EQ(object, nullptr);
    }
    EXPECT_EQ(outer.References, 1);
    EXPECT_EQ(factory->Release(), 0u);
}

TEST_P(ClassFactoryTest, UnaggregatedObjectIdentityAndCounts) {
    IStiUSD* driver = CreateDriver(Module);
    ASSERT_NE(driver, nullptr);
    IUnknown* identity = nullptr;
    ASSERT_EQ(driver->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
    EXPECT_NE(static_cast<void*>(identity), static_cast<void*>(driver)) << "the inner unknown";
    IStiUSD* again = nullptr;
    ASSERT_EQ(identity->QueryInterface(IID_IStiUSD, reinterpret_cast<void**>(&again)), S_OK);
    EXPECT_EQ(again, driver);
    void* other = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(driver->QueryInterface(IID_IClassFactory, &other), E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);
    EXPECT_EQ(driver->QueryInterface(IID_IUnknown, nullptr), E_INVALIDARG);
    other = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(driver->QueryInterface(NoIdentifier(), &other), E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);
    // The driver interface and the inner unknown share the one count.
    EXPECT_EQ(driver->AddRef(), 4u);
    EXPECT_EQ(identity->Release(), 3u);
    EXPECT_EQ(again->Release(), 2u);
    EXPECT_EQ(driver->Release(), 1u);
    EXPECT_EQ(Module.CanUnloadNow(), S_FALSE);
    EXPECT_EQ(driver->Release(), 0u);
}

TEST_P(ClassFactoryTest, AggregatedObjectDelegatesToOuter) {
    IClassFactory* factory = Factory();
    ASSERT_NE(factory, nullptr);
    OuterObject outer;
    IUnknown* inner = nullptr;
    ASSERT_EQ(factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&inner)),
              S_OK);
    EXPECT_EQ(factory->Release(), 0u);
    outer.Inner = inner;
    EXPECT_EQ(outer.References, 1) << "creation counts on the inner unknown only";

    IStiUSD* driver = nullptr;
    ASSERT_EQ(inner->QueryInterface(IID_IStiUSD, reinterpret_cast<void**>(&driver)), S_OK);
    EXPECT_EQ(outer.References, 2) << "the reference handed out is the outer object's";
    IUnknown* innerAgain = nullptr;
    ASSERT_EQ(inner->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&innerAgain)), S_OK);
    EXPECT_EQ(innerAgain, inner);
    EXPECT_EQ(innerAgain->Release(), 1u);

    // The driver interface's unknown is the outer object's.
    IUnknown* identity = nullptr;
    ASSERT_EQ(driver->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
    EXPECT_EQ(identity, &outer);
    EXPECT_EQ(outer.QueryCount, 1);
    EXPECT_EQ(driver->AddRef(), 4u);
    EXPECT_EQ(driver->Release(), 3u);
    identity->Release();
    driver->Release();
    EXPECT_EQ(outer.References, 1);

    EXPECT_EQ(Module.CanUnloadNow(), S_FALSE);
    EXPECT_EQ(inner->Release(), 0u) << "the inner unknown owns the object";
}

INSTANTIATE_TEST_SUITE_P(Modules, ClassFactoryTest, testing::Values(&LinkedModule, &LoadedModule),
                         [](const testing::TestParamInfo<DriverModule (*)()>& info) {
                             return std::string(info.param().Name);
                         });

}  // namespace
