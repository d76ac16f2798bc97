// Writes the seed corpus of the atom stream fuzz target: valid streams made by the writer,
// holding every registered layer class in its default state, every texture class with
// pixels, the metadata layers with content and nested in atom layers, the test classes, and
// layers of unknown types. Usage: hyx_fuzz_seeds <output folder>

#include <Hyx/Atom.h>
#include <Hyx/CompressedLayers.h>
#include <Hyx/DataLayerFactory.h>
#include <Hyx/DataLayerPlaceholder.h>
#include <Hyx/DataTypeColorPalette.h>
#include <Hyx/DataTypeSegmentInfo.h>
#include <Hyx/DataTypeTextureBase.h>
#include <Hyx/DataTypeTextureIR.h>
#include <Hyx/SerializeToMemory.h>

#include "GeometrySamples.h"
#include "MetadataSamples.h"
#include "SeedFolder.h"
#include "StreamTestLayers.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using HyxTest::StreamTestPurpose;

std::shared_ptr<Hyx::DataLayer> withPayload(std::shared_ptr<Hyx::DataLayer> layer, std::vector<uint8_t> bytes)
{
    HyxTest::SetPayload(*layer, bytes);
    return layer;
}

std::shared_ptr<Hyx::Atom> testAtom(uint32_t stream, uint32_t frame)
{
    auto atom = std::make_shared<Hyx::Atom>(Hyx::AtomId::Create(0, stream, frame), 1000ull * frame);
    auto plain = std::make_shared<HyxTest::StreamTestPlainLayer>();
    plain->InitializeHeader(StreamTestPurpose());
    atom->AddDataLayer(withPayload(plain, {1, 2, 3, 4, 5, 6, 7, 8}), false);

    auto compressed = std::make_shared<HyxTest::StreamTestCompressedLayer>();
    compressed->InitializeHeader(StreamTestPurpose());
    compressed->InitializeCompressionInfo(HyxTest::StreamTestPlainType(), 1, 2);
    atom->AddDataLayer(withPayload(compressed, {9, 9, 9}), false);

    auto unknown = std::make_shared<Hyx::DataLayerPlaceholder>(HyxTest::StreamTestUnknownType());
    unknown->InitializeHeader(StreamTestPurpose(), 3);
    atom->AddDataLayer(withPayload(unknown, {0x10, 0x20}), false);

    auto unknownCompressed =
        std::make_shared<Hyx::DataLayerCompressedPlaceholder>(HyxTest::StreamTestUnknownCompressedType());
    unknownCompressed->InitializeCompressionInfo(HyxTest::StreamTestUnknownType(), 3, 130);
    atom->AddDataLayer(withPayload(unknownCompressed, {0x30}), false);

    auto segment = std::make_shared<Hyx::DataTypeSegmentInfo>();
    segment->SetSegmentInfo(static_cast<uint16_t>(frame));
    atom->AddDataLayer(segment, false);
    return atom;
}

// One atom with a default instance of every registered class.
std::shared_ptr<Hyx::Atom> registeredClassesAtom()
{
    auto atom = std::make_shared<Hyx::Atom>(Hyx::AtomId::Create(0, 7, 0), 42);
    for (auto it = Hyx::DataLayerFactory::Begin(); it != Hyx::DataLayerFactory::End(); ++it) {
        auto layer = Hyx::DataLayerFactory::CreateDataLayer((*it).first, StreamTestPurpose()).ToStdSharedPtr();
        if (layer)
            atom->AddDataLayer(layer, false);
    }
    return atom;
}

// One atom of filled geometry layers, plus payloads in the older camera and crop versions.
std::shared_ptr<Hyx::Atom> geometryAtom()
{
    auto atom = std::make_shared<Hyx::Atom>(Hyx::AtomId::Create(0, 3, 1), 7);
    for (const auto& layer : HyxTest::FilledGeometryLayers())
        atom->AddDataLayer(layer, false);
    const std::pair<uint16_t, uint32_t> oldCameras[] = {{0, 136}, {1, 184}, {2, 184}, {3, 192}};
    for (const auto& [version, size] : oldCameras) {
        auto old = std::make_shared<Hyx::DataLayerPlaceholder>(Hyx::DataTypeCameraParams::TheTypeGuid());
        old->InitializeHeader(StreamTestPurpose(), version);
        atom->AddDataLayer(withPayload(old, std::vector<uint8_t>(size, 0x40)), false);
    }
    auto oldCrop = std::make_shared<Hyx::DataLayerPlaceholder>(Hyx::DataTypeCylinderCrop::TheTypeGuid());
    oldCrop->InitializeHeader(StreamTestPurpose(), 0);
    atom->AddDataLayer(withPayload(oldCrop, std::vector<uint8_t>(44, 0x3F)), false);
    return atom;
}

// The metadata layers with content, plain and nested in atom layers.
std::shared_ptr<Hyx::Atom> metadataAtom()
{
    auto atom = std::make_shared<Hyx::Atom>(Hyx::AtomId::Create(0, 2, 0), 7);
    for (const auto& layer : HyxTest::MetadataSampleLayers()) {
        layer->InitializeHeader(StreamTestPurpose());
        atom->AddDataLayer(layer, false);
    }
    return atom;
}

// One atom with a small image of every texture format (odd sizes, so that the chroma and
// block rules meet their edge cases), an IR payload of version 0 and an 8-bit palette.
std::shared_ptr<Hyx::Atom> texturesAtom()
{
    auto atom = std::make_shared<Hyx::Atom>(Hyx::AtomId::Create(0, 3, 1), 43);
    for (auto it = Hyx::DataLayerFactory::Begin(); it != Hyx::DataLayerFactory::End(); ++it) {
        auto layer = Hyx::DataLayerFactory::CreateDataLayer((*it).first, StreamTestPurpose()).ToStdSharedPtr();
        auto texture = std::dynamic_pointer_cast<Hyx::DataTypeTextureBase>(layer);
        if (!texture)
            continue;
        if (Hyx::TextureFormatHasSize(texture->GetTextureFormat())) {
            if (texture->GetTextureFormat() == Hyx::TextureFormat::IR)
                texture->SetDepth(Hyx::TextureDepth::Depth16Bit);
            uint8_t* pixels = texture->AllocateTexture(5, 3);
            for (uint32_t i = 0; pixels && i < texture->GetTextureSizeInBytes(); ++i)
                pixels[i] = static_cast<uint8_t>(i * 37);
        } else { // run-length bytes: a header and a few codes
            HyxTest::SetPayload(*texture, {8, 0, 4, 0, 1, 0, 0, 0, 0xFF, 0xFF, 0x11, 0x22});
        }
        atom->AddDataLayer(texture, false);
    }
    auto ir = std::make_shared<Hyx::DataTypeTextureIR>();
    ir->InitializeHeader(StreamTestPurpose(), 0);
    atom->AddDataLayer(withPayload(ir, {2, 0, 2, 0, 1, 2, 3, 4}), false);
    auto palette = std::make_shared<Hyx::DataTypeColorPalette8bit>();
    uint8_t* entries = palette->AllocatePalette(8);
    for (uint32_t i = 0; i < palette->GetPaletteSizeInBytes(); ++i)
        entries[i] = static_cast<uint8_t>(i);
    atom->AddDataLayer(palette, false);
    return atom;
}

// Every compressed class with every code it writes, coded from the filled geometry layers
// and from a small image of each texture format it takes.
std::shared_ptr<Hyx::Atom> compressedAtom()
{
    auto atom = std::make_shared<Hyx::Atom>(Hyx::AtomId::Create(0, 4, 2), 44);
    std::vector<std::shared_ptr<Hyx::DataLayer>> sources = HyxTest::FilledGeometryLayers();
    for (const auto& layer : texturesAtom()->GetAllDataLayers())
        sources.push_back(layer);
    for (const auto& source : sources) {
        for (int kind = 0; kind < 5; ++kind) {
            for (int code : {0, 1, 2, 3, 4, 5, 6, 7, 128, 129, 130}) {
                std::shared_ptr<Hyx::DataTypeCompressedBlob> coded;
                switch (kind) {
                case 0: coded = std::make_shared<Hyx::DataTypeCompressedVertexTextureUVs>(); break;
                case 1: coded = std::make_shared<Hyx::DataTypeCompressedVertexIndices>(); break;
                case 2: coded = std::make_shared<Hyx::DataTypeCompressedVertexNormals>(); break;
                case 3: coded = std::make_shared<Hyx::DataTypeCompressedVertexPositions>(); break;
                default: coded = std::make_shared<Hyx::DataTypeCompressedTexture>(); break;
                }
                coded->InitializeHeader(StreamTestPurpose());
                try {
                    if (coded->compress(source, static_cast<uint8_t>(code)))
                        atom->AddDataLayer(coded, false);
                } catch (const std::exception&) {
                    // a code this class does not write
                }
            }
        }
    }
    return atom;
}

/// Writes the atoms, after the stream header if `header`, as one seed.
bool save(const std::filesystem::path& dir, const std::string& name, bool header,
          std::initializer_list<std::shared_ptr<Hyx::Atom>> atoms)
{
    Hyx::SerializeToMemory writer;
    if (header)
        writer.pack_hyxheader();
    for (const auto& atom : atoms)
        writer.pack_atom(atom);
    std::ofstream out(dir / name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(writer.GetPackedDataPtr()), writer.GetPackedDataSize());
    return static_cast<bool>(out);
}

} // namespace

int main(int argc, char** argv)
{
    HyxTest::RegisterStreamTestLayers();
    const std::filesystem::path dir = SeedFolder(argc, argv);
    bool ok = save(dir, "header", true, {}) && save(dir, "empty_atom", true, {std::make_shared<Hyx::Atom>(0u, 0u)}) &&
              save(dir, "mixed_atom", true, {testAtom(0, 0)}) &&
              save(dir, "two_streams", true,
                   {testAtom(0, 0), testAtom(1, 0), testAtom(0, 1), testAtom(1, 1), testAtom(0, 2), testAtom(1, 2)}) &&
              save(dir, "atom_without_header", false, {testAtom(1, 5)}) &&
              save(dir, "registered_classes", true, {registeredClassesAtom()}) &&
              save(dir, "geometry_atom", true, {geometryAtom()}) &&
              save(dir, "metadata_layers", true, {metadataAtom()}) && save(dir, "textures", true, {texturesAtom()}) &&
              save(dir, "compressed_layers", true, {compressedAtom()});

    Hyx::SerializeToMemory strings;
    strings.pack_shortstring("short");
    strings.pack_normalstring("normal");
    strings.pack_longstring("long");
    const float floats[4] = {1, 2, 3, 4};
    strings.pack_floatarray(floats, 4, true);
    std::ofstream primitives(dir / "primitives", std::ios::binary | std::ios::trunc);
    primitives.write(reinterpret_cast<const char*>(strings.GetPackedDataPtr()), strings.GetPackedDataSize());
    if (!ok || !primitives) {
        std::fprintf(stderr, "failed to write the seeds into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
