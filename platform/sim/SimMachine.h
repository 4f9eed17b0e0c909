#pragma once
// The simulated machine: installs a world's cards as BDA devices and the
// platform's filters as classes. The process loads it once, from the file that
// TUNEWRIGHT_WORLD names or from the built-in world; tests load their own.

#include <memory>
#include <string>

#include "platform/sim/SimWorld.h"

class SimMachine {
public:
    /// The first call loads the machine; a malformed world prints its one line and ends the process with status 2.
    static void EnsureLoaded();

    /// Installs a world from text (replacing any machine); false with the error when it is malformed.
    static bool LoadForTesting(const std::string& text, std::string* error = nullptr,
                               const std::string& baseDirectory = std::string());
    static bool LoadFileForTesting(const std::string& path, std::string* error = nullptr);
    /// Installs the built-in demonstration world, as a run without TUNEWRIGHT_WORLD has it.
    static void LoadDemonstrationForTesting();

    /// The world installed, or null before any load.
    static std::shared_ptr<const SimWorld> World();

    /// Device paths of a card's filters (cardIndex from 0).
    static std::wstring TunerPath(int cardIndex);
    static std::wstring DemodPath(int cardIndex);
    static std::wstring CapturePath(int cardIndex);

private:
    static void Install(std::shared_ptr<const SimWorld> world);
};
