#pragma once

#include "platform/export.h"

#ifdef TRACKRENDER_BUILD
#define TRACKRENDER_API QM_DECL_EXPORT
#else
#define TRACKRENDER_API QM_DECL_IMPORT
#endif
