#include <Hyx/DataTypePCMSample.h>

#include "LayerTestUtil.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace Hyx;
using HyxTest::Bytes;
using HyxTest::Loaded;
using HyxTest::PayloadBuilder;
using HyxTest::PayloadOf;

TEST(DataTypePCMSample, PayloadLayoutAndArgumentOrder)
{
    DataTypePCMSample layer;
    EXPECT_TRUE(PayloadOf(layer).empty());
    EXPECT_EQ(layer.GetPCMData(), nullptr);

    Bytes samples(3840);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = uint8_t(i * 7);
    layer.SetValues(2, 16, 48000, samples.data(), 3840, 96000);
    const Bytes payload = PayloadOf(layer);
    ASSERT_EQ(payload.size(), 3860u);
    EXPECT_EQ(Bytes(payload.begin(), payload.begin() + 20),
              PayloadBuilder().u32(2).u32(16).u32(48000).u32(96000).u32(3840).bytes);
    EXPECT_EQ(layer.GetPCMData(), layer.GetRawDataPtr()->data() + 20);
    EXPECT_EQ(Bytes(payload.begin() + 20, payload.end()), samples);

    layer.SetValues(1, 8, 8000, nullptr, 0, 0);
    EXPECT_EQ(PayloadOf(layer).size(), 20u);
    EXPECT_EQ(layer.GetPCMData(), nullptr);
    layer.updateStatusProperties();
    EXPECT_EQ(layer.getStatusPropertyValue("Samples per sec"), "8000");
}

TEST(DataTypePCMSample, AnnouncedSizesThatDoNotFit)
{
    const uint32_t sizes[] = {8, 0xFFFFFFFFu, 0xFFFFFFECu};
    for (uint32_t announced : sizes) {
        const Bytes payload = PayloadBuilder().u32(1).u32(8).u32(8000).u32(0).u32(announced).u32(0).bytes;
        auto layer = Loaded<DataTypePCMSample>(payload, 0);
        EXPECT_EQ(layer->GetPCMDataSize(), announced);
        EXPECT_EQ(layer->GetPCMData(), nullptr) << announced;
    }
    bool ok = true;
    Loaded<DataTypePCMSample>(Bytes(24), 1, &ok);
    EXPECT_FALSE(ok);
}

TEST(DataTypePCMSample, RefusesWrappingSizesAndMissingData)
{
    DataTypePCMSample layer;
    const uint8_t byte = 1;
    EXPECT_THROW(layer.SetValues(1, 8, 8000, &byte, 0xFFFFFFECu, 0), std::length_error);
    EXPECT_THROW(layer.SetValues(1, 8, 8000, nullptr, 4, 0), std::invalid_argument);
    EXPECT_TRUE(PayloadOf(layer).empty());
}

// Bytes of the layer's own payload as the source: the payload grows past its storage (a new
// buffer) and its header is rewritten, yet the copy must see the old bytes.
TEST(DataTypePCMSample, OwnPayloadAsSource)
{
    DataTypePCMSample layer;
    const uint8_t samples[4] = {1, 2, 3, 4};
    layer.SetValues(1, 8, 8000, samples, 4, 0);
    const Bytes old = PayloadOf(layer);
    layer.SetValues(2, 8, 8000, layer.GetRawDataPtr()->data(), 24, 0);
    EXPECT_EQ(Bytes(layer.GetPCMData(), layer.GetPCMData() + 24), old);
}
