// The part of GDI+ that the suite uses, for systems without GDI+.
//
// Names, values and semantics follow GDI+: a Bitmap remembers the status of
// its last failing call, encoders are found through the flat encoder list and
// identified by class id, and GdiplusStartup must precede any image work.
// Pixels are stored as GDI+ stores PixelFormat32bppARGB: one 32-bit ARGB value
// per pixel, rows top to bottom.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/export.h"

#ifdef QM_GDIPLUS_BUILD
#define QM_GDIPLUS_API QM_DECL_EXPORT
#else
#define QM_GDIPLUS_API QM_DECL_IMPORT
#endif

using BYTE = unsigned char;
using INT = int;
using UINT = unsigned int;
using UINT32 = std::uint32_t;
using ULONG = std::uint32_t;
using ULONG_PTR = std::uintptr_t;
using WCHAR = wchar_t;
using BOOL = int;
using VOID = void;

struct GUID {
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];
};
using CLSID = GUID;
inline bool operator==(const GUID& a, const GUID& b) {
    if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3)
        return false;
    for (int i = 0; i < 8; ++i)
        if (a.Data4[i] != b.Data4[i])
            return false;
    return true;
}

namespace Gdiplus {

enum Status {
    Ok = 0,
    GenericError = 1,
    InvalidParameter = 2,
    OutOfMemory = 3,
    ObjectBusy = 4,
    InsufficientBuffer = 5,
    NotImplemented = 6,
    Win32Error = 7,
    WrongState = 8,
    Aborted = 9,
    FileNotFound = 10,
    ValueOverflow = 11,
    AccessDenied = 12,
    UnknownImageFormat = 13,
    FontFamilyNotFound = 14,
    FontStyleNotFound = 15,
    NotTrueTypeFont = 16,
    UnsupportedGdiplusVersion = 17,
    GdiplusNotInitialized = 18,
    PropertyNotFound = 19,
    PropertyNotSupported = 20,
};

using ARGB = std::uint32_t;
using PixelFormat = INT;
// Pixel formats are macros in GDI+, usable without the namespace.
#define PixelFormatIndexed 0x00010000
#define PixelFormatGDI 0x00020000
#define PixelFormatAlpha 0x00040000
#define PixelFormatCanonical 0x00200000
#define PixelFormat32bppARGB (10 | (32 << 8) | PixelFormatAlpha | PixelFormatGDI | PixelFormatCanonical)
static_assert(PixelFormat32bppARGB == 0x26200A);

class Color {
public:
    enum : ARGB { Black = 0xFF000000, White = 0xFFFFFFFF, Red = 0xFFFF0000, Blue = 0xFF0000FF };
    enum { AlphaShift = 24, RedShift = 16, GreenShift = 8, BlueShift = 0 };

    Color() : Argb(0xFF000000) {}
    Color(ARGB argb) : Argb(argb) {}
    Color(BYTE r, BYTE g, BYTE b) : Argb(MakeARGB(255, r, g, b)) {}
    Color(BYTE a, BYTE r, BYTE g, BYTE b) : Argb(MakeARGB(a, r, g, b)) {}

    BYTE GetAlpha() const { return BYTE(Argb >> AlphaShift); }
    BYTE GetA() const { return GetAlpha(); }
    BYTE GetRed() const { return BYTE(Argb >> RedShift); }
    BYTE GetR() const { return GetRed(); }
    BYTE GetGreen() const { return BYTE(Argb >> GreenShift); }
    BYTE GetG() const { return GetGreen(); }
    BYTE GetBlue() const { return BYTE(Argb >> BlueShift); }
    BYTE GetB() const { return GetBlue(); }
    ARGB GetValue() const { return Argb; }
    void SetValue(ARGB argb) { Argb = argb; }

    static ARGB MakeARGB(BYTE a, BYTE r, BYTE g, BYTE b) {
        return (ARGB(a) << AlphaShift) | (ARGB(r) << RedShift) | (ARGB(g) << GreenShift) | ARGB(b);
    }

protected:
    ARGB Argb;
};

struct GdiplusStartupInput {
    UINT32 GdiplusVersion = 1;
    void* DebugEventCallback = nullptr;
    BOOL SuppressBackgroundThread = 0;
    BOOL SuppressExternalCodecs = 0;
};
struct GdiplusStartupOutput {
    void* NotificationHook = nullptr;
    void* NotificationUnhook = nullptr;
};

QM_GDIPLUS_API Status GdiplusStartup(ULONG_PTR* token, const GdiplusStartupInput* input,
                                     GdiplusStartupOutput* output);
QM_GDIPLUS_API void GdiplusShutdown(ULONG_PTR token);

struct Rect {
    INT X = 0, Y = 0, Width = 0, Height = 0;
    Rect() = default;
    Rect(INT x, INT y, INT w, INT h) : X(x), Y(y), Width(w), Height(h) {}
};

enum ImageLockMode { ImageLockModeRead = 1, ImageLockModeWrite = 2, ImageLockModeUserInputBuf = 4 };

struct BitmapData {
    UINT Width = 0;
    UINT Height = 0;
    INT Stride = 0;
    ::Gdiplus::PixelFormat PixelFormat = 0;
    void* Scan0 = nullptr;
    ULONG_PTR Reserved = 0;
};

struct ImageCodecInfo {
    CLSID Clsid;
    GUID FormatID;
    const WCHAR* CodecName;
    const WCHAR* DllName;
    const WCHAR* FormatDescription;
    const WCHAR* FilenameExtension;
    const WCHAR* MimeType;
    std::uint32_t Flags;
    std::uint32_t Version;
    std::uint32_t SigCount;
    std::uint32_t SigSize;
    const BYTE* SigPattern;
    const BYTE* SigMask;
};

struct EncoderParameters;

class QM_GDIPLUS_API Image {
public:
    virtual ~Image();
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    UINT GetWidth();
    UINT GetHeight();
    PixelFormat GetPixelFormat();
    Status GetLastStatus() const;
    Status Save(const WCHAR* filename, const CLSID* clsidEncoder, const EncoderParameters* params = nullptr);

protected:
    Image() = default;
    Status SetStatus(Status status) const {
        if (status != Ok)
            lastResult = status;
        return status;
    }

    // What a native GDI+ image holds: size, format and the pixel rows.
    UINT width = 0;
    UINT height = 0;
    PixelFormat format = 0;
    std::vector<ARGB> pixels;
    bool valid = false;
    bool locked = false;
    mutable Status lastResult = Ok;

    friend Status SaveImage(Image*, const WCHAR*, const CLSID*, const EncoderParameters*);
};

class QM_GDIPLUS_API Bitmap : public Image {
public:
    Bitmap(INT width, INT height, PixelFormat format = PixelFormat32bppARGB);
    Bitmap(INT width, INT height, INT stride, PixelFormat format, BYTE* scan0);

    Status GetPixel(INT x, INT y, Color* color);
    Status SetPixel(INT x, INT y, const Color& color);
    Status LockBits(const Rect* rect, UINT flags, PixelFormat format, BitmapData* lockedData);
    Status UnlockBits(BitmapData* lockedData);
};

namespace DllExports {
QM_GDIPLUS_API Status GdipGetImageEncodersSize(UINT* numEncoders, UINT* size);
QM_GDIPLUS_API Status GdipGetImageEncoders(UINT numEncoders, UINT size, ImageCodecInfo* encoders);
QM_GDIPLUS_API Status GdipSaveImageToFile(Image* image, const WCHAR* filename, const CLSID* clsidEncoder,
                                          const EncoderParameters* encoderParams);
} // namespace DllExports

inline Status GetImageEncodersSize(UINT* numEncoders, UINT* size) {
    return DllExports::GdipGetImageEncodersSize(numEncoders, size);
}
inline Status GetImageEncoders(UINT numEncoders, UINT size, ImageCodecInfo* encoders) {
    return DllExports::GdipGetImageEncoders(numEncoders, size, encoders);
}

} // namespace Gdiplus
