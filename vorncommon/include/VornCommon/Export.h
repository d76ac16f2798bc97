#pragma once

// Symbols of the platform layer that hosts, the library and plug-ins see. Everything else
// is hidden (-fvisibility=hidden).
#define VORN_API __attribute__((visibility("default")))
