#include <Hyx/Atom.h>

#include "GeometrySamples.h"
#include "GeometryTestUtil.h"
#include "StreamTestUtil.h"

#include <gtest/gtest.h>

using GeometryTest::PayloadOf;

TEST(GeometryLayers, RoundTripThroughTheAtomStream)
{
    const auto layers = HyxTest::FilledGeometryLayers();
    auto atom = std::make_shared<Hyx::Atom>(0u, 0u);
    for (const auto& layer : layers)
        atom->AddDataLayer(layer, false);
    Hyx::SerializeToMemory writer;
    ASSERT_EQ(writer.pack_atom(atom), Hyx::HyxErrorCode::Success);
    HyxTest::ExactReader reader(HyxTest::PackedBytes(writer));
    const auto again = reader->unpack_atom();
    ASSERT_TRUE(again);
    const auto read = again->GetAllDataLayers();
    ASSERT_EQ(read.size(), layers.size());
    for (size_t i = 0; i < read.size(); ++i) {
        EXPECT_EQ(typeid(*read[i]), typeid(*layers[i]));
        EXPECT_EQ(PayloadOf(*read[i]), PayloadOf(*layers[i])) << layers[i]->ToString(true);
        EXPECT_EQ(read[i]->ToString(false), layers[i]->ToString(false));
    }
}
