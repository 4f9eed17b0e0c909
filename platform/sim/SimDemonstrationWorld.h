#pragma once
// The built-in world that a newcomer's first scan meets: one three-filter card
// and six multiplexes on the UK raster, with fictional networks and services
// whose tables show what the program reports. Described in WORLD.md.

#include <memory>

#include "platform/sim/SimWorld.h"

class SimDemonstrationWorld {
public:
    /// The radio side (card, multiplexes, noise) as world-file text.
    static const char* Text();
    /// The whole world, with the sections of every multiplex that carries tables.
    static std::shared_ptr<SimWorld> Create();
};
