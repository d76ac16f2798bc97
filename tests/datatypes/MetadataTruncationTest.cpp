// Every prefix of every metadata payload, at every version its class reads, loads into a
// fresh layer of exactly that size, and the text form, status properties and serialisation
// run on the result. AddressSanitizer turns any over-read into a failure.

#include <Hyx/DataLayerFactory.h>

#include "CapturedLog.h"
#include "LayerTestUtil.h"
#include "MetadataSamples.h"

#include <gtest/gtest.h>

using namespace Hyx;
using namespace HyxTest;

TEST(MetadataLayers, EveryTruncationLoadsWithinItsPayload)
{
    CapturedLog quiet;
    for (const auto& sample : MetadataSampleLayers()) {
        const Bytes payload = PayloadOf(*sample);
        std::vector<uint16_t> versions = {sample->GetVersion()};
        if (sample->TypeGuid() == DataTypeRecordingInfo::TheTypeGuid())
            versions.insert(versions.end(), {0, 1, 2});
        if (sample->TypeGuid() == DataTypePhotogrammetryInfo::TheTypeGuid())
            versions.insert(versions.end(), {1, 2});
        if (sample->TypeGuid() == DataTypeGroupInfo::TheTypeGuid())
            versions.push_back(0);
        for (uint16_t version : versions) {
            for (size_t n = 0; n <= payload.size(); ++n) {
                auto layer =
                    DataLayerFactory::CreateDataLayer(sample->TypeGuid(), VornCommon::Guid::Nil).ToStdSharedPtr();
                ASSERT_TRUE(layer);
                LoadExact(*layer, Bytes(payload.begin(), payload.begin() + long(n)), version);
                layer->ToString(true);
                layer->updateStatusProperties();
                PayloadOf(*layer);
            }
        }
    }
}
