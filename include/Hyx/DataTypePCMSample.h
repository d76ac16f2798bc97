#pragma once

// Layer that carries one chunk of uncompressed PCM audio of a frame.
//
// Payload version 0 (20 + n bytes): u32 channels @0, u32 bits per sample @4, u32 samples per
// second @8, u32 data offset @12, u32 data size n @16, the n sample bytes @20. The data
// offset is a value carried with the chunk; the samples always start at byte 20.
//
// Contract:
// - A new layer has an empty payload, all numbers 0 and no samples.
// - The samples are used in place: GetPCMData points into the payload and stays valid until
//   the payload changes. It is null when the size is 0 or the samples do not fit.
// - A short payload reads its missing numbers as 0; versions other than 0 are refused.
// - Used by one thread at a time (see DataLayer).

#include <Hyx/DataLayer.h>
#include <Hyx/Export.h>

#include <VornCommon/Guid.h>

#include <cstdint>

namespace Hyx {

/// One chunk of PCM audio.
class HYX_API DataTypePCMSample : public DataLayer {
public:
    static constexpr uint16_t CLASS_VERSION = 0;
    /// Bytes before the samples.
    static constexpr uint32_t HEADER_SIZE = 20;

    /// Empty payload, no samples.
    DataTypePCMSample();
    ~DataTypePCMSample() override;

    /// 3D3C5976-4331-4BB9-8A53-7B6A7543A124.
    static VornCommon::Guid TheTypeGuid();
    /// "DataTypePCMSample" / "PCMSample".
    static DataLayerClassInfo TheDataLayerClassInfo();
    VornCommon::Guid TypeGuid() const override;
    DataLayerClassInfo GetDataLayerClassInfo() const override;

    /// Writes the payload with dataSize bytes copied from data (which may be this layer's
    /// own samples). Note the order: size before offset here, offset first in the payload.
    /// Throws std::invalid_argument for null data with a size, std::length_error for a
    /// size that does not fit a 32-bit payload with its header.
    void SetValues(uint32_t numChannels, uint32_t bitsPerSample, uint32_t samplesPerSec, const uint8_t* data,
                   uint32_t dataSize, uint32_t dataOffset);

    uint32_t GetNumChannels() const { return _numChannels; }
    uint32_t GetBitsPerSample() const { return _bitsPerSample; }
    uint32_t GetNumSamplesPerSec() const { return _samplesPerSec; }
    uint32_t GetPCMDataOffset() const { return _dataOffset; }
    /// The announced size, also when the samples did not fit.
    uint32_t GetPCMDataSize() const { return _dataSize; }
    /// The samples inside the payload, or null.
    uint8_t* GetPCMData() const { return _data; }

protected:
    void onUpdateStatusProperties() override;
    bool deserializeAndMigrate(uint8_t* data, uint32_t size) override;

private:
    uint32_t _numChannels = 0;
    uint32_t _bitsPerSample = 0;
    uint32_t _samplesPerSec = 0;
    uint32_t _dataOffset = 0;
    uint32_t _dataSize = 0;
    uint8_t* _data = nullptr;
};

/// A new DataTypePCMSample that the caller owns.
HYX_API DataLayer* DataTypePCMSampleDataLayerCreator();

} // namespace Hyx
