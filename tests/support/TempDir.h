#pragma once
// A fresh folder for one test, removed with everything in it afterwards.

#include <filesystem>
#include <string>

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return path; }
    std::filesystem::path operator/(const std::string& name) const { return path / name; }
    /// The whole content of a file in the folder (empty when it does not exist).
    std::string Read(const std::string& name) const;
    void WriteFile(const std::string& name, const std::string& content) const;

private:
    std::filesystem::path path;
};
