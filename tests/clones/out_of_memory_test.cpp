// Working memory running out in the middle of a run. Global operator new is
// replaced in this executable so a test can make one chosen allocation fail.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <vector>

#include "clones/clones.h"
#include "host/host_function_table.h"
#include "tests/support/bound_host.h"
#include "tests/support/scenes.h"

namespace {
bool g_failNextAllocation = false;
}  // namespace

void* operator new(std::size_t size) {
    if (g_failNextAllocation) {
        g_failNextAllocation = false;
        throw std::bad_alloc();
    }
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace vintrax {
namespace {

// Stands in for the host's MQObj_Freeze: after the n-th copy is frozen, the next
// allocation (the first one of the anchor routines) fails.
int g_freezesLeft = 0;
MQObj_FreezeProc g_realFreeze = nullptr;
void VINTRAX_CALL FreezeThenRunOutOfMemory(ObjectHandle object, int flags) {
    g_realFreeze(object, flags);
    if (--g_freezesLeft == 0) g_failNextAllocation = true;
}

// Stands in for the host's MQObj_GetFaceCount: the next allocation after the
// clone's faces are first counted (the clone's own marker centroid) fails.
ObjectHandle g_failingClone = nullptr;
MQObj_GetFaceCountProc g_realFaceCount = nullptr;
int VINTRAX_CALL FaceCountThenRunOutOfMemory(ObjectHandle object) {
    if (object == g_failingClone) g_failNextAllocation = true;
    return g_realFaceCount(object);
}

class OutOfMemoryTest : public testing::BoundHostTest {};

// A source and three clones placed at x = 10, 20, 30.
void AddThreeClones(hostsim::Document& document) {
    testing::AddMesh(document, "Box", {{0, 0, 0}, {2, 0, 0}, {0, 2, 0}}, {{{0, 1, 2}}});
    for (const float x : {10.0f, 20.0f, 30.0f}) {
        testing::AddMesh(document, "vintrax[Box]", {{x, 0, 0}, {x + 4, 0, 0}, {x, 4, 0}, {x, 0, 4}},
                         {{{0, 1, 2}}, {{0, 2, 3}}});
    }
}

TEST_F(OutOfMemoryTest, KeepsWhatWasRebuiltAndLeaksNothing) {
    struct Case {
        const char* why;
        int failAtFreeze;  // 0: fail at the first allocation of the run
        int result;
        int clonesRebuilt;
    };
    g_realFreeze = reinterpret_cast<MQObj_FreezeProc>(g_hostFunctions.slots[kHost_MQObj_Freeze]);
    g_hostFunctions.slots[kHost_MQObj_Freeze] = reinterpret_cast<HostEntryPoint>(&FreezeThenRunOutOfMemory);
    for (const Case& c : {Case{"while the objects are walked", 0, 0, 0},
                          Case{"in the first rebuild's anchor routine", 1, 0, 0},
                          Case{"in the second rebuild's anchor routine", 2, 1, 1}}) {
        hostsim::Document document;
        AddThreeClones(document);
        std::vector<std::vector<std::uint32_t>> before;
        for (int i = 1; i <= 3; ++i) before.push_back(testing::PositionBits(*document.GetObject(i)));

        g_freezesLeft = c.failAtFreeze;
        g_failNextAllocation = c.failAtFreeze == 0;

        EXPECT_EQ(UpdateClones(document.handle()), c.result) << c.why;
        EXPECT_FALSE(g_failNextAllocation) << c.why << ": the failure never came";
        // The copy made for the failed rebuild is gone too.
        EXPECT_EQ(hostsim::LiveFreeObjects(), 0) << c.why;
        for (int i = 1; i <= 3; ++i) {
            const bool rebuilt = i <= c.clonesRebuilt;
            EXPECT_EQ(testing::PositionBits(*document.GetObject(i)) != before[i - 1], rebuilt)
                << c.why << ", clone " << i;
            EXPECT_EQ(document.GetObject(i)->VertexCount(), rebuilt ? 3 : 4) << c.why << ", clone " << i;
        }
    }
}

}  // namespace
}  // namespace vintrax

namespace vintrax {
namespace {

TEST_F(OutOfMemoryTest, FailingInTheClonesMarkerCentroidLeavesItWhole) {
    hostsim::Document document;
    const int marker = document.AddMaterial("vintraxMarker");
    testing::AddMesh(document, "Box", {{0, 0, 0}, {2, 0, 0}, {0, 2, 0}}, {{{0, 1, 2}, marker}});
    hostsim::Object& clone =
        testing::AddMesh(document, "vintrax[Box]", {{10, 0, 0}, {14, 0, 0}, {10, 4, 0}, {9, 9, 9}}, {{{0, 1, 2}, marker}});
    const auto before = testing::PositionBits(clone);
    g_failingClone = hostsim::ToHandle(&clone);
    g_realFaceCount = reinterpret_cast<MQObj_GetFaceCountProc>(g_hostFunctions.slots[kHost_MQObj_GetFaceCount]);
    g_hostFunctions.slots[kHost_MQObj_GetFaceCount] = reinterpret_cast<HostEntryPoint>(&FaceCountThenRunOutOfMemory);

    EXPECT_EQ(UpdateClones(document.handle()), 0);
    EXPECT_FALSE(g_failNextAllocation);
    EXPECT_EQ(hostsim::LiveFreeObjects(), 0);
    EXPECT_EQ(testing::PositionBits(clone), before);
}

}  // namespace
}  // namespace vintrax
