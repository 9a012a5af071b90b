// Which system the COM runtime works on. Real COM on Windows reads the
// system's registry and loads with the system's loader, and ignores this.
// The suite's own runtime (elsewhere) has no system of its own: a program
// binds the System it took at start, before its first CoCreateInstance, and
// tests bind the machine they built.
//
//     auto system = qmplatform::makeDefaultSystem();
//     qmplatform::com::bindRuntime(*system);
//
// Until something is bound, no class is registered (REGDB_E_CLASSNOTREG).
// The bound objects must outlive every COM object made through them: a
// server's module stays loaded, through the loader that loaded it, until
// CoFreeUnusedLibraries, the last CoUninitialize of the process or the next
// binding finds that the server holds no more objects.
#pragma once

namespace qmplatform {
class DynamicLibraries;
class Environment;
class Registry;
class System;
} // namespace qmplatform

namespace qmplatform::com {

struct RuntimeBinding {
    // HKEY_CLASSES_ROOT\CLSID\{...}\InprocServer32 is read here.
    Registry* registry = nullptr;
    // Server modules are loaded through this.
    DynamicLibraries* libraries = nullptr;
    // Expands REG_EXPAND_SZ server paths; optional.
    const Environment* environment = nullptr;
};

// Replaces the process-wide binding; returns the one it replaces. Safe to
// call from any thread, though a program normally does so once at start.
RuntimeBinding bindRuntime(const RuntimeBinding& binding);
RuntimeBinding bindRuntime(System& system);
RuntimeBinding currentRuntimeBinding();

// True where COM is the suite's own runtime rather than the system's.
bool runtimeIsEmulated();

// Binds for one scope (a test) and puts the previous binding back.
class ScopedRuntimeBinding {
public:
    explicit ScopedRuntimeBinding(const RuntimeBinding& binding) : previous_(bindRuntime(binding)) {}
    explicit ScopedRuntimeBinding(System& system) : previous_(bindRuntime(system)) {}
    ScopedRuntimeBinding(const ScopedRuntimeBinding&) = delete;
    ScopedRuntimeBinding& operator=(const ScopedRuntimeBinding&) = delete;
    ~ScopedRuntimeBinding() { bindRuntime(previous_); }

private:
    RuntimeBinding previous_;
};

} // namespace qmplatform::com
