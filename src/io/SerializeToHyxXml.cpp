#include <Hyx/SerializeToHyx.h>

#include <Hyx/Atom.h>
#include <Hyx/AtomInfo.h>
#include <Hyx/DataBlock.h>
#include <Hyx/HyxLookupTable.h>
#include <Hyx/LoggerInstance.h>

#include <algorithm>
#include <limits>
#include <stdexcept>
#include <string>

namespace Hyx {

namespace {

// Layer texts come from the layers (host names, file names...): keep them from breaking the
// markup. Control characters XML cannot carry become '?'.
void appendEscaped(std::string& out, const std::string& text)
{
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        default: out += static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r' ? '?' : c;
        }
    }
}

void appendAttribute(std::string& out, const char* name, const std::string& value)
{
    out += ' ';
    out += name;
    out += "=\"";
    out += value;
    out += '"';
}

const char* atomTypeName(uint32_t type)
{
    switch (type) {
    case 0: return "Frame";
    case 1: return "LUT";
    default: return "Unknown";
    }
}

template <class T>
struct Range {
    T low = std::numeric_limits<T>::max();
    T high = 0;
    void add(T v)
    {
        low = std::min(low, v);
        high = std::max(high, v);
    }
    std::string text() const
    {
        if (low > high)
            return {}; // nothing was added
        return low == high ? std::to_string(low) : std::to_string(low) + "-" + std::to_string(high);
    }
};

} // namespace

SerializeToHyxXml::SerializeToHyxXml(const char* path, HYXFormatVersion version) : SerializeToFile(path, version, true)
{
    if (!IsReady())
        throw std::logic_error(describeOpenFailure(GetFilePath().c_str()) + ".");
    setCloseFailureLine("Failed to write to file '" + GetFilePath() + "'.");
    pack_string("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\" ?>\n<HYX VERSION=\"" +
                std::to_string(static_cast<uint32_t>(version)) + "\">\n");
    Flush();
}

SerializeToHyxXml::~SerializeToHyxXml()
{
    try {
        if (IsReady())
            CloseFile();
    } catch (...) {
        // A destructor reports, it does not throw; CloseFile has logged what failed.
    }
}

void SerializeToHyxXml::onCloseFile()
{
    // The end tag goes with the close, so that a closed dump is a whole one.
    if (IsReady() && !streamStopped())
        pack_string("</HYX>");
}

HyxErrorCode SerializeToHyxXml::pack_atom(std::shared_ptr<Atom> atom)
{
    // A closed dump is whole: nothing is appended after its end tag, nor kept for a later close.
    if (!IsReady() || streamStopped())
        return HyxErrorCode::FailedToWriteToFile;
    if (!atom)
        return HyxErrorCode::FailedToPackAtom;
    const uint32_t id = atom->GetId();
    std::string text = "  <ATOM";
    appendAttribute(text, "TYPE", atomTypeName(AtomId::GetAtomType(id)));
    appendAttribute(text, "STREAMID", std::to_string(AtomId::GetStreamId(id)));
    appendAttribute(text, "FRAME", std::to_string(AtomId::GetFrameNr(id)));
    appendAttribute(text, "TS", std::to_string(atom->GetTimeStamp()));
    text += ">\n";
    for (const auto& block : atom->GetAllDataBlocks()) {
        text += "    <DATA";
        appendAttribute(text, "TYPE", block ? block->GetDataTypeName() : "Unknown");
        text += '>';
        if (block)
            appendEscaped(text, block->ToString(true));
        text += "</DATA>\n";
    }
    text += "  </ATOM>\n";
    pack_string(text);
    return Flush() ? HyxErrorCode::Success : HyxErrorCode::FailedToWriteToFile;
}

void SerializeToHyxXml::pack_lookuptable(const HyxLookupTable& table)
{
    if (!IsReady() || streamStopped())
        return;
    Range<uint32_t> streams, frames;
    Range<uint64_t> timestamps;
    for (const auto& stream : table.GetStreams()) {
        streams.add(stream->streamId);
        for (const auto& atom : stream->atoms) {
            frames.add(atom->GetFrame());
            timestamps.add(atom->GetTimeStamp());
        }
    }
    std::string text = "  <ATOM";
    appendAttribute(text, "TYPE", "LookupTable");
    appendAttribute(text, "STREAMID", streams.text());
    appendAttribute(text, "FRAME", frames.text());
    appendAttribute(text, "TS", timestamps.text());
    text += ">\n  </ATOM>\n";
    pack_string(text);
    Flush();
}

} // namespace Hyx
