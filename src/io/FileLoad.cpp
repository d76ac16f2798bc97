#include "io/FileLoad.h"

#include <Hyx/DeserializeFromMemory.h>

#include <VornCommon/FileHelper.h>

namespace Hyx {

HyxErrorCode LoadFromFile(DeserializeFromMemory& reader, int file, uint64_t fileSize, uint64_t position, uint32_t n,
                          FileRead how)
{
    if (file == -1 || position > fileSize || n > fileSize - position) {
        reader.allocateSizeForPackedData(0);
        return HyxErrorCode::FailedToReadFromFile;
    }
    uint8_t* data = reader.allocateSizeForPackedData(n);
    const int64_t got = n == 0                        ? 0
                        : how == FileRead::Positioned ? VornCommon::FileHelper::ReadAt(file, data, n, position)
                                                      : VornCommon::FileHelper::Read(file, data, n);
    if (got != static_cast<int64_t>(n)) {
        reader.allocateSizeForPackedData(0);
        return HyxErrorCode::FailedToReadFromFile;
    }
    return HyxErrorCode::Success;
}

} // namespace Hyx
