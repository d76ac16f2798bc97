#include <Hyx/DataTypePCMSample.h>

#include "LayerTestUtil.h"

#include <gtest/gtest.h>

using namespace Hyx;
using namespace HyxTest;

TEST(DataTypePCMSample, PayloadLayoutAndArgumentOrder)
{
    DataTypePCMSample layer;
    EXPECT_TRUE(PayloadOf(layer).empty());
    Bytes samples(3840);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = uint8_t(i * 7);
    layer.SetValues(2, 16, 48000, samples.data(), 3840, 96000);
    EXPECT_EQ(PayloadOf(layer), PayloadBuilder().u32(2).u32(16).u32(48000).u32(96000).u32(3840).raw(samples).bytes);
    EXPECT_EQ(layer.GetPCMData(), layer.GetRawDataPtr()->data() + 20);
    layer.SetValues(1, 8, 8000, nullptr, 0, 0);
    EXPECT_EQ((std::tuple{PayloadOf(layer).size(), layer.GetPCMData()}), std::tuple(20u, nullptr));
}

TEST(DataTypePCMSample, SizesThatDoNotFit)
{
    for (uint32_t announced : {8u, 0xFFFFFFFFu, 0xFFFFFFECu}) {
        auto layer =
            Loaded<DataTypePCMSample>(PayloadBuilder().u32(1).u32(8).u32(8).u32(0).u32(announced).u32(0).bytes, 0);
        EXPECT_EQ(layer->GetPCMDataSize(), announced);
        EXPECT_EQ(layer->GetPCMData(), nullptr) << announced;
    }
    DataTypePCMSample layer;
    const uint8_t byte = 1;
    EXPECT_THROW(layer.SetValues(1, 8, 8000, &byte, 0xFFFFFFECu, 0), std::length_error);
    EXPECT_THROW(layer.SetValues(1, 8, 8000, nullptr, 4, 0), std::invalid_argument);
    EXPECT_EQ((std::tuple{PayloadOf(layer).empty(), bool(LoadExact(layer, Bytes(24), 1))}), std::tuple(true, false));
}

// The layer's own payload as the source: it grows past its storage and its header is
// rewritten, yet the copy sees the old bytes.
TEST(DataTypePCMSample, OwnPayloadAsSource)
{
    DataTypePCMSample layer;
    const uint8_t samples[4] = {1, 2, 3, 4};
    layer.SetValues(1, 8, 8000, samples, 4, 0);
    const Bytes old = PayloadOf(layer);
    layer.SetValues(2, 8, 8000, layer.GetRawDataPtr()->data(), 24, 0);
    EXPECT_EQ(Bytes(layer.GetPCMData(), layer.GetPCMData() + 24), old);
}
