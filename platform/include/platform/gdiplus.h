// GDI+ for the suite: the real one on Windows, the stand-in elsewhere.
// Code above this header writes plain GDI+ (Gdiplus::Bitmap, Gdiplus::Status,
// Gdiplus::GetImageEncoders, ...) and never asks which one it got.
// The flat API takes GpImage handles on Windows and the stand-in's classes
// here, so image work goes through the classes (Image::Save, not
// GdipSaveImageToFile); the flat calls without an image (the encoder list)
// are the same on both sides.
#pragma once

#if defined(_WIN32)
#include "platform/gdiplus/GdiplusWin32.h"
#else
#include "platform/gdiplus/GdiplusStandIn.h"
#endif
