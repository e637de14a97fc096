// Early return for the Glimmet control's accessors and handlers.
#pragma once

#include "runtime/status.h"

// Ends the calling accessor with the status of a failed host or platform call.
#define GLIMMET_TRY(expr)                                                                          \
    do {                                                                                           \
        if (const runtime::Status s_ = (expr); runtime::failed(s_))                                \
            return s_;                                                                             \
    } while (false)
