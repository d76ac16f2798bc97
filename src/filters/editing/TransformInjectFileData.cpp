#include "graph/mutates/MutateSupport.h"
#include "impl/core/BuiltInRegistration.h"

#include <Hyx/FilterParamPath.h>
#include <Hyx/LoggerInstance.h>
#include <Hyx/TransformInjectData.h>

#include <exception>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <system_error>

namespace Hyx {

HYX_BUILTIN_FILTER(TransformInjectFileData);

TransformInjectFileData::TransformInjectFileData() = default;

TransformInjectFileData::~TransformInjectFileData() = default;

HyxErrorCode TransformInjectFileData::onInitializeParams(Filter* upstream)
{
    const HyxErrorCode result = TransformInjectData::onInitializeParams(upstream);
    if (result != HyxErrorCode::Success)
        return result;
    MutateSupport::CreateOnce(_filePathParam, FILE_PATH_PARAMNAME, 0u, "", "");
    addParam(_filePathParam, true);
    return HyxErrorCode::Success;
}

void TransformInjectFileData::load(const std::string& path)
{
    // Remembered before the attempt: a file that fails is tried again only after the path
    // changes.
    _loadedPath = path;
    _loadedBytes.reset();
    // Only a plain file: a folder "opens" too, with a meaningless size.
    std::error_code error;
    std::ifstream file;
    if (std::filesystem::is_regular_file(path, error))
        file.open(path, std::ios::binary | std::ios::ate);
    if (!file.is_open()) {
        LogMessage(VornCommon::LogLevel::Error, "Failed to open a file for reading");
        return;
    }
    try {
        const std::streamoff size = file.tellg();
        if (size < 0 || !file.seekg(0))
            throw std::runtime_error("no size");
        auto bytes = std::make_shared<VornCommon::ByteArray>(static_cast<uint64_t>(size));
        file.read(reinterpret_cast<char*>(bytes->Data()), size);
        if (file.gcount() != size)
            throw std::runtime_error("short read");
        _loadedBytes = std::move(bytes);
    } catch (const std::exception& e) {
        LogMessage(VornCommon::LogLevel::Error, "Failed to read the whole file for injection (%s)", e.what());
    }
}

HyxErrorCode TransformInjectFileData::onProcessFrame(std::shared_ptr<Atom> atom)
{
    const std::string path = _filePathParam ? _filePathParam->GetAbsoluteFilePath() : std::string();
    if (path != _loadedPath)
        load(path);
    if (!_loadedBytes)
        return ReportError(HyxErrorCode::FilterError, "No data for injection available");
    return TransformInjectData::onProcessFrame(std::move(atom));
}

void TransformInjectFileData::onFillData(VornCommon::ByteArray& bytes)
{
    bytes.Append(*_loadedBytes);
}

} // namespace Hyx
