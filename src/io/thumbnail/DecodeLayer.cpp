#include "io/thumbnail/DecodeLayer.h"

#include <Hyx/DataTypeCompressedBlob.h>

#include "core/LogLevelEnabled.h"

#include <exception>

namespace Hyx {

std::shared_ptr<DataLayer> DecodeLayer(const std::shared_ptr<DataLayer>& layer)
{
    if (!layer)
        return {};
    const auto compressed = std::dynamic_pointer_cast<DataTypeCompressedBlob>(layer);
    const std::string name = layer->GetDataLayerClassInfo().GetClassName().CStr();
    std::string reason = "not a compressed layer";
    if (compressed) {
        try {
            if (std::shared_ptr<DataLayer> plain = compressed->decompress())
                return plain;
            reason = "no layer came out";
        } catch (const std::exception& e) {
            reason = e.what();
        }
    }
    LogLine(VornCommon::LogLevel::Error, "Cannot decode %s: %s", name.c_str(), reason.c_str());
    return {};
}

} // namespace Hyx
