#include "ProgramRun.h"

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>

namespace {

std::string Quoted(const std::string& s) {
    std::string out = "'";
    for (char c : s) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

}  // namespace

ProgramRun::ProgramRun(const std::string& programPath, const std::string& copyName) : name(copyName) {
    std::filesystem::copy_file(programPath, folder / name);
    std::filesystem::create_directory(folder / "elsewhere");
}

ProgramResult ProgramRun::Run(const std::string& input, std::map<std::string, std::string> environment,
                              const std::string& arguments) {
    folder.WriteFile("input.txt", input);
    environment.emplace("TUNEWRIGHT_CLOCK", "virtual");
    std::string command = "cd " + Quoted((folder / "elsewhere").string()) + " && env";
    for (const auto& [key, value] : environment) command += " " + Quoted(key + "=" + value);
    command += " " + Quoted(ProgramPath()) + " " + arguments + " < " + Quoted((folder / "input.txt").string()) +
               " > " + Quoted((folder / "output.txt").string()) + " 2> " + Quoted((folder / "errors.txt").string());
    int raw = std::system(command.c_str());
    ProgramResult result;
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.output = folder.Read("output.txt");
    result.errors = folder.Read("errors.txt");
    result.log = folder.Read("Tunewright.log");
    return result;
}
