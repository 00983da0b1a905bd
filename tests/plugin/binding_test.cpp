// MQInit's binding, observed on the table itself (linked in statically here).
#include <gtest/gtest.h>

#include <string>

#include "host/dynamic_library.h"
#include "host/host_function_table.h"
#include "tests/support/module_files.h"

namespace vintrax {
namespace {

using testing::ModuleBesideExecutable;
using testing::ModuleIsLoaded;

// A value no module would give, to see which slots a call leaves alone.
HostEntryPoint Sentinel(int slot) { return reinterpret_cast<HostEntryPoint>(static_cast<std::uintptr_t>(0x1000 + slot)); }

class BindingTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (int slot = 0; slot < kHostFunctionCount; ++slot) g_hostFunctions.slots[slot] = Sentinel(slot);
    }
    void TearDown() override { g_hostFunctions = HostFunctionTable{}; }

    // The entry points `path` exports, looked up while the test holds the module.
    struct Exports {
        ModuleHandle module;
        HostEntryPoint entries[kHostFunctionCount];
    };
    static Exports Lookup(const std::string& path) {
        Exports e{LoadModule(path.c_str()), {}};
        for (int slot = 0; slot < kHostFunctionCount; ++slot) e.entries[slot] = FindEntryPoint(e.module, kHostFunctionNames[slot]);
        return e;
    }
};

TEST_F(BindingTest, NamesAreTheHostsInLookupOrder) {
    EXPECT_STREQ(kHostFunctionNames[0], "MQ_GetWindowHandle");
    EXPECT_STREQ(kHostFunctionNames[kHost_MQDoc_GetObjectCount], "MQDoc_GetObjectCount");
    EXPECT_EQ(kHost_MQDoc_GetObjectCount, 11);
    EXPECT_EQ(kHost_MQObj_Delete, 51);
    EXPECT_EQ(kHost_MQMat_Delete, 111);
    EXPECT_STREQ(kHostFunctionNames[kHostFunctionCount - 1], "MQXmlElem_Value");
    for (int i = 0; i < kHostFunctionCount; ++i) {
        for (int j = i + 1; j < kHostFunctionCount; ++j) EXPECT_STRNE(kHostFunctionNames[i], kHostFunctionNames[j]);
    }
}

struct BindCase {
    const char* module;
    int result;
    int missingSlot;  // -1: none
};

TEST_F(BindingTest, BindsAllOrStopsAtTheFirstMissingName) {
    for (const BindCase& c : {BindCase{"stub_host_full", 1, -1}, BindCase{"stub_host_without_first", 0, 0},
                              BindCase{"stub_host_without_last", 0, kHostFunctionCount - 1},
                              BindCase{"stub_host_without_freeze", 0, kHost_MQObj_Freeze}}) {
        SetUp();
        const std::string path = ModuleBesideExecutable(c.module);
        const Exports expected = Lookup(path);
        ASSERT_NE(expected.module, nullptr) << path;
        EXPECT_EQ(BindHostFunctions(path.c_str()), c.result) << c.module;
        const int found = c.missingSlot < 0 ? kHostFunctionCount : c.missingSlot;
        for (int slot = 0; slot < kHostFunctionCount; ++slot) {
            const HostEntryPoint want = slot < found ? expected.entries[slot] : slot == found ? nullptr : Sentinel(slot);
            ASSERT_EQ(g_hostFunctions.slots[slot], want) << c.module << ", slot " << slot;
            if (slot < found) {
                ASSERT_NE(want, nullptr);
            }
        }
        ReleaseModule(expected.module);
        // The binding's own reference was given back: nothing holds the module now.
        EXPECT_FALSE(ModuleIsLoaded(path)) << c.module;
    }
}

TEST_F(BindingTest, AModuleThatDoesNotLoadLeavesTheTableAlone) {
    EXPECT_EQ(BindHostFunctions(ModuleBesideExecutable("no_such_module").c_str()), 0);
    for (int slot = 0; slot < kHostFunctionCount; ++slot) ASSERT_EQ(g_hostFunctions.slots[slot], Sentinel(slot));
}

TEST_F(BindingTest, RebindingOverwritesOnlyTheSlotsItReaches) {
    const std::string full = ModuleBesideExecutable("stub_host_full");
    const std::string partial = ModuleBesideExecutable("stub_host_without_freeze");
    const Exports first = Lookup(full);
    const Exports second = Lookup(partial);
    EXPECT_EQ(BindHostFunctions(full.c_str()), 1);
    EXPECT_EQ(BindHostFunctions(partial.c_str()), 0);
    for (int slot = 0; slot < kHostFunctionCount; ++slot) {
        const HostEntryPoint want = slot < kHost_MQObj_Freeze    ? second.entries[slot]
                                    : slot == kHost_MQObj_Freeze ? nullptr
                                                                 : first.entries[slot];
        ASSERT_EQ(g_hostFunctions.slots[slot], want) << "slot " << slot;
    }
    EXPECT_FALSE(HostFunctionsCallable());
    ReleaseModule(first.module);
    ReleaseModule(second.module);
}

}  // namespace
}  // namespace vintrax
