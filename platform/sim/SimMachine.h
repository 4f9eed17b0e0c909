#pragma once
// The simulated machine as tests load it: installs a world's cards as BDA
// devices through the simulation backend, and names their device paths. A
// run of the program gets its world through backend selection instead.

#include <memory>
#include <string>

#include "platform/sim/SimWorld.h"

class SimMachine {
public:
    /// Installs a world from text (replacing any machine); false with the error when it is malformed.
    static bool LoadForTesting(const std::string& text, std::string* error = nullptr,
                               const std::string& baseDirectory = std::string());
    static bool LoadFileForTesting(const std::string& path, std::string* error = nullptr);
    /// Installs the built-in demonstration world, as a run without TUNEWRIGHT_WORLD has it.
    static void LoadDemonstrationForTesting();

    /// The world installed, or null when the simulation is not the backend installed.
    static std::shared_ptr<const SimWorld> World();

    /// Device paths of a card's filters (cardIndex from 0).
    static std::wstring TunerPath(int cardIndex);
    static std::wstring DemodPath(int cardIndex);
    static std::wstring CapturePath(int cardIndex);

private:
    static void Install(std::shared_ptr<const SimWorld> world);
};
