#pragma once

// Symbols of the library that hosts and plug-ins see. Everything else is hidden
// (-fvisibility=hidden).
#define HYX_API __attribute__((visibility("default")))
