// Test library without the plug-in data symbol.

extern "C" {
__attribute__((visibility("default"))) int vorn_fixture_plain_value = 7;
}
