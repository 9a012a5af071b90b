// A plain library for the loader's tests: one entry and some state of its
// own, which starts afresh whenever the module is really loaded anew. It has
// no DllGetClassObject, so it also stands for a broken COM server.
namespace {
int mark = 0;
}

// Adds to the module's mark and returns it.
extern "C"
#if defined(_WIN32)
    __declspec(dllexport)
#else
    __attribute__((visibility("default")))
#endif
        int QmTestModuleAdd(int value) {
    mark += value;
    return mark;
}
