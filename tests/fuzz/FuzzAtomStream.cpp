// Fuzz entry for the atom stream readers. Whatever the bytes, the readers must not read out
// of bounds, loop forever or hand back an atom that the writer cannot write and read again.
// The documented exceptions (unsupported format version, unknown block kind) are expected.

#include <Hyx/Atom.h>
#include <Hyx/DataTypeCompressedBlob.h>
#include <Hyx/DataTypeTextureBase.h>
#include <Hyx/DeserializeFromMemory.h>
#include <Hyx/SerializeToMemory.h>

#include "StreamTestLayers.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

[[noreturn]] void finding(const char* what)
{
    std::fputs(what, stderr);
    std::fputc('\n', stderr);
    std::abort();
}

std::vector<uint8_t> packOne(const std::shared_ptr<Hyx::Atom>& atom)
{
    Hyx::SerializeToMemory writer;
    if (writer.pack_atom(atom) != Hyx::HyxErrorCode::Success)
        finding("an atom read from the stream could not be written again");
    const uint8_t* data = writer.GetPackedDataPtr();
    return std::vector<uint8_t>(data, data + writer.GetPackedDataSize());
}

// Written atoms must read back, and writing them again must give the same bytes.
void checkRoundTrip(const std::shared_ptr<Hyx::Atom>& atom)
{
    const std::vector<uint8_t> first = packOne(atom);
    std::vector<uint8_t> copy = first;
    Hyx::DeserializeFromMemory reader;
    reader.setPackedDataWithoutResponsibilityToDelete(copy.data(), static_cast<uint32_t>(copy.size()));
    const auto again = reader.unpack_atom();
    if (!again || reader.GetRemainingDataSize() != 0)
        finding("a written atom did not read back");
    if (again->GetAllDataBlocks().size() != atom->GetAllDataBlocks().size())
        finding("a written atom read back with another block count");
    if (packOne(again) != first)
        finding("writing a read atom twice gave different bytes");
}

// What a host shows of a layer read from the stream: its text, status and preview, and for
// textures a few pixels. None of it may read outside the layer's payload.
void showLayers(const std::shared_ptr<Hyx::Atom>& atom)
{
    for (const auto& layer : atom->GetAllDataLayers()) {
        layer->ToString(false);
        layer->updateStatusProperties();
        int width = 0, height = 0;
        if (layer->CanRenderTo2dRgbaBuffer(width, height) && width > 0 && height > 0) {
            std::vector<uint8_t> rgba(size_t(width) * size_t(height) * 4);
            layer->RenderTo2dRgbaBuffer(rgba.data());
        }
        if (auto texture = std::dynamic_pointer_cast<Hyx::DataTypeTextureBase>(layer)) {
            const int w = texture->GetWidth(), h = texture->GetHeight();
            for (const auto& [x, y] : {std::pair{0, 0}, std::pair{w - 1, h - 1}, std::pair{w / 2, h / 2}}) {
                texture->GetPixelAsRGB24BitValue(x, y);
                texture->GetPixelAsRGB30BitValue(x, y);
                texture->GetPixelAsYUV24BitValue(x, y);
            }
        }
        // Decoding must refuse damaged data with an exception, never read past it.
        if (auto compressed = std::dynamic_pointer_cast<Hyx::DataTypeCompressedBlob>(layer)) {
            try {
                if (auto plain = compressed->decompress())
                    plain->ToString(false);
            } catch (const std::exception&) {
            }
        }
    }
}

void readAtoms(const uint8_t* data, size_t size, bool withHeader)
{
    Hyx::DeserializeFromMemory reader;
    reader.setPackedDataWithoutResponsibilityToDelete(const_cast<uint8_t*>(data), static_cast<uint32_t>(size));
    try {
        if (withHeader && !reader.unpack_hyxheader())
            return;
        while (reader.GetRemainingDataSize() > 0) {
            const uint32_t before = reader.GetReaderPos();
            const auto atom = reader.unpack_atom();
            if (reader.GetReaderPos() <= before)
                finding("unpack_atom did not advance");
            if (atom) {
                showLayers(atom);
                checkRoundTrip(atom);
            }
        }
    } catch (const std::runtime_error&) {
    } catch (const std::logic_error&) {
    }
}

// Drives the primitives with the input itself: each byte picks the next read.
void readPrimitives(const uint8_t* data, size_t size)
{
    Hyx::DeserializeFromMemory reader;
    reader.setPackedDataWithoutResponsibilityToDelete(const_cast<uint8_t*>(data), static_cast<uint32_t>(size));
    std::vector<float> floats;
    std::vector<unsigned char> bytes;
    std::string text;
    VornCommon::Guid guid;
    unsigned char raw[64];
    for (int step = 0; step < 256 && reader.GetRemainingDataSize() > 0; ++step) {
        const unsigned op = reader.unpack_uint8();
        unsigned int n = 0;
        switch (op % 20) {
        case 0: reader.unpack_bool(); break;
        case 1: reader.unpack_int16(); break;
        case 2: reader.unpack_uint32(); break;
        case 3: reader.unpack_double(); break;
        case 4: reader.unpack_float4(&floats); break;
        case 5: reader.unpack_guid(guid); break;
        case 6: reader.unpack_guid(raw); break;
        case 7: reader.unpack_array(n); break;
        case 8: reader.unpack_array(&bytes); break;
        case 9: reader.unpack_array(&bytes, op); break;
        case 10: reader.unpack_array(raw, op % sizeof raw); break;
        case 11: reader.unpack_uint16array(reinterpret_cast<unsigned short*>(raw), op % 32); break;
        case 12: reader.unpack_floatarray(reinterpret_cast<float*>(raw), op % 16); break;
        case 13: reader.unpack_uint32_tarray(reinterpret_cast<unsigned int*>(raw), op % 16); break;
        case 14: reader.unpack_string(&text, op); break;
        case 15: reader.unpack_shortstring(&text); break;
        case 16: reader.unpack_normalstring(&text); break;
        case 17: reader.unpack_longstring(&text); break;
        case 18: reader.SeekForwards(op); break;
        default: reader.unpack_blobData(op * 3); break;
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    HyxTest::RegisterStreamTestLayers();
    if (size > 0xFFFFFFFFu)
        return 0;
    readAtoms(data, size, true);
    readAtoms(data, size, false);
    readPrimitives(data, size);
    return 0;
}
