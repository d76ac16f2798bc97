#include "io/FileLoad.h"

#include <Hyx/DeserializeFromMemory.h>

#include <VornCommon/FileHelper.h>

namespace Hyx {

HyxErrorCode LoadFromFile(DeserializeFromMemory& reader, int file, uint64_t fileSize, uint64_t position, uint32_t n)
{
    if (file == -1 || position > fileSize || n > fileSize - position) {
        reader.allocateSizeForPackedData(0);
        return HyxErrorCode::FailedToReadFromFile;
    }
    uint8_t* data = reader.allocateSizeForPackedData(n);
    if (n != 0 && VornCommon::FileHelper::Read(file, data, n) != static_cast<int64_t>(n)) {
        reader.allocateSizeForPackedData(0);
        return HyxErrorCode::FailedToReadFromFile;
    }
    return HyxErrorCode::Success;
}

} // namespace Hyx
