#include <Hyx/AtomInfo.h>

namespace Hyx {

LayerInfo::LayerInfo(uint32_t offset_, uint32_t size_, uint16_t purposeIndex_, uint16_t typeIndex_,
                     uint16_t compressedTypeIndex_)
    : offset(offset_),
      size(size_),
      purposeIndex(purposeIndex_),
      typeIndex(typeIndex_),
      compressedTypeIndex(compressedTypeIndex_)
{
}

LayerInfo::~LayerInfo() = default;

AtomInfo::AtomInfo(uint32_t id_, uint64_t timestamp_, uint64_t payloadOffset_, uint32_t payloadSize_,
                   uint32_t segmentId_)
    : payloadOffset(payloadOffset_), payloadSize(payloadSize_), segmentId(segmentId_), id(id_), timestamp(timestamp_)
{
}

AtomInfo::~AtomInfo() = default;

} // namespace Hyx
