#pragma once

// Shared by the texture tests: every texture class with its identity, and helpers that
// create, fill and round-trip layers.

#include <Hyx/DataLayerFactory.h>
#include <Hyx/DataTypeTextureBase.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace HyxTest {

struct TextureClassRow {
    Hyx::TextureFormat format;
    const char* guid;
    const char* niceName;
};

/// Every texture class, by format value.
inline const TextureClassRow kTextureClasses[] = {
    {Hyx::TextureFormat::YUV_NVX, "B373D0F2-F838-4B4A-95AA-59F1706524DB", "TextureYUV_NVX"},
    {Hyx::TextureFormat::YUV_NV21, "D577B641-22D5-4E7F-ACC4-C98CA85B60AB", "TextureYUV_NV21"},
    {Hyx::TextureFormat::YUV_NV12, "FAA17CA1-6544-4339-ACFE-4AE4085F2950", "TextureYUV_NV12"},
    {Hyx::TextureFormat::IR, "E0F1CC62-FA77-4877-A7E6-E249C905E38A", "TextureIR"},
    {Hyx::TextureFormat::DepthMap16Bit, "104A30F4-5C0D-40AE-81C4-0260681CDB82", "Texture16BitDepthMap"},
    {Hyx::TextureFormat::BGR, "D26D1D1A-157F-480B-B82C-FC879E9B7068", "TextureBGR"},
    {Hyx::TextureFormat::RGB, "9533AA0B-403E-49F3-9A2E-7D44BDBB3E95", "TextureRGB"},
    {Hyx::TextureFormat::IR16Bit, "8C5043A2-B028-430E-A0D2-A072E3A9BCEC", "Texture16BitIR"},
    {Hyx::TextureFormat::BayerRGGB, "00E30A48-23A5-49C0-9069-787D3FF82FC9", "TextureBayerRGGB"},
    {Hyx::TextureFormat::BayerBGGR, "6672AD46-F638-4D23-A2DE-D521C5EE2656", "TextureBayerBGGR"},
    {Hyx::TextureFormat::BayerGRBG, "853875D6-43F9-45F3-9362-09D45E8FF355", "TextureBayerGRBG"},
    {Hyx::TextureFormat::BayerGBRG, "C29DB706-1723-42E4-B98D-80AD507A6621", "TextureBayerGBRG"},
    {Hyx::TextureFormat::RGB30, "421AD6BF-6328-4801-A550-64BC3A5EB921", "TextureRGB30"},
    {Hyx::TextureFormat::HSL24, "18697D60-86BD-4EA9-876F-EB0F3B6822B7", "TextureHSL24"},
    {Hyx::TextureFormat::HSL30, "50987579-4F87-4E44-B133-813834A65E30", "TextureHSL30"},
    {Hyx::TextureFormat::DXT5YCOCG, "D42C7C42-9E46-44A0-9507-C69DECCDD84A", "TextureDXT5YCOCG"},
    {Hyx::TextureFormat::PaletteBased8bit, "28A3EB07-E07C-43E1-A172-F528385977A8", "Texture8bitPaletteBased"},
    {Hyx::TextureFormat::PaletteBased16bit, "84C259AF-2067-4D37-B7F6-8E85DE29624D", "Texture16bitPaletteBased"},
    {Hyx::TextureFormat::RGBA, "1E77DB07-72CB-4796-8840-E514EB15F47A", "TextureRGBA"},
    {Hyx::TextureFormat::DXT1, "A86BB1D8-209C-4048-86E6-9D81E72E354B", "TextureDXT1"},
    {Hyx::TextureFormat::DXT1RLE, "50D613E5-A90C-4FBD-AF86-1F327E3F3236", "TextureDXT1RLE"},
    {Hyx::TextureFormat::ETC2, "BAC7E116-489D-49C2-828A-4E92032C7D49", "TextureETC2"},
    {Hyx::TextureFormat::ETC2RLE, "9A4363B9-1B19-4E07-BB7A-7A4B959BD127", "TextureETC2RLE"},
    {Hyx::TextureFormat::ASTC, "6DBED9EE-BC11-41F0-874F-E2D2E3D2F72A", "TextureASTC"},
    {Hyx::TextureFormat::ASTCRLE, "EE60E756-273A-4720-BE55-395F7592B883", "TextureASTCRLE"},
};

/// A new texture of the row's class, made by the factory.
inline std::shared_ptr<Hyx::DataTypeTextureBase> MakeTexture(const TextureClassRow& row)
{
    auto layer =
        Hyx::DataLayerFactory::CreateDataLayer(VornCommon::Guid::FromHexString(row.guid), VornCommon::Guid::Nil)
            .ToStdSharedPtr();
    return std::dynamic_pointer_cast<Hyx::DataTypeTextureBase>(layer);
}

/// Fills a texture of a format with a size with a byte pattern (seeded), 16-bit IR for IR.
inline void FillTexture(Hyx::DataTypeTextureBase& texture, uint16_t width, uint16_t height, uint8_t seed)
{
    if (texture.GetTextureFormat() == Hyx::TextureFormat::IR)
        texture.SetDepth(Hyx::TextureDepth::Depth16Bit);
    uint8_t* pixels = texture.AllocateTexture(width, height);
    for (uint32_t i = 0; pixels && i < texture.GetTextureSizeInBytes(); ++i)
        pixels[i] = uint8_t(i * 31 + seed);
}

/// The payload bytes of a layer.
inline std::vector<uint8_t> PayloadOf(Hyx::DataLayer& layer)
{
    uint32_t size = 0;
    const uint8_t* data = layer.Serialize(size);
    return data ? std::vector<uint8_t>(data, data + size) : std::vector<uint8_t>();
}

} // namespace HyxTest
