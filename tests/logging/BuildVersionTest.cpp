#include <gtest/gtest.h>

#include <unistd.h>

#include <climits>
#include <string>

#include "RecordingSink.h"
#include "logging/LogMessage.h"
#include "platform/CommandLine.h"
#include "platform/Version.h"

namespace {

std::string OwnPath() {
    char path[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    return std::string(path, n > 0 ? static_cast<std::size_t>(n) : 0);
}

class BuildVersion : public testing::Test {
protected:
    void TearDown() override {
        SetCommandLineForTesting(nullptr);
        SetVersionBlockForTesting(nullptr);
    }
    std::string Line() {
        RecordingSink sink;
        LogMessage hub;
        hub.AddCallback(&sink);
        hub.WriteBuildVersion();
        return sink.Recorded();
    }
};

TEST_F(BuildVersion, ReadsTheFileVersionOfTheProgramsOwnResource) {
    SetCommandLineForTesting(OwnPath().c_str());
    EXPECT_EQ(Line(), "Build - v2.6.0.0\n");
    SetCommandLineForTesting(("\"" + OwnPath() + "\" --some arguments").c_str());
    EXPECT_EQ(Line(), "Build - v2.6.0.0\n");
}

TEST_F(BuildVersion, AFileWithoutResourceOrAnUnclosedQuoteGivesTheErrorLine) {
    SetCommandLineForTesting("/nonexistent/tunewright");
    EXPECT_EQ(Line(), "Error reading version number\n");
    SetCommandLineForTesting(("\"" + OwnPath()).c_str());
    EXPECT_EQ(Line(), "Error reading version number\n");
}

TEST_F(BuildVersion, BrokenTranslationsOrMissingValuesEndSilently) {
    SetCommandLineForTesting(OwnPath().c_str());
    auto shortTranslation = BuildVersionBlock({{"\\VarFileInfo\\Translation", {0x00, 0x08}},
                                               {"\\StringFileInfo\\080004b0\\FileVersion", {'1', 0}}});
    SetVersionBlockForTesting(&shortTranslation);
    EXPECT_EQ(Line(), "");
    auto noVersion = BuildVersionBlock({{"\\VarFileInfo\\Translation", {0x09, 0x04, 0xb0, 0x04}},
                                        {"\\StringFileInfo\\080004b0\\FileVersion", {'1', 0}}});
    SetVersionBlockForTesting(&noVersion);
    EXPECT_EQ(Line(), "") << "the FileVersion of another translation is not used";
    auto other = BuildVersionBlock({{"\\VarFileInfo\\Translation", {0x09, 0x04, 0xb0, 0x04}},
                                    {"\\StringFileInfo\\040904b0\\FileVersion", {'3', '.', '1', 0}}});
    SetVersionBlockForTesting(&other);
    EXPECT_EQ(Line(), "Build - v3.1\n");
}

}  // namespace
