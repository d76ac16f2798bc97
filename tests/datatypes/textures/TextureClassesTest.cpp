#include <Hyx/Atom.h>
#include <Hyx/DataTypeColorPalette.h>
#include <Hyx/DataTypeTextureRGB.h>
#include <Hyx/DeserializeFromMemory.h>
#include <Hyx/SerializeToMemory.h>

#include "StreamTestLayers.h"
#include "StreamTestUtil.h"
#include "TextureTestUtil.h"

#include <gtest/gtest.h>

using namespace Hyx;
using HyxTest::kTextureClasses;
using VornCommon::Guid;

TEST(TextureClasses, EveryClassComesFromTheFactoryByGuid)
{
    for (const auto& row : kTextureClasses) {
        SCOPED_TRACE(row.niceName);
        auto texture = HyxTest::MakeTexture(row);
        ASSERT_TRUE(texture);
        EXPECT_EQ(texture->GetTextureFormat(), row.format);
        EXPECT_EQ(texture->TypeGuid(), Guid::FromHexString(row.guid));
        EXPECT_EQ(texture->GetDataLayerClassInfo().GetNiceClassName(), VornCommon::String(row.niceName));
        EXPECT_EQ(texture->GetVersion(), row.format == TextureFormat::IR ? 1 : 0);
        EXPECT_EQ((std::tuple{texture->GetDataPtr(), texture->GetPixelAsRGB24BitValue(0, 0)}), std::tuple(nullptr, 0u));
    }
    EXPECT_EQ(DataTypeTextureRGB::TheTypeGuid(), DataTypeTextureRGB().TypeGuid());
    EXPECT_EQ((std::tuple{DataTypeColorPalette8bit().GetDataLayerClassInfo().GetNiceClassName(),
                          DataTypeColorPalette16bit::TheTypeGuid()}),
              std::tuple(VornCommon::String("ColorPalette8bit"),
                         Guid::FromHexString("9495FB00-7598-4E56-9D83-969732DE4626")));
}

TEST(TextureClasses, RoundTripThroughTheAtomStream)
{
    auto atom = std::make_shared<Atom>(0u, 7ull);
    for (const auto& row : kTextureClasses) {
        auto texture = HyxTest::MakeTexture(row);
        if (TextureFormatHasSize(row.format)) {
            HyxTest::FillTexture(*texture, 5, 3, uint8_t(row.format));
        } else { // run-length bytes after the header: loaded as they are
            const std::vector<uint8_t> bytes = {5, 0, 3, 0, 1, 2, 3, 4, 5};
            HyxTest::SetPayload(*texture, bytes);
        }
        atom->AddDataLayer(texture, false);
    }
    auto palette = std::make_shared<DataTypeColorPalette16bit>();
    uint8_t* entries = palette->AllocatePalette(16);
    for (uint32_t i = 0; i < palette->GetPaletteSizeInBytes(); ++i)
        entries[i] = uint8_t(i);
    atom->AddDataLayer(palette, false);

    SerializeToMemory writer;
    writer.pack_hyxheader();
    ASSERT_EQ(writer.pack_atom(atom), HyxErrorCode(0));
    HyxTest::ExactReader reader(HyxTest::PackedBytes(writer));
    ASSERT_TRUE(reader->unpack_hyxheader());
    auto back = reader->unpack_atom();
    ASSERT_TRUE(back);
    // Every layer comes back as its own class with its pixels (the bytes are compared below).
    const auto layers = back->GetAllDataLayers();
    ASSERT_EQ(layers.size(), std::size(kTextureClasses) + 1);
    for (size_t i = 0; i < std::size(kTextureClasses); ++i) {
        auto texture = std::dynamic_pointer_cast<DataTypeTextureBase>(layers[i]);
        ASSERT_TRUE(texture);
        EXPECT_EQ(texture->GetTextureFormat(), kTextureClasses[i].format);
        EXPECT_EQ(texture->GetDataPtr() != nullptr, TextureFormatHasSize(texture->GetTextureFormat()));
    }
    SerializeToMemory again;
    again.pack_hyxheader();
    again.pack_atom(back);
    EXPECT_EQ(HyxTest::PackedBytes(again), HyxTest::PackedBytes(writer));
}
