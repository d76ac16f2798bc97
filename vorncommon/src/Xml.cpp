#include <VornCommon/Xml.h>

namespace VornCommon {

tinyxml2::XMLDocument MakeXmlDocument()
{
    return tinyxml2::XMLDocument(true, tinyxml2::PRESERVE_WHITESPACE);
}

bool SaveXmlDocument(tinyxml2::XMLDocument& doc, const std::string& path)
{
    return doc.SaveFile(path.c_str(), false) == tinyxml2::XML_SUCCESS;
}

} // namespace VornCommon
