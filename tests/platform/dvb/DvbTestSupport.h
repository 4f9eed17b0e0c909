#pragma once
// Worlds and helpers for the Linux DVB backend's tests over the fake kernel device.

#include <gtest/gtest.h>
#include <sys/ioctl.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/dvb/DvbReport.h"
#include "platform/dvb/fake/DvbFakeKernel.h"
#include "platform/sections/MultiplexSections.h"
#include "platform/sections/PsiBuilder.h"
#include "platform/sim/SimWorld.h"

class DvbTest : public testing::Test {
protected:
    void SetUp() override {
        saved = Clock::Instance().GetMode();
        Clock::Instance().SetMode(Clock::Mode::Virtual);
        DvbReport::ResetForTesting();
    }
    void TearDown() override { Clock::Instance().SetMode(saved); }

    /// A multiplex of the world; its sections are added with Carry.
    SimMux& AddMux(int frequencyKHz, int bandwidthMHz = 8) {
        SimMux mux;
        mux.frequencyKHz = frequencyKHz;
        mux.bandwidthMHz = bandwidthMHz;
        mux.sections = std::make_shared<MultiplexSections>();
        world->muxes.push_back(mux);
        return world->muxes.back();
    }
    static void Carry(SimMux& mux, PID pid, const std::vector<BYTE>& section) {
        ASSERT_TRUE(mux.sections->AddSection(pid, section));
    }
    /// The kernel over the world as it is now (muxes must not be added afterwards).
    DvbFakeKernel& Kernel() {
        if (!kernel) kernel = std::make_unique<DvbFakeKernel>(world);
        return *kernel;
    }
    static DvbFakeFrontendSetup Setup(const std::string& name, std::vector<std::uint32_t> systems = {SYS_DVBT}) {
        DvbFakeFrontendSetup setup;
        setup.name = name;
        setup.deliverySystems = std::move(systems);
        return setup;
    }
    static std::int64_t Now() { return Clock::Instance().NowMs(); }
    static std::vector<std::string> Problems() { return DvbReport::ProblemsForTesting(); }

    /// The SDT of one multiplex in three sections.
    static std::vector<std::vector<BYTE>> ThreeSectionSdt(WORD transportStreamId, BYTE version = 1) {
        std::vector<std::vector<BYTE>> sections;
        for (BYTE number = 0; number < 3; ++number) {
            PsiBuilder::Service service(static_cast<WORD>(100 + number),
                                        PsiBuilder::ServiceDescriptor(1, "Provider", "Service " + std::to_string(number)));
            sections.push_back(PsiBuilder::Sdt(true, transportStreamId, 9018, {service}, {version, number, 2, true}));
        }
        return sections;
    }

    std::shared_ptr<SimWorld> world = std::make_shared<SimWorld>();
    std::unique_ptr<DvbFakeKernel> kernel;

private:
    Clock::Mode saved = Clock::Mode::Real;
};
