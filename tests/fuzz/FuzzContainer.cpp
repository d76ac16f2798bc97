// Fuzz entry for the container reader over a file image in memory, and for the lookup-table
// parser on its own. Whatever the bytes, nothing may be read outside them, nothing may loop
// forever, and an atom handed out must be the one its index entry names. The documented
// logic errors (unknown atom type, frames out of order, unknown block kind) are expected.
// The thumbnail of each stream's first frame is made too: it never throws.

#include <Hyx/Atom.h>
#include <Hyx/AtomInfo.h>
#include <Hyx/HYX2Reader.h>
#include <Hyx/HyxLookupTable.h>
#include <Hyx/ThumbnailHelper.h>

#include "StreamTestLayers.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace {

[[noreturn]] void finding(const char* what)
{
    std::fputs(what, stderr);
    std::fputc('\n', stderr);
    std::abort();
}

class Reader : public Hyx::HYX2Reader {
public:
    using HYX2Reader::HYX2Reader;
    const std::shared_ptr<Hyx::HyxLookupTable>& Table() const { return _table; }
};

void readContainer(const uint8_t* data, size_t size)
{
    Reader reader(data, static_cast<uint32_t>(size));
    try {
        if (reader.Initialize() != Hyx::HyxErrorCode::Success)
            return;
        for (int s = 0; s < reader.GetNumStreams(); ++s) {
            const uint16_t stream = reader.GetStreamId(s);
            const uint32_t frames = std::min(reader.GetNumFrames(stream), 64u);
            for (uint32_t f = 0; f < frames; ++f) {
                const auto entry = reader.Table()->GetAtomInfo(stream, f);
                const auto atom = reader.GetFrameAtom(stream, f);
                if (atom && (atom->GetId() != entry->id || atom->GetTimeStamp() != entry->timestamp))
                    finding("an atom other than its entry names was returned");
                for (const auto& layer : entry->layers)
                    reader.ReadDataLayer(entry->payloadOffset, layer);
                if (f == 0 && atom)
                    Hyx::ThumbnailHelper::getThumbnail({atom}, false, false);
            }
        }
    } catch (const std::logic_error&) {
    } catch (const std::runtime_error&) {
    }
}

// A record that parses writes a record that parses again, and that one is a fixed point.
void parseTable(const uint8_t* data, size_t size)
{
    const auto table = Hyx::HyxLookupTable::Deserialize(data, static_cast<uint32_t>(size));
    if (!table)
        return;
    uint32_t n = 0;
    const uint8_t* bytes = table->Serialize(n);
    const std::vector<uint8_t> first(bytes, bytes + n);
    const auto again = Hyx::HyxLookupTable::Deserialize(first.data(), n);
    if (!again)
        finding("a written table did not parse");
    bytes = again->Serialize(n);
    if (std::vector<uint8_t>(bytes, bytes + n) != first)
        finding("writing a parsed table twice gave different bytes");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    HyxTest::RegisterStreamTestLayers();
    if (size > 0xFFFFFFFFu)
        return 0;
    readContainer(data, size);
    parseTable(data, size);
    return 0;
}
