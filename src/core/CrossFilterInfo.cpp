#include <Hyx/CrossFilterInfo.h>

namespace Hyx {

CrossFilterInfo::~CrossFilterInfo() = default;

} // namespace Hyx
