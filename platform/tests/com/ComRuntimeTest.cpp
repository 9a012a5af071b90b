// Creating objects through COM: the suite's runtime on an emulated machine,
// and in the Windows lane the system's COM, with the same tests. The test
// server counts its objects, so each test also proves that every path
// released what it acquired.
#include "ComWorld.h"
#include "TestServer.h"

#include "platform/com/Com.h"
#include "platform/com/ComRuntime.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

using qmplatform::com::Bstr;

// A non-null value that creation must clear when it fails.
void* const kJunk = reinterpret_cast<void*>(static_cast<std::uintptr_t>(0x5A5A5A50));

class ComRuntime : public ::testing::Test {
protected:
    void SetUp() override { world_ = makeComWorld(); }
    void TearDown() override {
        // Nothing a test made may outlive it.
        EXPECT_EQ(liveObjects(), 0);
        EXPECT_EQ(serverCall<QmTestServerCountFn>(kQmTestServerLocks), 0);
    }

    // Calls an export of the test server as loaded now (or freshly, when
    // COM holds it no more).
    template <typename Fn, typename... Args> LONG serverCall(const char* entry, Args... args) {
        long error = 0;
        auto& libraries = world_->libraries();
        const qmplatform::ModuleHandle module = libraries.load(world_->serverPath(), 0, error);
        EXPECT_NE(module, nullptr) << "error " << error;
        if (module == nullptr) {
            return -1;
        }
        auto* fn = reinterpret_cast<Fn>(libraries.resolve(module, entry));
        EXPECT_NE(fn, nullptr) << entry;
        const LONG result = fn == nullptr ? -1 : fn(args...);
        libraries.free(module);
        return result;
    }
    LONG liveObjects() { return serverCall<QmTestServerCountFn>(kQmTestServerLiveObjects); }
    LONG serverMark(LONG add) { return serverCall<QmTestServerAddFn>(kQmTestServerAdd, add); }

    static HRESULT create(REFCLSID clsid, REFIID iid, void** out, IUnknown* outer = nullptr) {
        return CoCreateInstance(clsid, outer, CLSCTX_ALL, iid, out);
    }

    std::unique_ptr<ComWorld> world_;
};

// Initialises COM on this thread for one scope.
class ComThread {
public:
    ComThread() : result_(CoInitialize(nullptr)) {}
    ComThread(const ComThread&) = delete;
    ComThread& operator=(const ComThread&) = delete;
    ~ComThread() {
        if (SUCCEEDED(result_)) {
            CoUninitialize();
        }
    }
    HRESULT result() const { return result_; }

private:
    HRESULT result_;
};

TEST_F(ComRuntime, CreationNeedsInitialisationOnTheCallingThread) {
    void* object = kJunk;
    EXPECT_EQ(create(CLSID_QmTestCounter, IID_IQmTestCounter, &object), CO_E_NOTINITIALIZED);
    EXPECT_EQ(object, nullptr);

    EXPECT_EQ(CoInitialize(nullptr), S_OK);
    EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
    // The other concurrency model cannot join this thread's.
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), RPC_E_CHANGED_MODE);
    CoUninitialize();
    // Still initialised once: creation works.
    ASSERT_EQ(create(CLSID_QmTestCounter, IID_IQmTestCounter, &object), S_OK);
    static_cast<IUnknown*>(object)->Release();

    // Another thread has its own initialisation.
    std::thread([] {
        void* other = kJunk;
        EXPECT_EQ(create(CLSID_QmTestCounter, IID_IQmTestCounter, &other), CO_E_NOTINITIALIZED);
        EXPECT_EQ(other, nullptr);
        const ComThread com;
        EXPECT_EQ(com.result(), S_OK);
        ASSERT_EQ(create(CLSID_QmTestCounter, IID_IQmTestCounter, &other), S_OK);
        static_cast<IUnknown*>(other)->Release();
    }).join();

    CoUninitialize();
    object = kJunk;
    EXPECT_EQ(create(CLSID_QmTestCounter, IID_IQmTestCounter, &object), CO_E_NOTINITIALIZED);
    EXPECT_EQ(object, nullptr);
    // One more CoUninitialize than CoInitialize changes nothing.
    CoUninitialize();
}

TEST_F(ComRuntime, FailuresGiveWindowsResultsAndNoObject) {
    const ComThread com;
    ASSERT_EQ(com.result(), S_OK);
    using Failure = ComWorld::Failure;
    struct Row {
        const char* what;
        const CLSID* clsid;
        Failure failure;
    };
    const Row rows[] = {
        {"missing module", &CLSID_QmTestMissingModule, Failure::MissingModule},
        {"module without DllGetClassObject", &CLSID_QmTestNoEntry, Failure::MissingEntry},
        {"file that is no module", &CLSID_QmTestBadFormat, Failure::BadFormat},
        {"server without the class", &CLSID_QmTestUnserved, Failure::ClassNotServed},
    };
    const DWORD contexts[] = {CLSCTX_INPROC_SERVER, CLSCTX_ALL};
    for (const DWORD context : contexts) {
        for (const Row& row : rows) {
            void* object = kJunk;
            EXPECT_EQ(CoCreateInstance(*row.clsid, nullptr, context, IID_IQmTestCounter, &object),
                      world_->failureResult(row.failure, context))
                << row.what << ", context " << context;
            EXPECT_EQ(object, nullptr) << row.what;
        }
        void* object = kJunk;
        EXPECT_EQ(CoCreateInstance(CLSID_QmTestUnregistered, nullptr, context, IID_IQmTestCounter, &object),
                  REGDB_E_CLASSNOTREG);
        EXPECT_EQ(object, nullptr);
    }
    // A class registered only in process is not found for other contexts.
    void* object = kJunk;
    EXPECT_EQ(
        CoCreateInstance(CLSID_QmTestCounter, nullptr, CLSCTX_LOCAL_SERVER, IID_IQmTestCounter, &object),
        REGDB_E_CLASSNOTREG);
    EXPECT_EQ(object, nullptr);
}

TEST_F(ComRuntime, ServerRefusalsReleaseWhatTheyMade) {
    const ComThread com;
    void* object = kJunk;
    // An interface the object lacks: the object and the factory are gone again.
    const IID unknownInterface = {
        0x6C1D2B41, 0x94E5, 0x4F07, {0x8A, 0x61, 0x2E, 0x5B, 0xC0, 0x17, 0xD3, 0x48}};
    EXPECT_EQ(create(CLSID_QmTestCounter, unknownInterface, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(liveObjects(), 0);

    // Aggregation is refused by the server.
    IUnknown* outer = nullptr;
    ASSERT_EQ(create(CLSID_QmTestCounter, IID_IUnknown, reinterpret_cast<void**>(&outer)), S_OK);
    object = kJunk;
    EXPECT_EQ(create(CLSID_QmTestCounter, IID_IUnknown, &object, outer), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(liveObjects(), 1);
    outer->Release();

    EXPECT_EQ(create(CLSID_QmTestCounter, IID_IQmTestCounter, nullptr), E_POINTER);
}

TEST_F(ComRuntime, WorkingServerServesAndEverythingIsReleased) {
    const ComThread com;
    IQmTestCounter* counter = nullptr;
    // Class context 23, as the labelling client passes it.
    ASSERT_EQ(CoCreateInstance(CLSID_QmTestCounter, nullptr, 23, IID_IQmTestCounter,
                               reinterpret_cast<void**>(&counter)),
              S_OK);
    ASSERT_NE(counter, nullptr);
    // Only the object remains; the class factory was released.
    EXPECT_EQ(liveObjects(), 1);

    LONG total = 0;
    EXPECT_EQ(counter->Add(2, &total), S_OK);
    EXPECT_EQ(counter->Add(40, &total), S_OK);
    EXPECT_EQ(total, 42);

    // A BSTR made here, read there; the reply made there, freed here.
    Bstr reply;
    EXPECT_EQ(counter->Echo(Bstr(L"Grüße").get(), reply.receive()), S_OK);
    EXPECT_EQ(reply.wide(), L"Grüße!");
    EXPECT_EQ(counter->Echo(nullptr, reply.receive()), S_OK);
    EXPECT_EQ(reply.wide(), L"!");

    IQmTestCounter* partner = nullptr;
    ASSERT_EQ(counter->Partner(&partner), S_OK);
    EXPECT_EQ(liveObjects(), 2);
    EXPECT_EQ(partner->Release(), 0u);

    // QueryInterface for IUnknown gives the same object and a reference.
    IUnknown* identity = nullptr;
    ASSERT_EQ(counter->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
    EXPECT_EQ(static_cast<void*>(identity), static_cast<void*>(counter));
    EXPECT_EQ(identity->Release(), 1u);
    EXPECT_EQ(counter->Release(), 0u);
    EXPECT_EQ(liveObjects(), 0);
}

TEST_F(ComRuntime, ServerModuleStaysWhileItHoldsObjects) {
    {
        const ComThread com;
        IUnknown* object = nullptr;
        ASSERT_EQ(create(CLSID_QmTestCounter, IID_IUnknown, reinterpret_cast<void**>(&object)), S_OK);
        EXPECT_EQ(serverMark(5), 5);
        CoFreeUnusedLibrariesEx(0, 0);
        EXPECT_EQ(serverMark(0), 5) << "unloaded while an object lived";
        object->Release();
        // A server of ThreadingModel "Both" gets a grace period by default.
        CoFreeUnusedLibraries();
        EXPECT_EQ(serverMark(0), 5) << "unloaded without the default delay";
        CoFreeUnusedLibrariesEx(0, 0);
        EXPECT_EQ(serverMark(0), 0) << "kept after its last object went";

        ASSERT_EQ(create(CLSID_QmTestCounter, IID_IUnknown, reinterpret_cast<void**>(&object)), S_OK);
        EXPECT_EQ(serverMark(7), 7);
        object->Release();
    }
    // The last CoUninitialize of the process frees the servers.
    EXPECT_EQ(serverMark(0), 0);
}

TEST_F(ComRuntime, ThreadsWithTheirOwnInitialisationGetTheirOwnObjects) {
    // As the media detection thread does beside the interface thread.
    const ComThread com;
    std::atomic<int> successes{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&successes] {
            const ComThread own;
            for (int i = 0; i < 25; ++i) {
                IQmTestCounter* counter = nullptr;
                if (FAILED(create(CLSID_QmTestCounter, IID_IQmTestCounter,
                                  reinterpret_cast<void**>(&counter)))) {
                    return;
                }
                LONG total = 0;
                const bool added = SUCCEEDED(counter->Add(i, &total)) && total == i;
                counter->Release();
                if (!added) {
                    return;
                }
            }
            ++successes;
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(successes, 4);
}

// The server's own factory, called through its raw vtable slots as another
// compiler's client would: CreateInstance is slot 3, LockServer slot 4.
TEST_F(ComRuntime, ServerFactorySlotsAreInDeclarationOrder) {
    long error = 0;
    auto& libraries = world_->libraries();
    const qmplatform::ModuleHandle module = libraries.load(world_->serverPath(), 0, error);
    ASSERT_NE(module, nullptr) << error;
    auto* getClassObject =
        reinterpret_cast<LPFNGETCLASSOBJECT>(libraries.resolve(module, "DllGetClassObject"));
    ASSERT_NE(getClassObject, nullptr);
    IClassFactory* factory = nullptr;
    ASSERT_EQ(getClassObject(CLSID_QmTestCounter, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
              S_OK);

    void** slots = *reinterpret_cast<void***>(factory);
    using LockServerSlot = HRESULT(STDMETHODCALLTYPE*)(IClassFactory*, BOOL);
    using CreateInstanceSlot = HRESULT(STDMETHODCALLTYPE*)(IClassFactory*, IUnknown*, const IID*, void**);
    EXPECT_EQ(reinterpret_cast<LockServerSlot>(slots[4])(factory, TRUE), S_OK);
    EXPECT_EQ(serverCall<QmTestServerCountFn>(kQmTestServerLocks), 1);
    EXPECT_EQ(reinterpret_cast<LockServerSlot>(slots[4])(factory, FALSE), S_OK);
    void* object = nullptr;
    ASSERT_EQ(reinterpret_cast<CreateInstanceSlot>(slots[3])(factory, nullptr, &IID_IQmTestCounter, &object),
              S_OK);
    EXPECT_EQ(liveObjects(), 2);
    static_cast<IQmTestCounter*>(object)->Release();
    EXPECT_EQ(factory->Release(), 0u);
    libraries.free(module);
}

// ---- The suite's own runtime alone ---------------------------------------

TEST_F(ComRuntime, UnboundRuntimeKnowsNoClass) {
    if (!qmplatform::com::runtimeIsEmulated()) {
        GTEST_SKIP() << "the system's COM has its own registry";
    }
    const qmplatform::com::ScopedRuntimeBinding nothing{qmplatform::com::RuntimeBinding{}};
    const ComThread com;
    void* object = kJunk;
    EXPECT_EQ(create(CLSID_QmTestCounter, IID_IQmTestCounter, &object), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(object, nullptr);
}

TEST_F(ComRuntime, RebindingFreesIdleServersAndKeepsBusyOnes) {
    if (!qmplatform::com::runtimeIsEmulated()) {
        GTEST_SKIP() << "the system's COM cannot be rebound";
    }
    const ComThread com;
    IQmTestCounter* idle = nullptr;
    ASSERT_EQ(create(CLSID_QmTestCounter, IID_IQmTestCounter, reinterpret_cast<void**>(&idle)), S_OK);
    EXPECT_EQ(serverMark(3), 3);
    idle->Release();
    {
        // The outgoing loader's idle server goes with the binding.
        const qmplatform::com::ScopedRuntimeBinding other{qmplatform::com::RuntimeBinding{}};
        EXPECT_EQ(serverMark(0), 0);
    }

    IQmTestCounter* busy = nullptr;
    ASSERT_EQ(create(CLSID_QmTestCounter, IID_IQmTestCounter, reinterpret_cast<void**>(&busy)), S_OK);
    EXPECT_EQ(serverMark(4), 4);
    {
        const qmplatform::com::ScopedRuntimeBinding other{qmplatform::com::RuntimeBinding{}};
        // An object still in use keeps its server's code where it is.
        LONG total = 0;
        EXPECT_EQ(busy->Add(6, &total), S_OK);
        EXPECT_EQ(total, 6);
        EXPECT_EQ(serverMark(0), 4);
        EXPECT_EQ(busy->Release(), 0u);
    }
}

} // namespace
