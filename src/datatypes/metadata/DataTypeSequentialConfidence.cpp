#include <Hyx/DataTypeCaptureMetadata.h>

#include <Hyx/DataReader.h>
#include <Hyx/StatusProperty.h>

#include "datatypes/LayerText.h"
#include "impl/core/BuiltInRegistration.h"

namespace Hyx {

HYX_BUILTIN_DATA_LAYER(DataTypeSequentialConfidence);

DataTypeSequentialConfidence::DataTypeSequentialConfidence() : DataLayer(CLASS_VERSION)
{
    SetConfidenceLevel(0.0f);
}

DataTypeSequentialConfidence::~DataTypeSequentialConfidence() = default;

void DataTypeSequentialConfidence::SetConfidenceLevel(float confidence)
{
    _confidence = confidence;
    preparePayload(4).write(confidence);
    initialize();
}

bool DataTypeSequentialConfidence::deserializeAndMigrate(uint8_t* data, uint32_t size)
{
    if (_payloadVersion != CLASS_VERSION)
        return false;
    _confidence = DataReader(data, size).read_float();
    return true;
}

std::string DataTypeSequentialConfidence::ToString(bool friendly) const
{
    std::ostringstream text = LayerText::ClassicStream();
    text << DataLayer::ToString(friendly) << ", ConfidenceLevel=" << _confidence;
    return text.str();
}

void DataTypeSequentialConfidence::onUpdateStatusProperties()
{
    addStatusProperty(std::make_shared<StatusPropertyFloat>("Confidence Level", _confidence));
}

} // namespace Hyx
