// Runs a fuzz target once over each file of the given files and
// directories: the corpus regression of builds without libFuzzer.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv)
{
    namespace fs = std::filesystem;
    std::vector<fs::path> inputs;
    for (int i = 1; i < argc; ++i)
    {
        if (fs::is_directory(argv[i]))
        {
            for (const auto& entry : fs::directory_iterator(argv[i]))
            {
                if (entry.is_regular_file()) inputs.push_back(entry.path());
            }
        }
        else
            inputs.emplace_back(argv[i]);
    }
    std::sort(inputs.begin(), inputs.end());
    if (inputs.empty())
    {
        std::fprintf(stderr, "driver: no inputs\n");
        return 1;
    }
    for (const fs::path& path : inputs)
    {
        std::ifstream in(path, std::ios::binary);
        const std::vector<std::uint8_t> bytes(std::istreambuf_iterator<char>(in), {});
        LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    }
    std::printf("driver: %zu inputs run\n", inputs.size());
    return 0;
}
