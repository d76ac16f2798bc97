// Plug-in shaped test library: a data symbol "hyx_plugin", a count of static
// initialisations, and a counter the host may point at to see the static destructor run.

#define FIXTURE_EXPORT __attribute__((visibility("default")))

extern "C" {
FIXTURE_EXPORT extern const char* const hyx_plugin[2];
const char* const hyx_plugin[2] = {"fixture plug-in", "1.0"};
FIXTURE_EXPORT int vorn_fixture_initialised = 0;
FIXTURE_EXPORT int* vorn_fixture_destroyed = nullptr;
}

namespace {

struct LifeCounter {
    LifeCounter() { ++vorn_fixture_initialised; }
    ~LifeCounter()
    {
        if (vorn_fixture_destroyed)
            ++*vorn_fixture_destroyed;
    }
};

LifeCounter lifeCounter;

} // namespace
