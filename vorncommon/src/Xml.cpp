#include <VornCommon/FileHelper.h>
#include <VornCommon/Xml.h>

#include <cstring>

namespace VornCommon {

namespace {

// The character reference for a character that a reader would not give back as written:
// readers turn CR (and CR LF) into LF, and conforming ones turn tab and LF in attribute
// values into spaces. Null for every other character.
const char* referenceFor(char c)
{
    switch (c) {
    case '\t': return "&#x9;";
    case '\n': return "&#xA;";
    case '\r': return "&#xD;";
    default: return nullptr;
    }
}

// The indented printer, writing tab, LF and CR of texts and attribute values as character
// references. The base printer hands those values to Write between its own entities and
// breaks its lines through Putc, so only the values pass through here.
class ReferencingPrinter final : public tinyxml2::XMLPrinter {
public:
    ReferencingPrinter() : XMLPrinter(nullptr, false) {}

protected:
    using XMLPrinter::Write;
    void Write(const char* data, size_t size) override
    {
        const char* run = data;
        const char* const end = data + size;
        for (const char* p = data; p != end; ++p) {
            const char* reference = referenceFor(*p);
            if (reference == nullptr)
                continue;
            XMLPrinter::Write(run, static_cast<size_t>(p - run));
            XMLPrinter::Write(reference, std::strlen(reference));
            run = p + 1;
        }
        XMLPrinter::Write(run, static_cast<size_t>(end - run));
    }
};

} // namespace

tinyxml2::XMLDocument MakeXmlDocument()
{
    return tinyxml2::XMLDocument(true, tinyxml2::PRESERVE_WHITESPACE);
}

bool SaveXmlDocument(tinyxml2::XMLDocument& doc, const std::string& path)
{
    // tinyxml2's own file output ignores failed writes (a full disk still reports success),
    // so print to memory and write the bytes with checked calls, the close included.
    ReferencingPrinter printer;
    doc.Print(&printer);
    const uint64_t size = static_cast<uint64_t>(printer.CStrSize() - 1); // without the closing zero
    return FileHelper::WriteFile(path, reinterpret_cast<const uint8_t*>(printer.CStr()), size);
}

} // namespace VornCommon
