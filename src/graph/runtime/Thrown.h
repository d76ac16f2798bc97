#pragma once

// What the graph runtime says about an exception that filter or host code threw.

#include <string>

namespace Hyx {

/// Inside a handler: "<who> threw: <what()>", or "<who> threw an exception of unknown type"
/// for anything that is no std::exception.
std::string DescribeThrownBy(const std::string& who);

/// DescribeThrownBy with "Filter '<filter>'" as who, where `filter` is the nice class name of
/// the filter the exception came from; empty stands for "a graph listener".
std::string DescribeThrown(const std::string& filter);

} // namespace Hyx
