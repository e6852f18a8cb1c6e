// Replays the inputs kept from a fuzz target's findings (tests/fuzz/<target>/) through the target
// itself, so that the plain and the sanitizer builds both run them: each must come to its end.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    if (argc != 2 || !fs::is_directory(argv[1])) {
        std::fprintf(stderr, "usage: fuzz_replay <folder of inputs>\n");
        return 2;
    }
    std::size_t replayed = 0;
    for (const auto& entry : fs::directory_iterator(argv[1])) {
        std::ifstream in(entry.path(), std::ios::binary);
        const std::vector<std::uint8_t> data((std::istreambuf_iterator<char>(in)), {});
        LLVMFuzzerTestOneInput(data.data(), data.size());
        ++replayed;
    }
    // On standard error: a target may point standard output elsewhere.
    std::fprintf(stderr, "%zu inputs replayed\n", replayed);
    return replayed > 0 ? 0 : 1;
}
