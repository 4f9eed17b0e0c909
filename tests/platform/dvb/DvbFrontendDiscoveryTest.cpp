// Discovery of terrestrial frontends over the fake kernel device.

#include <fcntl.h>

#include "DvbTestSupport.h"
#include "platform/dvb/DvbFrontendDiscovery.h"

namespace {

class DvbFrontendDiscoveryTest : public DvbTest {};

std::vector<std::string> Paths(const std::vector<DvbFrontendDescription>& found) {
    std::vector<std::string> paths;
    for (const auto& description : found) paths.push_back(description.path);
    return paths;
}

TEST_F(DvbFrontendDiscoveryTest, KeepsTerrestrialFrontendsAndSkipsTheOthersWithALine) {
    Kernel().AddAdapter(Setup("Stick T", {SYS_DVBT}));
    Kernel().AddAdapter(Setup("Dish", {SYS_DVBS, SYS_DVBS2}));
    Kernel().AddAdapter(Setup("Cable", {SYS_DVBC_ANNEX_A}));
    Kernel().AddAdapter(Setup("Combo", {SYS_DVBT, SYS_DVBT2, SYS_DVBC_ANNEX_A}));
    DvbFakeFrontendSetup old = Setup("Old T");
    old.enumeratesDeliverySystems = false;
    Kernel().AddAdapter(old);
    DvbFakeFrontendSetup oldSatellite = Setup("Old S", {SYS_DVBS});
    oldSatellite.enumeratesDeliverySystems = false;
    oldSatellite.legacyType = FE_QPSK;
    Kernel().AddAdapter(oldSatellite);
    Kernel().AddAdapter(Setup("Only T2", {SYS_DVBT2}));

    auto found = DvbFrontendDiscovery(Kernel()).Find();

    ASSERT_EQ(Paths(found), (std::vector<std::string>{"/dev/dvb/adapter0/frontend0", "/dev/dvb/adapter3/frontend0",
                                                      "/dev/dvb/adapter4/frontend0", "/dev/dvb/adapter6/frontend0"}));
    EXPECT_EQ(found[0].name, "Stick T");
    EXPECT_EQ(found[0].demuxPath, "/dev/dvb/adapter0/demux0");
    EXPECT_TRUE(found[0].dvbt);
    EXPECT_FALSE(found[0].dvbt2);
    EXPECT_EQ(found[1].name, "Combo");
    EXPECT_TRUE(found[1].dvbt && found[1].dvbt2);
    EXPECT_EQ(found[2].name, "Old T");
    EXPECT_TRUE(found[2].dvbt);
    EXPECT_FALSE(found[3].dvbt);
    EXPECT_TRUE(found[3].dvbt2);
    EXPECT_EQ(found[3].adapter, 6);

    EXPECT_EQ(Problems(), (std::vector<std::string>{
                              "/dev/dvb/adapter1/frontend0 (Dish) is a satellite tuner, not DVB-T; skipped.",
                              "/dev/dvb/adapter2/frontend0 (Cable) is a cable tuner, not DVB-T; skipped.",
                              "/dev/dvb/adapter5/frontend0 (Old S) is a satellite tuner, not DVB-T; skipped.",
                          }));
    EXPECT_EQ(Kernel().OpenDescriptors(), 0);
}

TEST_F(DvbFrontendDiscoveryTest, ReadsEveryFrontendReadOnlyAndHoldsNothingAfterwards) {
    Kernel().AddAdapter(Setup("A"));
    Kernel().AddAdapter(Setup("B", {SYS_DVBS}));
    auto found = DvbFrontendDiscovery(Kernel()).Find();
    ASSERT_EQ(found.size(), 1u);
    auto opens = Kernel().Opens();
    ASSERT_GE(opens.size(), 2u);
    // The information of each frontend comes over a read-only open; the satellite one is never opened read-write.
    EXPECT_EQ(opens[0], std::make_pair(std::string("/dev/dvb/adapter0/frontend0"), O_RDONLY | O_NONBLOCK));
    for (const auto& [path, flags] : opens) {
        if ((flags & O_ACCMODE) == O_RDWR) {
            EXPECT_EQ(path, "/dev/dvb/adapter0/frontend0");
            EXPECT_TRUE(flags & O_NONBLOCK) << "a read-write open that could wait for another program";
        }
    }
    EXPECT_EQ(Kernel().OpenDescriptors(), 0);
    // Nothing was tuned by looking.
    EXPECT_TRUE(Kernel().SetPropertyCalls(0).empty());
}

TEST_F(DvbFrontendDiscoveryTest, PermissionDeniedAndBusyFrontendsAreSkippedAndTheOthersOffered) {
    DvbFakeFrontendSetup denied = Setup("Locked Away");
    denied.accessDenied = true;
    Kernel().AddAdapter(denied);
    Kernel().AddAdapter(Setup("Busy One"));
    Kernel().AddAdapter(Setup("Free One"));
    Kernel().SetHeldElsewhere(1, true);

    auto found = DvbFrontendDiscovery(Kernel()).Find();

    EXPECT_EQ(Paths(found), std::vector<std::string>{"/dev/dvb/adapter2/frontend0"});
    auto problems = Problems();
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_EQ(problems[0],
              "/dev/dvb/adapter0/frontend0: permission denied. To use this tuner, add your user to the group that owns "
              "it (usually 'video': sudo usermod -aG video $USER) and log in again.");
    EXPECT_EQ(problems[1], "/dev/dvb/adapter1/frontend0 (Busy One) is in use by another program; skipped. Close that "
                           "program and choose again.");
    EXPECT_EQ(Kernel().OpenDescriptors(), 0);
}

TEST_F(DvbFrontendDiscoveryTest, AMachineWithoutDvbDevicesHasNoFrontendsAndSaysNothing) {
    EXPECT_TRUE(DvbFrontendDiscovery(Kernel()).Find().empty());
    Kernel().AddAdapter(Setup("Gone"));
    Kernel().RemoveAdapter(0);
    EXPECT_TRUE(DvbFrontendDiscovery(Kernel()).Find().empty());
    EXPECT_TRUE(Problems().empty());
}

TEST_F(DvbFrontendDiscoveryTest, ASecondReadWriteOpenIsBusyWhileReadOnlyOpensAreAlwaysAllowed) {
    Kernel().AddAdapter(Setup("A"));
    const std::string path = DvbFakeKernel::FrontendPath(0);
    int writer = Kernel().Open(path, O_RDWR | O_NONBLOCK);
    ASSERT_GE(writer, 0);
    EXPECT_EQ(Kernel().Open(path, O_RDWR | O_NONBLOCK), -EBUSY);
    int reader1 = Kernel().Open(path, O_RDONLY);
    int reader2 = Kernel().Open(path, O_RDONLY);
    EXPECT_GE(reader1, 0);
    EXPECT_GE(reader2, 0);
    // A read-only descriptor may look but not tune.
    dtv_property clear{};
    clear.cmd = DTV_CLEAR;
    dtv_properties properties{1, &clear};
    EXPECT_EQ(Kernel().Ioctl(reader1, FE_SET_PROPERTY, &properties), -EPERM);
    EXPECT_EQ(Kernel().Ioctl(writer, FE_SET_PROPERTY, &properties), 0);
    Kernel().Close(writer);
    int again = Kernel().Open(path, O_RDWR | O_NONBLOCK);
    EXPECT_GE(again, 0);
    Kernel().RemoveAdapter(0);
    fe_status_t status{};
    EXPECT_EQ(Kernel().Ioctl(again, FE_READ_STATUS, &status), -ENODEV);
    EXPECT_EQ(Kernel().Open(path, O_RDONLY), -ENOENT);
    for (int fd : {reader1, reader2, again}) EXPECT_EQ(Kernel().Close(fd), 0);
    EXPECT_EQ(Kernel().OpenDescriptors(), 0);
}

}  // namespace
