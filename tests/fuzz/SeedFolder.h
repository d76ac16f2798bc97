#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>

/// The one argument of a seed writer: its output folder, created if missing. Anything else
/// exits with a usage line.
inline std::filesystem::path SeedFolder(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        std::exit(2);
    }
    std::filesystem::create_directories(argv[1]);
    return argv[1];
}
