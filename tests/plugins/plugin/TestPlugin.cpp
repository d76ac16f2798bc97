// A test plug-in library: one data-layer class and one filter class, registered by a static
// initialiser while the library loads. TEST_PLUGIN_INDEX picks the classes,
// TEST_PLUGIN_VERSION the version text of its "hyx_plugin" record.

#include "TestPluginClasses.h"

#include <Hyx/DataLayer.h>
#include <Hyx/DataLayerFactory.h>
#include <Hyx/FilterFactory.h>
#include <Hyx/PluginModule.h>

#include <atomic>
#include <cstring>

HYX_DEFINE_PLUGIN_INFO(TestPlugins::CLASSES[TEST_PLUGIN_INDEX].name, TEST_PLUGIN_VERSION);

extern "C" {
__attribute__((visibility("default"))) extern std::atomic<int> hyx_test_plugin_filter_creations;
std::atomic<int> hyx_test_plugin_filter_creations{0};
}

namespace {

const TestPlugins::Classes& classes = TestPlugins::CLASSES[TEST_PLUGIN_INDEX];
const VornCommon::Guid layerType = VornCommon::Guid::FromHexString(classes.layerGuid);

/// Tells through "version" which build of the library made it, so a test can see both that
/// its code is still there and whether an update took effect.
class TestPluginLayer : public Hyx::DataLayer {
public:
    TestPluginLayer() : DataLayer(1) {}
    VornCommon::Guid TypeGuid() const override { return layerType; }
    Hyx::DataLayerClassInfo GetDataLayerClassInfo() const override { return Hyx::DataLayerClassInfo(classes.layerClass); }
    std::string GetPropertyValue(const char* name) const override
    {
        return std::strcmp(name, "version") == 0 ? TEST_PLUGIN_VERSION : "";
    }

protected:
    bool deserializeAndMigrate(uint8_t*, uint32_t) override { return true; }
};

Hyx::DataLayer* createLayer() { return new TestPluginLayer; }

/// The database only needs the filter class to be registered and its creator reached; the
/// creator counts its calls instead of building a filter.
Hyx::Filter* createFilter()
{
    ++hyx_test_plugin_filter_creations;
    return nullptr;
}

const bool registered = [] {
    Hyx::DataLayerFactory::RegisterDataLayerClass(layerType, Hyx::DataLayerClassInfo(classes.layerClass), createLayer);
    Hyx::FilterFactory::RegisterFilterClass(
        VornCommon::Guid::FromHexString(classes.filterGuid),
        Hyx::FilterClassInfo(classes.filterClass, static_cast<Hyx::FilterCategory>(classes.filterCategory)),
        createFilter);
    return true;
}();

} // namespace
