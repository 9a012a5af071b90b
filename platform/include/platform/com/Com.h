// COM, the one way the suite reaches the labelling system's server. On
// Windows these are the system's own <objbase.h> and <oleauto.h>; elsewhere
// the same names from the suite's small in-process runtime
// (platform/com/EmulatedCom.h). Code above the seam includes this header and
// writes plain COM; the few conversions that differ between the two sides
// (OLECHAR is wchar_t on Windows, char16_t elsewhere) are the helpers below.
#pragma once

#if defined(_WIN32)
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <objbase.h>
#include <oleauto.h>
#else
#include "platform/com/EmulatedCom.h"
#endif

#include <string>
#include <string_view>

namespace qmplatform::com {

// The registry form of a GUID: "{5197646C-00EA-4307-A067-61319EBBE499}",
// upper-case hex, as StringFromGUID2 writes it.
std::wstring guidToString(REFGUID guid);
// Reads the registry form (hex digits in either case); false for anything
// else, with `out` untouched.
bool guidFromString(std::wstring_view text, GUID& out);

// A BSTR holding `text`, null when out of memory. The caller frees it with
// SysFreeString (or hands it to whoever does).
BSTR bstrFromWide(std::wstring_view text);
// The whole BSTR, embedded NULs included; a null BSTR is the empty string.
std::wstring wideFromBstr(BSTR text);
// UTF-16 code units, as an OLECHAR string holds them, to and from wide text.
std::wstring wideFromOle(const OLECHAR* text, std::size_t length);
std::basic_string<OLECHAR> oleFromWide(std::wstring_view text);

// An owned BSTR: frees it when it goes; move-only.
class Bstr {
public:
    Bstr() = default;
    explicit Bstr(std::wstring_view text) : text_(bstrFromWide(text)) {}
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    Bstr(Bstr&& other) noexcept : text_(other.release()) {}
    Bstr& operator=(Bstr&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }
    ~Bstr() { reset(); }

    BSTR get() const { return text_; }
    // For an out-parameter (BSTR*): frees what is held first.
    BSTR* receive() {
        reset();
        return &text_;
    }
    BSTR release() {
        BSTR text = text_;
        text_ = nullptr;
        return text;
    }
    void reset(BSTR text = nullptr) {
        if (text_ != nullptr) {
            SysFreeString(text_);
        }
        text_ = text;
    }
    std::wstring wide() const { return wideFromBstr(text_); }

private:
    BSTR text_ = nullptr;
};

// Holds one reference to a COM object and releases it: a pointer handed out
// by a server (an out-parameter) is adopted, not AddRef'd again.
template <class T> class ComPtr {
public:
    ComPtr() = default;
    explicit ComPtr(T* adopted) noexcept : object_(adopted) {}
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : object_(other.release()) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }
    ~ComPtr() { reset(); }

    T* get() const { return object_; }
    T* operator->() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }
    friend bool operator==(const ComPtr& held, std::nullptr_t) { return held.object_ == nullptr; }
    // For an out-parameter (T**): releases what is held first.
    T** receive() {
        reset();
        return &object_;
    }
    T* release() {
        T* object = object_;
        object_ = nullptr;
        return object;
    }
    // Takes `adopted` and releases what was held, after letting go of it, so
    // a Release that reenters this holder sees it empty.
    void reset(T* adopted = nullptr) {
        T* old = object_;
        object_ = adopted;
        if (old != nullptr) {
            old->Release();
        }
    }

private:
    T* object_ = nullptr;
};

} // namespace qmplatform::com
