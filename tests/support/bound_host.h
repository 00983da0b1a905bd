// Binds the plug-in's host function table to the stand-in host loaded in this
// process, the way MQInit does in the modeller, and reads the stand-in's call log.
#pragma once

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "host/host_function_table.h"
#include "hostsim/call_log.h"
#include "hostsim/document.h"

namespace vintrax::testing {

class BoundHostTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(BindHostFunctions(hostsim::HostModulePath().c_str()), 1);
        saved_ = g_hostFunctions;
    }
    // Tests may swap single slots for wrappers; every test starts from the real host.
    void TearDown() override {
        hostsim::StopCallLog();
        g_hostFunctions = saved_;
    }

private:
    HostFunctionTable saved_{};
};

inline std::vector<hostsim::HostCall> CallsOf(const std::vector<hostsim::HostCall>& log, hostsim::HostOp op) {
    std::vector<hostsim::HostCall> out;
    for (const auto& call : log) {
        if (call.op == op) out.push_back(call);
    }
    return out;
}

// (source, clone) of every rebuild, in order: the object MQObj_Clone copied and
// the object the copy was merged into.
inline std::vector<std::pair<const void*, const void*>> Rebuilds(const std::vector<hostsim::HostCall>& log) {
    std::vector<std::pair<const void*, const void*>> out;
    const void* source = nullptr;
    const void* copy = nullptr;
    for (const auto& call : log) {
        if (call.op == hostsim::HostOp::kObjClone) {
            source = call.target;
            copy = call.result;
        } else if (call.op == hostsim::HostOp::kObjMerge && call.other == copy) {
            out.emplace_back(source, call.target);
        }
    }
    return out;
}

}  // namespace vintrax::testing
