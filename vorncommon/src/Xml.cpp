#include <VornCommon/FileHelper.h>
#include <VornCommon/Xml.h>

namespace VornCommon {

tinyxml2::XMLDocument MakeXmlDocument()
{
    return tinyxml2::XMLDocument(true, tinyxml2::PRESERVE_WHITESPACE);
}

bool SaveXmlDocument(tinyxml2::XMLDocument& doc, const std::string& path)
{
    // tinyxml2's own file output ignores failed writes (a full disk still reports success),
    // so print to memory and write the bytes with checked calls.
    tinyxml2::XMLPrinter printer(nullptr, false);
    doc.Print(&printer);
    const uint64_t size = static_cast<uint64_t>(printer.CStrSize() - 1); // without the closing zero
    int handle = FileHelper::OpenFileForWriting(path);
    if (handle < 0)
        return false;
    const bool written =
        FileHelper::Write(handle, reinterpret_cast<const uint8_t*>(printer.CStr()), size) == static_cast<int64_t>(size);
    FileHelper::CloseFile(handle);
    return written;
}

} // namespace VornCommon
