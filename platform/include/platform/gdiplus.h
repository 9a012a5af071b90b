// GDI+ for the suite: the real one on Windows, the stand-in elsewhere.
// Code above this header writes plain GDI+ (Gdiplus::Bitmap, Gdiplus::Status,
// Gdiplus::GetImageEncoders, ...) and never asks which one it got.
#pragma once

#if defined(_WIN32)
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
#else
#include "gdiplus/GdiplusStandIn.h"
#endif
