// The plug-in as the host meets it: the library file loaded by path and driven
// through its seven exports only.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#if defined(__x86_64__) || defined(__i386__)
#include <xmmintrin.h>
#endif

#include "hostsim/call_log.h"
#include "hostsim/plugin_host.h"
#include "tests/support/module_files.h"
#include "tests/support/scenes.h"

namespace vintrax {
namespace {

using hostsim::PluginHost;
using testing::ModuleBesideExecutable;

std::unique_ptr<PluginHost> LoadPlugin() {
    std::string error;
    auto plugin = PluginHost::Load(ModuleBesideExecutable("vintrax"), &error);
    EXPECT_NE(plugin, nullptr) << error;
    return plugin;
}

// A source and one clone placed 10 units along x.
void AddOneClone(hostsim::Document& document) {
    testing::AddMesh(document, "Box", {{0, 0, 0}, {2, 0, 0}, {0, 2, 0}}, {{{0, 1, 2}}});
    testing::AddMesh(document, "vintrax[Box]", {{10, 0, 0}, {11, 0, 0}, {10, 1, 0}}, {{{0, 1, 2}}});
}

void ExpectConstantAnswers(const PluginHost& plugin, const char* state) {
    SCOPED_TRACE(state);
    constexpr std::uint32_t kGuard = 0x5A5A5A5A;
    std::uint32_t words[5] = {kGuard, kGuard, kGuard, kGuard, kGuard};
    plugin.getPlugInID(&words[1], &words[3]);
    EXPECT_EQ(words[1], 0xB3A8500Cu);
    EXPECT_EQ(words[3], 0xC777497Cu);
    EXPECT_EQ(words[0], kGuard);
    EXPECT_EQ(words[2], kGuard);
    EXPECT_EQ(words[4], kGuard);

    const char* name = plugin.getPlugInName();
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(std::string(name, 22), "Vintrax Ver.0.01      ");
    EXPECT_NE(name[22], ' ');  // exactly six blanks, then the notice
    EXPECT_NE(name[22], '\0');
    EXPECT_EQ(plugin.getPlugInName(), name);

    EXPECT_EQ(plugin.getPlugInType(), 4);

    const char* label = plugin.enumString(0);
    ASSERT_NE(label, nullptr);
    EXPECT_STREQ(label, "Update Clones");
    EXPECT_EQ(plugin.enumString(0), label);
    for (const int index : {1, 2, -1, INT_MAX, INT_MIN}) EXPECT_EQ(plugin.enumString(index), nullptr) << index;

    struct VersionCase {
        std::uint32_t host;
        std::uint32_t answer;
    };
    for (const VersionCase& c : {VersionCase{0, 0}, VersionCase{0x249, 0}, VersionCase{0x248F, 0},
                                 VersionCase{0x2490, 0x249}, VersionCase{0x2491, 0x249},
                                 VersionCase{0x80000000u, 0x249}, VersionCase{0xFFFFFFFFu, 0x249}}) {
        EXPECT_EQ(plugin.checkVersion(c.host), c.answer) << std::hex << c.host;
    }
}

TEST(PluginTest, ConstantAnswersNeedNoBinding) {
    auto plugin = LoadPlugin();
    ASSERT_NE(plugin, nullptr);
    ExpectConstantAnswers(*plugin, "before MQInit");
    EXPECT_EQ(plugin->init(ModuleBesideExecutable("stub_host_without_first").c_str()), 0);
    ExpectConstantAnswers(*plugin, "after a failed MQInit");
    EXPECT_EQ(plugin->init(hostsim::HostModulePath().c_str()), 1);
    ExpectConstantAnswers(*plugin, "after MQInit");
}

TEST(PluginTest, CommandsTouchNothingUnlessTheyCanRun) {
    auto plugin = LoadPlugin();
    ASSERT_NE(plugin, nullptr);
    hostsim::Document document;
    AddOneClone(document);
    const auto before = testing::PositionBits(*document.GetObject(1));

    struct Case {
        const char* state;
        const char* bindTo;  // null: leave the binding as it is
    };
    const std::string host = hostsim::HostModulePath();
    // Without the object count slot the command must not run, even though an
    // earlier binding filled every other slot it calls.
    const std::string lacksObjectCount = ModuleBesideExecutable("stub_host_without_object_count");
    // Missing only its last name, this host's module has already been released
    // when MQInit returns, while the slots the command calls point into it.
    const std::string lacksLast = ModuleBesideExecutable("stub_host_without_last");
    for (const Case& c : {Case{"never bound", nullptr}, Case{"bound", host.c_str()},
                          Case{"re-bound to a host lacking a called function", lacksObjectCount.c_str()},
                          Case{"bound again, then to a host lacking the last name", host.c_str()},
                          Case{"re-bound to a host lacking the last name", lacksLast.c_str()}}) {
        if (c.bindTo) plugin->init(c.bindTo);
        const bool bound = c.bindTo == host.c_str();
        for (const int command : {0, 1, -1, INT_MAX, INT_MIN}) {
            if (command == 0 && bound) continue;
            hostsim::StartCallLog();
            EXPECT_EQ(plugin->modifyObject(command, document.handle()), 0) << c.state << ", command " << command;
            EXPECT_TRUE(hostsim::StopCallLog().empty()) << c.state << ", command " << command;
            // Any command but 0 does not even look at the document handle.
            if (command != 0) {
                EXPECT_EQ(plugin->modifyObject(command, nullptr), 0);
            }
        }
    }
    EXPECT_EQ(testing::PositionBits(*document.GetObject(1)), before);
    // Binding again to a complete host brings the command back.
    ASSERT_EQ(plugin->init(host.c_str()), 1);
    EXPECT_EQ(plugin->Run(0, document), 1);
}

TEST(PluginTest, UpdatesClonesEndToEnd) {
    std::string error;
    auto plugin = PluginHost::Open(ModuleBesideExecutable("vintrax"), &error);
    ASSERT_NE(plugin, nullptr) << error;
    EXPECT_EQ(plugin->Commands(), std::vector<std::string>{"Update Clones"});

    hostsim::Document document;
    AddOneClone(document);
    EXPECT_EQ(plugin->Run(0, document), 1);
    // Box centres (1, 1, 0) and (10.5, 0.5, 0).
    EXPECT_EQ(testing::PositionBits(*document.GetObject(1)),
              testing::PointBits({{9.5f, -0.5f, 0}, {11.5f, -0.5f, 0}, {9.5f, 1.5f, 0}}));

    hostsim::Document noClones;
    testing::AddMesh(noClones, "Box", {{0, 0, 0}}, {{{0, 0, 0}}});
    EXPECT_EQ(plugin->Run(0, noClones), 0);
    hostsim::Document empty;
    EXPECT_EQ(plugin->Run(0, empty), 0);
}

#if defined(__x86_64__) || defined(__i386__)
TEST(PluginTest, ResultsDoNotDependOnTheHostsFloatSettings) {
    std::string error;
    auto plugin = PluginHost::Open(ModuleBesideExecutable("vintrax"), &error);
    ASSERT_NE(plugin, nullptr) << error;
    // x: denormals (d = 1e-40), lost under flush-to-zero or denormals-are-zero;
    // y: decimals whose sums round differently when rounding up or toward zero.
    const float d = 1e-40f;
    auto run = [&](unsigned mxcsr) {
        hostsim::Document document;
        testing::AddMesh(document, "Box", {{d, 0.1f, 0}, {3 * d, 0.7f, 0}, {d, 2.9f, 0}}, {{{0, 1, 2}}});
        testing::AddMesh(document, "vintrax[Box]", {{5 * d, 100.1f, 0}, {9 * d, -7.3f, 0}, {5 * d, 3.3f, 0}},
                         {{{0, 1, 2}}});
        const unsigned saved = _mm_getcsr();
        _mm_setcsr(mxcsr);
        const int result = plugin->Run(0, document);
        const unsigned after = _mm_getcsr();
        _mm_setcsr(saved);
        EXPECT_EQ(result, 1);
        EXPECT_EQ(after, mxcsr) << "the host's setting must come back unchanged";
        return testing::PositionBits(*document.GetObject(1));
    };
    const auto expected = run(0x1F80);
    // (d - 2d) + 7d = 6d on x.
    EXPECT_EQ(expected[0], testing::Bits(6 * d));
    constexpr unsigned kFlushToZero = 0x8000, kDenormalsAreZero = 0x0040, kRoundUp = 0x4000, kTowardZero = 0x6000;
    for (const unsigned mxcsr : {0x1F80 | kFlushToZero | kDenormalsAreZero, 0x1F80 | kFlushToZero, 0x1F80 | kRoundUp,
                                 0x1F80 | kTowardZero}) {
        EXPECT_EQ(run(mxcsr), expected) << std::hex << mxcsr;
    }
}
#endif

}  // namespace
}  // namespace vintrax
