#include "devices/DirectShowSystemDeviceEnumerator.h"

#include <gtest/gtest.h>

#include "platform/com/ComRuntime.h"
#include "platform/com/DeviceRegistry.h"
#include "platform/com/OleAuto.h"
#include "platform/sim/SimMachine.h"
#include "tests/graph/LogCapture.h"

namespace {

constexpr GUID kCategory = {0x0BADF00D, 0x1111, 0x2222, {3, 3, 3, 3, 3, 3, 3, 3}};

DeviceEntry Device(const std::wstring& path, const std::wstring& name) {
    DeviceEntry entry;
    entry.category = kCategory;
    entry.devicePath = path;
    entry.friendlyName = name;
    return entry;
}

class DirectShowSystemDeviceEnumeratorTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SimMachine::LoadForTesting(""));
        strings = SysStringLiveCount();
        blocks = CoTaskMemLiveCount();
    }
    void TearDown() override {
        EXPECT_EQ(strings, SysStringLiveCount());
        EXPECT_EQ(blocks, CoTaskMemLiveCount());
    }

    LogCapture sink;
    long strings = 0;
    long blocks = 0;
};

TEST_F(DirectShowSystemDeviceEnumeratorTest, WalksTheCategoryAndAgainAfterReset) {
    // Names and paths far beyond any fixed buffer come through whole.
    std::wstring longName(5000, L'n');
    std::wstring longPath = L"@device:pnp:" + std::wstring(9000, L'p');
    DeviceRegistry::Register(Device(L"@device:pnp:a", L"A"));
    DeviceRegistry::Register(Device(longPath, longName));
    DeviceRegistry::Register(Device(L"@device:pnp:c", L"C"));
    DirectShowSystemDeviceEnumerator devices(kCategory);
    devices.SetLogCallback(&sink);
    for (int pass = 0; pass < 2; ++pass) {
        std::unique_ptr<DirectShowSystemDevice> device;
        ASSERT_EQ(S_OK, devices.Next(device));
        EXPECT_EQ(L"A", device->friendlyName);
        EXPECT_EQ(1, device->valid);
        ASSERT_EQ(S_OK, devices.Next(device));
        EXPECT_EQ(longName, device->friendlyName);
        EXPECT_EQ(longPath, device->devicePath);
        ASSERT_EQ(S_OK, devices.Next(device));
        EXPECT_EQ(L"@device:pnp:c", device->devicePath);
        EXPECT_EQ(S_FALSE, devices.Next(device));
        EXPECT_EQ(S_OK, devices.Reset());
    }
    EXPECT_EQ("", sink.written);
}

TEST_F(DirectShowSystemDeviceEnumeratorTest, AnEmptyCategoryIsClosedAndSilent) {
    DirectShowSystemDeviceEnumerator devices(kCategory);
    devices.SetLogCallback(&sink);
    std::unique_ptr<DirectShowSystemDevice> device;
    EXPECT_EQ(E_FAIL, devices.Next(device));
    EXPECT_EQ(E_FAIL, devices.Reset());
    EXPECT_FALSE(device);
    EXPECT_EQ("", sink.written);
}

TEST_F(DirectShowSystemDeviceEnumeratorTest, NamesThatAreNotTextBecomeBlank) {
    DeviceEntry integer = Device(L"@device:pnp:i", L"ignored");
    integer.nameKind = DeviceEntry::NameKind::Integer;
    DeviceEntry missing = Device(L"@device:pnp:m", L"ignored");
    missing.nameKind = DeviceEntry::NameKind::Missing;
    DeviceRegistry::Register(integer);
    DeviceRegistry::Register(missing);
    DirectShowSystemDeviceEnumerator devices(kCategory);
    devices.SetLogCallback(&sink);
    std::unique_ptr<DirectShowSystemDevice> device;
    ASSERT_EQ(S_OK, devices.Next(device));
    EXPECT_EQ(L"", device->friendlyName);
    EXPECT_EQ(L"@device:pnp:i", device->devicePath);
    ASSERT_EQ(S_OK, devices.Next(device));
    EXPECT_EQ(L"", device->friendlyName);
    EXPECT_EQ("FriendlyName is not of type VT_BSTR. It's type 3. Setting to blank string\n"
              "FriendlyName does not exist. Setting to blank string\n",
              sink.written);
    // The record carries the enumerator's sink.
    sink.written.clear();
    device->log << "x\n";
    device->log.Write();
    EXPECT_EQ("x\n", sink.written);
}

TEST_F(DirectShowSystemDeviceEnumeratorTest, AnUnreadableDeviceEndsTheWalkWithItsCode) {
    constexpr HRESULT kDenied = static_cast<HRESULT>(0x80070005u);
    DeviceEntry noBag = Device(L"@device:pnp:b", L"B");
    noBag.bindStorageResult = kDenied;
    DeviceEntry noPath = Device(L"@device:pnp:p", L"P");
    noPath.displayNameResult = E_OUTOFMEMORY;
    DeviceRegistry::Register(noBag);
    DeviceRegistry::Register(noPath);
    DirectShowSystemDeviceEnumerator devices(kCategory);
    devices.SetLogCallback(&sink);
    auto kept = std::make_unique<DirectShowSystemDevice>();
    DirectShowSystemDevice* before = kept.get();
    EXPECT_EQ(kDenied, devices.Next(kept));
    EXPECT_EQ(before, kept.get());
    EXPECT_EQ(E_OUTOFMEMORY, devices.Next(kept));
    EXPECT_FALSE(kept);
    EXPECT_EQ("Could not get property bag\nCould not get device path\n", sink.written);
}

TEST_F(DirectShowSystemDeviceEnumeratorTest, CopyingARecordCopiesItsTextButKeepsItsSink) {
    DirectShowSystemDevice source;
    source.friendlyName = L"Name";
    source.devicePath = L"Path";
    source.valid = 1;
    DirectShowSystemDevice target;
    target.SetLogCallback(&sink);
    target = source;
    source.friendlyName = L"Changed";
    EXPECT_EQ(L"Name", target.friendlyName);
    EXPECT_EQ(L"Path", target.devicePath);
    EXPECT_EQ(1, target.valid);
    DirectShowSystemDevice& same = target;
    target = same;
    EXPECT_EQ(L"Name", target.friendlyName);
    target.log << "still attached\n";
    target.log.Write();
    EXPECT_EQ("still attached\n", sink.written);
}

}  // namespace
