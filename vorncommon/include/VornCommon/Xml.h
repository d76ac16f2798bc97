#pragma once

// Access to tinyxml2 for the library's XML files. Documents are made with entity processing
// on and whitespace preserved, and saved with the indented printer, so that every XML file
// the library reads or writes behaves alike. The printer writes tab, LF and CR inside texts
// and attribute values as character references, so that every value reads back unchanged.

#include <VornCommon/Export.h>

#include <string>

#include <tinyxml2.h>

namespace VornCommon {

/// An empty document with entity processing on and whitespace preserved. The document is
/// neither copyable nor movable; bind the result directly: `auto doc = MakeXmlDocument();`.
VORN_API tinyxml2::XMLDocument MakeXmlDocument();

/// Saves doc to path with the indented printer; true when the file was written.
VORN_API bool SaveXmlDocument(tinyxml2::XMLDocument& doc, const std::string& path);

} // namespace VornCommon
