// SPDX-License-Identifier: GPL-3.0-or-later
// Runs a fuzz target over saved inputs without libFuzzer, so that every build
// checks the committed corpus: each file named on the command line, and every
// file under each folder named, in name order. A fault in the target ends the
// program through a failed check or a sanitizer, after the name of the input
// at fault. Naming nothing readable is a fault too, so that a wrong path
// cannot pass as an empty corpus.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

bool collect(const std::filesystem::path& given, std::vector<std::filesystem::path>& inputs)
{
    std::error_code error;
    if (std::filesystem::is_regular_file(given, error)) {
        inputs.push_back(given);
        return true;
    }
    if (!std::filesystem::is_directory(given, error))
        return false;
    std::filesystem::recursive_directory_iterator entries(given, error);
    for (; !error && entries != std::filesystem::recursive_directory_iterator(); entries.increment(error))
        if (entries->is_regular_file(error))
            inputs.push_back(entries->path());
    return !error;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE|FOLDER ...\n", argv[0]);
        return 2;
    }
    std::vector<std::filesystem::path> inputs;
    for (int i = 1; i < argc; ++i)
        if (!collect(argv[i], inputs)) {
            std::fprintf(stderr, "replay: cannot read '%s'\n", argv[i]);
            return 2;
        }
    if (inputs.empty()) {
        std::fputs("replay: no inputs found\n", stderr);
        return 1;
    }
    std::sort(inputs.begin(), inputs.end());

    for (const std::filesystem::path& path : inputs) {
        std::ifstream file(path, std::ios::binary);
        std::string bytes;
        char buffer[1 << 14];
        while (file.read(buffer, sizeof buffer) || file.gcount() > 0)
            bytes.append(buffer, static_cast<std::size_t>(file.gcount()));
        if (!file.eof()) {
            std::fprintf(stderr, "replay: cannot read '%s'\n", path.c_str());
            return 2;
        }
        std::fprintf(stderr, "replay: %s (%zu bytes)\n", path.c_str(), bytes.size());
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    }
    std::printf("replay: %zu inputs passed\n", inputs.size());
    return 0;
}
