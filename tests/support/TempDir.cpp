#include "TempDir.h"

#include <fstream>
#include <iterator>
#include <random>

TempDir::TempDir() {
    std::random_device random;
    auto base = std::filesystem::temp_directory_path();
    for (;;) {
        path = base / ("tunewright-test-" + std::to_string(random()));
        if (std::filesystem::create_directory(path)) break;
    }
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

std::string TempDir::Read(const std::string& name) const {
    std::ifstream in(path / name, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void TempDir::WriteFile(const std::string& name, const std::string& content) const {
    std::ofstream out(path / name, std::ios::binary);
    out << content;
}
