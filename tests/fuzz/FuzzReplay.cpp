// Replays corpus files through the fuzz entry without libFuzzer: every file, and every
// prefix of it, in an exact-size heap buffer so that over-reads show under the sanitizers.
// Usage: hyx_fuzz_replay <folder or file>...

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

void run(const std::vector<uint8_t>& bytes, size_t size)
{
    std::unique_ptr<uint8_t[]> exact(new uint8_t[size == 0 ? 1 : size]);
    std::copy(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size), exact.get());
    LLVMFuzzerTestOneInput(exact.get(), size);
}

size_t replayFile(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // Every prefix of small files; about 512 evenly spread prefixes of larger ones.
    const size_t step = bytes.size() <= 4096 ? 1 : bytes.size() / 512;
    size_t runs = 0;
    for (size_t cut = 0; cut < bytes.size(); cut += step, ++runs)
        run(bytes, cut);
    run(bytes, bytes.size());
    return runs + 1;
}

} // namespace

int main(int argc, char** argv)
{
    size_t files = 0, runs = 0;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path path = argv[i];
        if (std::filesystem::is_directory(path)) {
            for (const auto& entry : std::filesystem::directory_iterator(path)) {
                if (entry.is_regular_file()) {
                    runs += replayFile(entry.path());
                    ++files;
                }
            }
        } else if (std::filesystem::is_regular_file(path)) {
            runs += replayFile(path);
            ++files;
        }
    }
    std::printf("replayed %zu files in %zu runs\n", files, runs);
    return files == 0 ? 1 : 0;
}
