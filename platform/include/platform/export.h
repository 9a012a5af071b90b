// Symbol visibility for the suite's DLLs / shared objects.
#pragma once

#if defined(_WIN32) || defined(__CYGWIN__)
#define QM_DECL_EXPORT __declspec(dllexport)
#define QM_DECL_IMPORT __declspec(dllimport)
#else
#define QM_DECL_EXPORT __attribute__((visibility("default")))
#define QM_DECL_IMPORT __attribute__((visibility("default")))
#endif
