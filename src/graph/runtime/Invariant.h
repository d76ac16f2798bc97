#pragma once

// Broken internal invariants of the graph runtime are logged (level 2, naming the source file
// and the condition) instead of aborting the host; the caller then goes on with a safe value.

#include <Hyx/LoggerInstance.h>

#define HYX_CHECK_INVARIANT(condition, text)                                                                           \
    ((condition) ? true                                                                                                \
                 : (::Hyx::LogMessage(::VornCommon::LogLevel::Error, "Assertion failed: %s, file %s, line %d", text,   \
                                      __FILE__, __LINE__),                                                             \
                    false))
