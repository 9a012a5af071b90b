// Symbol visibility of the jobfile library: callers link against it by import.
#pragma once

#include "platform/export.h"

#ifdef JOBFILE_BUILD
#define JOBFILE_API QM_DECL_EXPORT
#else
#define JOBFILE_API QM_DECL_IMPORT
#endif
