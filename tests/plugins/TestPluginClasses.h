#pragma once

// The classes of the test plug-ins, shared by the plug-ins and the tests. Plug-in 1 is
// "Alpha" (built twice, version texts "1" and "2", same classes), plug-in 2 is "Beta".

namespace TestPlugins {

struct Classes {
    const char* name;
    const char* layerGuid;
    const char* layerClass;
    const char* filterGuid;
    const char* filterClass;
    int filterCategory;
};

inline constexpr Classes CLASSES[] = {
    {},
    {"Alpha", "7E57A1FA-0000-4000-8000-0000000000A1", "DataTypeTestAlpha", "7E57F117-0000-4000-8000-0000000000A1",
     "TransformTestAlpha", 2},
    {"Beta", "7E57A1FA-0000-4000-8000-0000000000B2", "DataTypeTestBeta", "7E57F117-0000-4000-8000-0000000000B2",
     "MutateTestBeta", 7},
};

/// Exported by every test plug-in (a std::atomic<int>): how often its filter creator ran.
inline constexpr const char* FILTER_CREATIONS_SYMBOL = "hyx_test_plugin_filter_creations";

} // namespace TestPlugins
