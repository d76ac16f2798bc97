#pragma once

// What the graph runtime says about an exception that filter or host code threw, and how it
// logs where nothing may leave (destructors, the worker, a report beside a first failure).

#include <VornCommon/Logger.h>

#include <string>

namespace Hyx {

class Filter;

/// The filter's nice class name, as the texts name it.
std::string NiceName(const Filter& filter);

/// LogLine of a whole line: a logger that throws is ignored.
void LogQuietly(VornCommon::LogLevel level, const std::string& line) noexcept;

/// Inside a handler: "<who> threw: <what()>", or "<who> threw an exception of unknown type"
/// for anything that is no std::exception.
std::string DescribeThrownBy(const std::string& who);

/// DescribeThrownBy with "Filter '<filter>'" as who, where `filter` is the nice class name of
/// the filter the exception came from; empty stands for "a graph listener".
std::string DescribeThrown(const std::string& filter);

} // namespace Hyx
