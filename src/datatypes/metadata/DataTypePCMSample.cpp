#include <Hyx/DataTypePCMSample.h>

#include <Hyx/DataReader.h>
#include <Hyx/StatusProperty.h>

#include "datatypes/textures/PayloadAlias.h"
#include "impl/core/BuiltInRegistration.h"

#include <stdexcept>
#include <vector>

namespace Hyx {

HYX_BUILTIN_DATA_LAYER(DataTypePCMSample);

DataTypePCMSample::DataTypePCMSample() : DataLayer(CLASS_VERSION)
{
}

DataTypePCMSample::~DataTypePCMSample() = default;

void DataTypePCMSample::SetValues(uint32_t numChannels, uint32_t bitsPerSample, uint32_t samplesPerSec,
                                  const uint8_t* data, uint32_t dataSize, uint32_t dataOffset)
{
    if (data == nullptr && dataSize != 0)
        throw std::invalid_argument("DataTypePCMSample: no sample data for a non-zero size.");
    if (dataSize > UINT32_MAX - HEADER_SIZE)
        throw std::length_error("DataTypePCMSample: sample data too large.");
    std::vector<uint8_t> aside;
    const uint8_t* samples =
        PayloadAlias::Stabilize(_payload.get(), data, dataSize, HEADER_SIZE, uint64_t(HEADER_SIZE) + dataSize, aside);

    DataWriter writer = preparePayload(HEADER_SIZE + dataSize);
    writer.write(numChannels);
    writer.write(bitsPerSample);
    writer.write(samplesPerSec);
    writer.write(dataOffset);
    writer.write(dataSize);
    writer.write(samples, dataSize);
    initialize();
}

bool DataTypePCMSample::deserializeAndMigrate(uint8_t* data, uint32_t size)
{
    if (_payloadVersion != CLASS_VERSION)
        return false;
    DataReader reader(data, size);
    _numChannels = reader.read_uint32();
    _bitsPerSample = reader.read_uint32();
    _samplesPerSec = reader.read_uint32();
    _dataOffset = reader.read_uint32();
    _dataSize = reader.read_uint32();
    // Computed in 64 bits: a size near 2^32 must not wrap into "fits".
    const bool fits = _dataSize != 0 && uint64_t(HEADER_SIZE) + _dataSize <= size;
    _data = fits ? data + HEADER_SIZE : nullptr;
    return true;
}

void DataTypePCMSample::onUpdateStatusProperties()
{
    addStatusProperty(std::make_shared<StatusPropertyInt>("Num channels", int(_numChannels)));
    addStatusProperty(std::make_shared<StatusPropertyInt>("Bits per sample", int(_bitsPerSample)));
    addStatusProperty(std::make_shared<StatusPropertyInt>("Samples per sec", int(_samplesPerSec)));
    addStatusProperty(std::make_shared<StatusPropertyInt>("Data offset", int(_dataOffset)));
    addStatusProperty(std::make_shared<StatusPropertyInt>("Data size", int(_dataSize)));
}

} // namespace Hyx
