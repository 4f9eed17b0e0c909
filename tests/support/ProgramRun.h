#pragma once
// Runs a built program as a user would: its own copy in a fresh folder (so the log
// file beside it is the test's own), input from a pipe, output captured.

#include <map>
#include <string>

#include "TempDir.h"

struct ProgramResult {
    int status = -1;
    std::string output;  // standard output
    std::string errors;  // standard error
    std::string log;     // Tunewright.log beside the program
};

class ProgramRun {
public:
    /// Copies the program into a fresh folder; the name of the copy may hold spaces.
    explicit ProgramRun(const std::string& programPath, const std::string& copyName = "tunewright");

    /// Runs the copy with the given input, from the folder `workingDir` (default: a folder beside it),
    /// with the virtual clock unless the environment given says otherwise.
    ProgramResult Run(const std::string& input, std::map<std::string, std::string> environment = {},
                      const std::string& arguments = "");

    const TempDir& Folder() const { return folder; }
    std::string ProgramPath() const { return (folder / name).string(); }

private:
    TempDir folder;
    std::string name;
};
