// Writes the seed corpus of the container fuzz target: container files made by the writer,
// with and without their lookup table. Usage: hyx_fuzz_container_seeds <output folder>

#include <Hyx/SerializeToHyx.h>

#include "ContainerTestUtil.h"

#include <cstdio>
#include <filesystem>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::filesystem::create_directories(dir);
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
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
