#include "graph/runtime/Thrown.h"

#include "core/LogLevelEnabled.h"

#include <Hyx/Filter.h>

#include <exception>

namespace Hyx {

std::string NiceName(const Filter& filter)
{
    return filter.GetFilterClassInfo().GetNiceClassName().StdString();
}

void LogQuietly(VornCommon::LogLevel level, const std::string& line) noexcept
{
    LogLine(level, "%s", line.c_str());
}

std::string DescribeThrownBy(const std::string& who)
{
    try {
        throw;
    } catch (const std::exception& e) {
        return who + " threw: " + e.what();
    } catch (...) {
        return who + " threw an exception of unknown type";
    }
}

std::string DescribeThrown(const std::string& filter)
{
    return DescribeThrownBy(filter.empty() ? std::string("a graph listener") : "Filter '" + filter + "'");
}

} // namespace Hyx
