// ASTC 8 x 8 coding over astc-encoder: RGBA8 input (colour clamped to 254, alpha 255), four
// threads per image on a context kept per preset, made from our settings (AstcDriver.h).

#include "texture/AstcDriver.h"
#include "texture/RGBDXT5Convertor.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace Hyx {

namespace {

constexpr unsigned kThreads = 4;
constexpr unsigned kFootprint = 8;

[[noreturn]] void fail(astcenc_error error)
{
    throw std::runtime_error(std::string("ASTC encoding failed: ") + astcenc_get_error_string(error));
}

// One codec context per preset: costly to make, so made on first use and kept until unload.
// A context codes one image at a time, hence the lock.
struct Preset {
    std::once_flag made;
    astcenc_context* context = nullptr;
    astcenc_error error = ASTCENC_SUCCESS;
    std::mutex busy;

    ~Preset()
    {
        if (context)
            astcenc_context_free(context);
    }

    astcenc_context* get(int quality)
    {
        std::call_once(made, [&] {
            astcenc_config config;
            error = MakeAstcDriverConfig(quality, config);
            if (error == ASTCENC_SUCCESS)
                error = astcenc_context_alloc(&config, kThreads, &context);
        });
        if (error != ASTCENC_SUCCESS)
            fail(error);
        return context;
    }
};

Preset& preset(bool thorough)
{
    static Preset presets[2];
    return presets[thorough ? 1 : 0];
}

} // namespace

astcenc_error MakeAstcDriverConfig(int quality, astcenc_config& config)
{
    const bool thorough = quality != 0;
    const astcenc_error error = astcenc_config_init(ASTCENC_PRF_LDR, kFootprint, kFootprint, 1,
                                                    thorough ? ASTCENC_PRE_THOROUGH : ASTCENC_PRE_MEDIUM, 0, &config);
    if (error != ASTCENC_SUCCESS)
        return error;
    // The codec's presets drift between its releases; these keep our coding where it was tuned.
    const unsigned partitions = thorough ? 100 : 25;
    config.tune_2partition_index_limit = partitions;
    config.tune_3partition_index_limit = partitions;
    config.tune_4partition_index_limit = partitions;
    config.tune_block_mode_limit = thorough ? 95 : 75;
    config.tune_refinement_limit = thorough ? 4 : 2;
    config.tune_2_plane_early_out_limit_correlation = thorough ? 0.95f : 0.75f;
    config.tune_2_partition_early_out_limit_factor = thorough ? 2.5f : 1.2f;
    const float l = std::log(float(kFootprint * kFootprint)) / std::log(10.0f);
    config.tune_db_limit =
        thorough ? std::max(105.0f - 35.0f * l, 77.0f - 19.0f * l) : std::max(95.0f - 35.0f * l, 70.0f - 19.0f * l);
    config.cw_r_weight = config.cw_g_weight = config.cw_b_weight = config.cw_a_weight = 1.0f;
    return ASTCENC_SUCCESS;
}

template <int Red>
void RGBDXT5Convertor::encodeAstc(const uint8_t* pixels, uint32_t width, uint32_t height, int quality)
{
    _width = width;
    _height = height;
    const bool thorough = quality != 0;
    _extra = thorough ? 5 : 10;

    const size_t count = size_t(width) * height;
    std::vector<uint8_t> rgba(count * 4);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* p = pixels + 3 * i;
        uint8_t* q = rgba.data() + 4 * i;
        ClampColour254<Red>(p, q);
        q[3] = 255;
    }
    const uint32_t blocks = ((width + kFootprint - 1) / kFootprint) * ((height + kFootprint - 1) / kFootprint);
    std::vector<uint8_t> coded(size_t(blocks) * 16);
    std::printf("%d blocks to process ..\n", int(blocks));
    std::fflush(stdout);

    void* planes[1] = {rgba.data()};
    astcenc_image image{width, height, 1, ASTCENC_TYPE_U8, planes};
    const astcenc_swizzle swizzle{ASTCENC_SWZ_R, ASTCENC_SWZ_G, ASTCENC_SWZ_B, ASTCENC_SWZ_A};

    Preset& codec = preset(thorough);
    astcenc_context* context = codec.get(quality);
    astcenc_error errors[kThreads];
    {
        std::lock_guard<std::mutex> lock(codec.busy);
        std::vector<std::thread> workers;
        workers.reserve(kThreads);
        for (unsigned i = 0; i < kThreads; ++i)
            workers.emplace_back([&, i] {
                errors[i] = astcenc_compress_image(context, &image, &swizzle, coded.data(), coded.size(), i);
            });
        for (auto& worker : workers)
            worker.join();
        astcenc_compress_reset(context);
    }
    for (astcenc_error error : errors)
        if (error != ASTCENC_SUCCESS)
            fail(error);
    coded.resize(count / 4);
    _output = std::move(coded);
}

void RGBDXT5Convertor::EncodeASTCFromRGB(const uint8_t* pixels, uint32_t width, uint32_t height, int quality)
{
    std::printf("compression type %d \n", quality);
    std::fflush(stdout);
    encodeAstc<0>(pixels, width, height, quality);
}

void RGBDXT5Convertor::EncodeASTCFromBGR(const uint8_t* pixels, uint32_t width, uint32_t height, int quality)
{
    encodeAstc<2>(pixels, width, height, quality);
}

} // namespace Hyx
