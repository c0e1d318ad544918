// Feeds saved inputs to a fuzz target's entry function, built with the
// ordinary compiler so ctest replays every seed and every saved finding.
// Usage: replay_TARGET FILE_OR_FOLDER...
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

int replayFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return 1;
    }
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
    std::fprintf(stderr, "replay %s (%zu bytes)\n", path.c_str(), bytes.size());
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    // The targets keep a Qt application alive to the end of the process, and
    // it holds on to these two.
    static int appArgc = 1;
    static char* appArgv[] = {argv[0], nullptr};
    static char** appArgvPointer = appArgv;
    if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&appArgc, &appArgvPointer);
    int failures = 0, count = 0;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path arg(argv[i]);
        if (!std::filesystem::is_directory(arg)) {
            failures += replayFile(arg);
            ++count;
            continue;
        }
        for (const auto& entry : std::filesystem::recursive_directory_iterator(arg))
            if (entry.is_regular_file() && entry.path().filename().string()[0] != '.') {
                failures += replayFile(entry.path());
                ++count;
            }
    }
    std::fprintf(stderr, "%d inputs replayed\n", count);
    return failures || count == 0 ? 1 : 0;
}
