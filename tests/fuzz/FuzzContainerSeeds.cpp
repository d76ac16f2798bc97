// Writes the seed corpus of the container fuzz target: container files made by the writer,
// with and without their lookup table. Usage: hyx_fuzz_container_seeds <output folder>

#include <Hyx/CompressedLayers.h>
#include <Hyx/DataTypeTextureRGB.h>
#include <Hyx/DataTypeVertex.h>
#include <Hyx/SerializeToHyx.h>

#include "ContainerTestUtil.h"
#include "SeedFolder.h"

#include <cstdio>
#include <filesystem>
#include <string>

int main(int argc, char** argv)
{
    const std::filesystem::path dir = SeedFolder(argc, argv);
    try {
        HyxTest::WriteTake((dir / "three_frames.hyx").string(), 1, 3, true);
        HyxTest::WriteTake((dir / "three_frames_walked.hyx").string(), 1, 3, false);
        HyxTest::WriteTake((dir / "two_streams.hyx").string(), 2, 4, true);
        HyxTest::WriteTake((dir / "header_and_table.hyx").string(), 0, 0, true);
        Hyx::SerializeToHyx gaps((dir / "gaps.hyx").string().c_str(), true);
        for (uint32_t frame : {0u, 2u, 5u})
            gaps.pack_atom(HyxTest::ContainerFrame(1, frame));
        gaps.pack_atom(std::make_shared<Hyx::Atom>(1u, 6u, 0u));
        gaps.CloseFile();
        // A frame a thumbnail can be made of: a coloured point cloud, a texture and its
        // compressed form.
        auto frame = std::make_shared<Hyx::Atom>(0u, 0u, 0u);
        auto positions = std::make_shared<Hyx::DataTypeVertexPositions>();
        auto colors = std::make_shared<Hyx::DataTypeVertexColors>();
        float* p = positions->Allocate(1001, false);
        uint8_t* c = colors->Allocate(1001);
        for (uint32_t i = 0; i < 3 * 1001; ++i)
            p[i] = float(i % 7) * float(i % 3 + 1), c[i] = uint8_t(i);
        positions->CalculateBoundingBoxFromVertexPositions();
        auto texture = std::make_shared<Hyx::DataTypeTextureRGB>();
        uint8_t* t = texture->AllocateTexture(8, 4);
        for (uint32_t i = 0; i < 8 * 4 * 3; ++i)
            t[i] = uint8_t(i * 5);
        auto jpeg = std::make_shared<Hyx::DataTypeCompressedTexture>();
        jpeg->compress(texture, static_cast<uint8_t>(Hyx::CompressionTextureTypes::JPG_RGB));
        for (const std::shared_ptr<Hyx::DataLayer>& layer :
             std::initializer_list<std::shared_ptr<Hyx::DataLayer>>{positions, colors, texture, jpeg})
            frame->AddDataLayer(layer);
        Hyx::SerializeToHyx pictures((dir / "thumbnail.hyx").string().c_str(), true);
        pictures.pack_atom(frame);
        pictures.CloseFile();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
