// Arbitrary text as a world file: the parser either builds a world or answers
// with one error line that names the file and line, quotes at most a short
// escaped excerpt and holds no control character. ts= names stay inside a
// folder of the fuzzer's own, which holds one small capture (mux.ts).

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/sections/PsiBuilder.h"
#include "platform/sections/TransportStreamWriter.h"
#include "platform/sim/SimWorld.h"

namespace {

std::string folder;

void Require(bool condition, const char* what, const std::string& detail) {
    if (condition) return;
    std::fprintf(stderr, "FuzzWorld: %s: %s\n", what, detail.c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    folder = (std::filesystem::temp_directory_path() / "tunewright-fuzz-world").string();
    std::filesystem::create_directories(folder);
    TransportStreamWriter writer;
    writer.AddSection(0x0000, PsiBuilder::Pat(7, {{1, 0x100}}));
    std::ofstream(folder + "/mux.ts", std::ios::binary)
        .write(reinterpret_cast<const char*>(writer.GetBytes().data()),
               static_cast<std::streamsize>(writer.GetBytes().size()));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    // Paths of any other folder (devices, /proc) are not the parser's business here.
    if (text.find('/') != std::string::npos || text.find('\\') != std::string::npos) return -1;
    SimWorld world;
    std::string error;
    if (SimWorld::Parse(text, "fuzz.txt", folder, world, error)) {
        Require(error.empty(), "an error with a world", error);
        for (const SimCard& card : world.cards) Require(!card.name.empty(), "a card without a name", "");
        for (const SimMux& mux : world.muxes)
            Require(mux.bandwidthMHz >= 5 && mux.bandwidthMHz <= 8, "a bandwidth out of range", "");
        return 0;
    }
    Require(error.rfind("World file \"fuzz.txt\", line ", 0) == 0, "an error line without file and line", error);
    // At most 40 characters of a token and 200 of a path, each shown in up to 6 bytes.
    Require(error.size() < 1500, "an error line that quotes too much", error.substr(0, 200));
    for (char c : error) {
        auto b = static_cast<unsigned char>(c);
        Require(b >= 0x20 && b != 0x7F, "a control character in an error line", error);
    }
    Require(world.cards.empty() && world.muxes.empty() && world.noises.empty(), "half a world", error);
    return 0;
}
