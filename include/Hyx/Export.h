#pragma once

// Symbols of the library that hosts and plug-ins see. Everything else is hidden
// (-fvisibility=hidden).
#define HYX_API __attribute__((visibility("default")))
// A member of an exported class that only the library itself calls: not exported, so the
// library calls it directly.
#define HYX_INTERNAL __attribute__((visibility("hidden")))
