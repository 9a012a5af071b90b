#include "platform/gdiplus/GdiplusStandIn.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

namespace Gdiplus {
namespace {

// GDI+ refuses image work between shutdown and the next startup; a count of
// live tokens is the whole of that state here.
int g_startups = 0;
ULONG_PTR g_nextToken = 1;

bool started() {
    return g_startups > 0;
}

constexpr CLSID kBmpEncoderClsid = {
    0x557CF400, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
constexpr GUID kBmpFormatId = {0xB96B3CAB, 0x0728, 0x11D3, {0x9D, 0x7B, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
constexpr BYTE kBmpSignature[2] = {'B', 'M'};
constexpr BYTE kBmpSignatureMask[2] = {0xFF, 0xFF};

struct EncoderEntry {
    CLSID clsid;
    GUID format;
    const WCHAR* codecName;
    const WCHAR* dllName;
    const WCHAR* description;
    const WCHAR* extension;
    const WCHAR* mimeType;
    const BYTE* sigPattern;
    const BYTE* sigMask;
    std::uint32_t sigSize;
};

constexpr EncoderEntry kEncoders[] = {
    {kBmpEncoderClsid, kBmpFormatId, L"Built-in BMP Codec", nullptr, L"BMP", L"*.BMP;*.DIB;*.RLE",
     L"image/bmp", kBmpSignature, kBmpSignatureMask, 2},
};
constexpr UINT kEncoderCount = sizeof(kEncoders) / sizeof(kEncoders[0]);

// Encoder descriptions are handed out as GDI+ does: the array of
// ImageCodecInfo followed by the strings and signature bytes they point to,
// all inside the caller's one buffer.
std::size_t wideBytes(const WCHAR* s) {
    return s ? (std::wcslen(s) + 1) * sizeof(WCHAR) : 0;
}

UINT encoderListSize() {
    std::size_t total = kEncoderCount * sizeof(ImageCodecInfo);
    for (const EncoderEntry& e : kEncoders) {
        total += wideBytes(e.codecName) + wideBytes(e.dllName) + wideBytes(e.description) +
                 wideBytes(e.extension) + wideBytes(e.mimeType) + 2 * std::size_t(e.sigSize);
    }
    return UINT(total);
}

void putLe16(std::string& out, std::uint16_t v) {
    out.push_back(char(v & 0xFF));
    out.push_back(char(v >> 8));
}
void putLe32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(char((v >> (8 * i)) & 0xFF));
}

// 32 bits per pixel, BI_RGB, bottom-up rows: what GDI+ writes for a
// PixelFormat32bppARGB bitmap, and what every BMP reader understands.
std::string encodeBmp(UINT width, UINT height, const std::vector<ARGB>& pixels) {
    const std::uint32_t imageBytes = width * height * 4u;
    const std::uint32_t offset = 14 + 40;
    std::string out;
    out.reserve(offset + imageBytes);
    out += "BM";
    putLe32(out, offset + imageBytes);
    putLe32(out, 0);
    putLe32(out, offset);
    putLe32(out, 40);
    putLe32(out, width);
    putLe32(out, height);
    putLe16(out, 1);
    putLe16(out, 32);
    putLe32(out, 0); // BI_RGB
    putLe32(out, imageBytes);
    putLe32(out, 3780); // 96 dpi in pixels per metre
    putLe32(out, 3780);
    putLe32(out, 0);
    putLe32(out, 0);
    for (UINT row = height; row-- > 0;) {
        const ARGB* line = pixels.data() + std::size_t(row) * width;
        for (UINT x = 0; x < width; ++x)
            putLe32(out, line[x]); // little endian ARGB is B, G, R, A in memory
    }
    return out;
}

// Wide path to the UTF-8 the file system takes here.
std::string narrowPath(const WCHAR* path) {
    std::string out;
    for (; *path; ++path) {
        const std::uint32_t c = std::uint32_t(*path);
        if (c < 0x80) {
            out.push_back(char(c));
        } else if (c < 0x800) {
            out.push_back(char(0xC0 | (c >> 6)));
            out.push_back(char(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(char(0xE0 | (c >> 12)));
            out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(char(0x80 | (c & 0x3F)));
        } else {
            out.push_back(char(0xF0 | (c >> 18)));
            out.push_back(char(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(char(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

} // namespace

Status GdiplusStartup(ULONG_PTR* token, const GdiplusStartupInput* input, GdiplusStartupOutput*) {
    if (!token || !input)
        return InvalidParameter;
    if (input->GdiplusVersion != 1)
        return UnsupportedGdiplusVersion;
    ++g_startups;
    *token = g_nextToken++;
    return Ok;
}

void GdiplusShutdown(ULONG_PTR token) {
    if (token != 0 && g_startups > 0)
        --g_startups;
}

Image::~Image() = default;

UINT Image::GetWidth() {
    if (!valid) {
        SetStatus(InvalidParameter);
        return 0;
    }
    return width;
}

UINT Image::GetHeight() {
    if (!valid) {
        SetStatus(InvalidParameter);
        return 0;
    }
    return height;
}

PixelFormat Image::GetPixelFormat() {
    if (!valid) {
        SetStatus(InvalidParameter);
        return 0;
    }
    return format;
}

Status Image::GetLastStatus() const {
    // Like GDI+: reading the last status also clears it.
    Status s = lastResult;
    lastResult = Ok;
    return s;
}

Status Image::Save(const WCHAR* filename, const CLSID* clsidEncoder, const EncoderParameters* params) {
    return SetStatus(DllExports::GdipSaveImageToFile(this, filename, clsidEncoder, params));
}

Bitmap::Bitmap(INT w, INT h, PixelFormat fmt) {
    if (!started()) {
        lastResult = GdiplusNotInitialized;
        return;
    }
    if (w <= 0 || h <= 0 || fmt != PixelFormat32bppARGB) {
        lastResult = InvalidParameter;
        return;
    }
    if (std::uint64_t(w) * std::uint64_t(h) * 4u > std::uint64_t(INT_MAX)) {
        lastResult = OutOfMemory;
        return;
    }
    try {
        // A new 32bppARGB bitmap starts transparent black.
        pixels.assign(std::size_t(w) * std::size_t(h), 0u);
    } catch (const std::bad_alloc&) {
        lastResult = OutOfMemory;
        return;
    }
    width = UINT(w);
    height = UINT(h);
    format = fmt;
    valid = true;
}

Status Bitmap::GetPixel(INT x, INT y, Color* color) {
    if (!valid || !color || x < 0 || y < 0 || UINT(x) >= width || UINT(y) >= height)
        return SetStatus(InvalidParameter);
    if (locked)
        return SetStatus(WrongState);
    color->SetValue(pixels[std::size_t(y) * width + UINT(x)]);
    return Ok;
}

Status Bitmap::SetPixel(INT x, INT y, const Color& color) {
    if (!valid || x < 0 || y < 0 || UINT(x) >= width || UINT(y) >= height)
        return SetStatus(InvalidParameter);
    if (locked)
        return SetStatus(WrongState);
    pixels[std::size_t(y) * width + UINT(x)] = color.GetValue();
    return Ok;
}

Status Bitmap::LockBits(const Rect* rect, UINT flags, PixelFormat fmt, BitmapData* data) {
    if (!valid || !data || fmt != PixelFormat32bppARGB)
        return SetStatus(InvalidParameter);
    if (locked)
        return SetStatus(WrongState);
    Rect r = rect ? *rect : Rect(0, 0, INT(width), INT(height));
    if (r.X < 0 || r.Y < 0 || r.Width <= 0 || r.Height <= 0 || UINT(r.X) + UINT(r.Width) > width ||
        UINT(r.Y) + UINT(r.Height) > height)
        return SetStatus(InvalidParameter);
    ARGB* origin = pixels.data() + std::size_t(r.Y) * width + UINT(r.X);
    if (flags & ImageLockModeUserInputBuf) {
        if (!data->Scan0 || data->Stride < r.Width * 4)
            return SetStatus(InvalidParameter);
        if (flags & ImageLockModeRead) {
            for (INT row = 0; row < r.Height; ++row)
                std::memcpy(static_cast<BYTE*>(data->Scan0) + std::ptrdiff_t(row) * data->Stride,
                            origin + std::size_t(row) * width, std::size_t(r.Width) * 4);
        }
    } else {
        data->Scan0 = origin;
        data->Stride = INT(width * 4);
    }
    data->Width = UINT(r.Width);
    data->Height = UINT(r.Height);
    data->PixelFormat = fmt;
    // Remember what to write back on unlock: the rectangle's origin and the mode.
    data->Reserved = (ULONG_PTR(std::size_t(r.Y) * width + UINT(r.X)) << 3) | (flags & 7u);
    locked = true;
    return Ok;
}

Status Bitmap::UnlockBits(BitmapData* data) {
    if (!valid || !data || !locked)
        return SetStatus(WrongState);
    const UINT flags = UINT(data->Reserved & 7u);
    const std::size_t start = std::size_t(data->Reserved >> 3);
    if ((flags & ImageLockModeUserInputBuf) && (flags & ImageLockModeWrite)) {
        for (UINT row = 0; row < data->Height; ++row)
            std::memcpy(pixels.data() + start + std::size_t(row) * width,
                        static_cast<const BYTE*>(data->Scan0) + std::ptrdiff_t(row) * data->Stride,
                        std::size_t(data->Width) * 4);
    }
    locked = false;
    return Ok;
}

Status SaveImage(Image* image, const WCHAR* filename, const CLSID* clsid, const EncoderParameters*) {
    if (!image || !filename || !clsid || !image->valid)
        return InvalidParameter;
    if (!started())
        return GdiplusNotInitialized;
    if (image->locked)
        return WrongState;
    if (!(*clsid == kBmpEncoderClsid))
        return FileNotFound; // GDI+ has no encoder with that class id
    std::string bytes;
    try {
        bytes = encodeBmp(image->width, image->height, image->pixels);
    } catch (const std::bad_alloc&) {
        return OutOfMemory;
    }
    std::FILE* f = std::fopen(narrowPath(filename).c_str(), "wb");
    if (!f)
        return Win32Error;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    const bool closed = std::fclose(f) == 0;
    return written && closed ? Ok : Win32Error;
}

namespace DllExports {

Status GdipGetImageEncodersSize(UINT* numEncoders, UINT* size) {
    if (!numEncoders || !size)
        return InvalidParameter;
    if (!started())
        return GdiplusNotInitialized;
    *numEncoders = kEncoderCount;
    *size = encoderListSize();
    return Ok;
}

Status GdipGetImageEncoders(UINT numEncoders, UINT size, ImageCodecInfo* encoders) {
    if (!encoders)
        return InvalidParameter;
    if (!started())
        return GdiplusNotInitialized;
    if (numEncoders != kEncoderCount || size != encoderListSize())
        return GenericError;
    BYTE* tail = reinterpret_cast<BYTE*>(encoders + kEncoderCount);
    auto place = [&tail](const void* src, std::size_t bytes) -> const void* {
        if (!src)
            return nullptr;
        std::memcpy(tail, src, bytes);
        const void* at = tail;
        tail += bytes;
        return at;
    };
    for (UINT i = 0; i < kEncoderCount; ++i) {
        const EncoderEntry& e = kEncoders[i];
        ImageCodecInfo& info = encoders[i];
        info.Clsid = e.clsid;
        info.FormatID = e.format;
        info.CodecName = static_cast<const WCHAR*>(place(e.codecName, wideBytes(e.codecName)));
        info.DllName = static_cast<const WCHAR*>(place(e.dllName, wideBytes(e.dllName)));
        info.FormatDescription = static_cast<const WCHAR*>(place(e.description, wideBytes(e.description)));
        info.FilenameExtension = static_cast<const WCHAR*>(place(e.extension, wideBytes(e.extension)));
        info.MimeType = static_cast<const WCHAR*>(place(e.mimeType, wideBytes(e.mimeType)));
        info.Flags = 0x00010007; // builtin, encoder, decoder, supports bitmap
        info.Version = 1;
        info.SigCount = 1;
        info.SigSize = e.sigSize;
        info.SigPattern = static_cast<const BYTE*>(place(e.sigPattern, e.sigSize));
        info.SigMask = static_cast<const BYTE*>(place(e.sigMask, e.sigSize));
    }
    return Ok;
}

Status GdipSaveImageToFile(Image* image, const WCHAR* filename, const CLSID* clsidEncoder,
                           const EncoderParameters* encoderParams) {
    return SaveImage(image, filename, clsidEncoder, encoderParams);
}

} // namespace DllExports
} // namespace Gdiplus
