#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "clones/clones.h"
#include "host/host_function_table.h"
#include "tests/support/bound_host.h"
#include "tests/support/scenes.h"

namespace vintrax {
namespace {

using hostsim::HostCall;
using hostsim::HostOp;
using testing::BoundHostTest;
using testing::CallsOf;

class UpdateClonesTest : public BoundHostTest {};

// One object slot of a test document: nullopt for an empty slot.
struct Slot {
    std::optional<std::string> name;
    bool visible = true;
};
Slot Hidden(std::string name) { return Slot{std::move(name), false}; }
const Slot kEmpty{std::nullopt, true};

// Every object is a distinct triangle, so any rebuild shows in its geometry.
void Fill(hostsim::Document& document, const std::vector<Slot>& slots) {
    for (std::size_t i = 0; i < slots.size(); ++i) {
        if (!slots[i].name) {
            document.AddEmptyObjectSlot();
            continue;
        }
        const float o = static_cast<float>(i) * 10.0f;
        hostsim::Object& object =
            testing::AddMesh(document, *slots[i].name, {{o, 0, 0}, {o + 1, 0, 0}, {o, 1 + o, 0}}, {{{0, 1, 2}}});
        object.visible = slots[i].visible;
    }
}

struct SourceCase {
    const char* why;
    std::vector<Slot> slots;
    std::vector<std::pair<int, int>> rebuilds;  // (source index, clone index), in order
};

void PrintTo(const SourceCase& c, std::ostream* os) { *os << c.why; }

class SourceChoiceTest : public UpdateClonesTest, public ::testing::WithParamInterface<SourceCase> {};

TEST_P(SourceChoiceTest, RebuildsTheRightClonesFromTheRightSources) {
    const SourceCase& c = GetParam();
    hostsim::Document document;
    Fill(document, c.slots);
    std::vector<std::vector<std::uint32_t>> before;
    for (int i = 0; i < document.ObjectCount(); ++i) {
        before.push_back(document.GetObject(i) ? testing::PositionBits(*document.GetObject(i))
                                               : std::vector<std::uint32_t>{});
    }

    hostsim::StartCallLog();
    const int result = UpdateClones(document.handle());
    const auto log = hostsim::StopCallLog();

    std::vector<std::pair<const void*, const void*>> expected;
    for (auto [source, clone] : c.rebuilds) {
        expected.emplace_back(hostsim::ToHandle(document.GetObject(source)),
                              hostsim::ToHandle(document.GetObject(clone)));
    }
    EXPECT_EQ(testing::Rebuilds(log), expected) << c.why;
    EXPECT_EQ(result, c.rebuilds.empty() ? 0 : 1) << c.why;
    // Objects that were not rebuilt keep their geometry.
    for (int i = 0; i < document.ObjectCount(); ++i) {
        bool rebuilt = false;
        for (auto [source, clone] : c.rebuilds) rebuilt |= clone == i;
        if (!rebuilt && document.GetObject(i)) {
            EXPECT_EQ(testing::PositionBits(*document.GetObject(i)), before[i]) << c.why << ", object " << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Documents, SourceChoiceTest,
    ::testing::Values(
        SourceCase{"of two visible objects named Box, the later is the source",
                   {{"a"}, {"b"}, {"Box"}, {"c"}, {"d"}, {"Box"}, {"e"}, {"vintrax[Box]"}},
                   {{5, 7}}},
        SourceCase{"a hidden object is never the source",
                   {{"a"}, {"b"}, {"Box"}, {"c"}, {"d"}, Hidden("Box"), {"e"}, {"vintrax[Box]"}},
                   {{2, 7}}},
        SourceCase{"clones are rebuilt in ascending index, each from the same source",
                   {{"Box"}, {"x"}, {"x"}, {"vintrax[Box]c"}, {"x"}, {"x"}, {"x"}, {"vintrax[Box]b"}, {"x"},
                    {"vintrax[Box]a"}},
                   {{0, 3}, {0, 7}, {0, 9}}},
        SourceCase{"two clones with the same name are both rebuilt",
                   {{"Box"}, {"vintrax[Box]"}, {"vintrax[Box]"}},
                   {{0, 1}, {0, 2}}},
        SourceCase{"the source name is matched with its letter case", {{"Box"}, {"vintrax[box]"}}, {}},
        SourceCase{"a hidden clone is not rebuilt", {{"Box"}, Hidden("vintrax[Box]")}, {}},
        SourceCase{"a source name only a hidden object bears finds nothing",
                   {Hidden("Box"), {"vintrax[Box]"}}, {}},
        SourceCase{"a clone without a source is skipped, the others are not",
                   {{"vintrax[Nope]"}, {"Box"}, {"vintrax[Box]"}}, {{1, 2}}},
        SourceCase{"the first ']' ends the source name; a clone is never a source",
                   {{"Box"}, {"vintrax[Box"}, {"vintrax[Box]"}, {"vintrax[vintrax[Box]]"}},
                   {{0, 2}, {1, 3}}},
        SourceCase{"empty slots are skipped", {kEmpty, {"Box"}, kEmpty, {"vintrax[Box]"}}, {{1, 3}}},
        SourceCase{"visible objects without clones", {{"Box"}, {"vintrax[Box"}, {"vintrax[]Box"}}, {}}),
    [](const auto& param) { return "Case" + std::to_string(param.index); });

// Installed in place of the host's object count to reach the "negative" branch.
int VINTRAX_CALL NegativeObjectCount(DocumentHandle) { return -1; }

TEST_F(UpdateClonesTest, NoObjectsMeansNoOtherCall) {
    hostsim::Document document;
    document.AddMaterial("vintraxMarker");
    for (const bool negative : {false, true}) {
        if (negative) {
            g_hostFunctions.slots[kHost_MQDoc_GetObjectCount] = reinterpret_cast<HostEntryPoint>(&NegativeObjectCount);
        }
        hostsim::StartCallLog();
        EXPECT_EQ(UpdateClones(document.handle()), 0);
        const auto log = hostsim::StopCallLog();
        // Not even the materials are read.
        EXPECT_EQ(log.size(), negative ? 0u : 1u);
    }
}

TEST_F(UpdateClonesTest, CallsTheHostInTheDocumentedOrder) {
    hostsim::Document document;
    Fill(document, {{"Box"}, kEmpty, Hidden("Hidden"), {"vintrax[Box]"}});
    document.AddMaterial("plain");
    document.AddEmptyMaterialSlot();
    document.AddMaterial("VintraxMarker");
    document.AddMaterial("vintraxMarker");
    const void* doc = document.handle();
    const void* box = hostsim::ToHandle(document.GetObject(0));
    const void* hidden = hostsim::ToHandle(document.GetObject(2));
    const void* clone = hostsim::ToHandle(document.GetObject(3));

    hostsim::StartCallLog();
    EXPECT_EQ(UpdateClones(document.handle()), 1);
    const auto log = hostsim::StopCallLog();

    struct Expected {
        HostOp op;
        const void* target;
        int arg;
    };
    const std::vector<Expected> expected = {
        {HostOp::kDocGetObjectCount, doc, 0},
        {HostOp::kDocGetObject, doc, 0},
        {HostOp::kObjGetVisible, box, 0},
        {HostOp::kObjGetName, box, 64},
        {HostOp::kDocGetObject, doc, 1},  // empty: nothing more is asked
        {HostOp::kDocGetObject, doc, 2},
        {HostOp::kObjGetVisible, hidden, 0},  // hidden: its name is never read
        {HostOp::kDocGetObject, doc, 3},
        {HostOp::kObjGetVisible, clone, 0},
        {HostOp::kObjGetName, clone, 64},
        {HostOp::kDocGetMaterialCount, doc, 0},
        {HostOp::kDocGetMaterial, doc, 0},
        {HostOp::kMatGetName, nullptr, 256},
        {HostOp::kDocGetMaterial, doc, 1},  // empty slot: no name read
        {HostOp::kDocGetMaterial, doc, 2},
        {HostOp::kMatGetName, nullptr, 256},  // a match: material 3 is never asked for
        {HostOp::kDocGetObject, doc, 0},      // the source first,
        {HostOp::kDocGetObject, doc, 3},      // then the clone,
        {HostOp::kObjClone, box, 0},          // then the rebuild
    };
    ASSERT_GE(log.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(log[i].op, expected[i].op) << "call " << i << " is " << hostsim::HostOpName(log[i].op);
        if (expected[i].target) {
            EXPECT_EQ(log[i].target, expected[i].target) << "call " << i;
        }
        EXPECT_EQ(log[i].arg, expected[i].arg) << "call " << i;
    }
}

TEST_F(UpdateClonesTest, ReadsMaterialsEvenWithoutClones) {
    hostsim::Document document;
    Fill(document, {{"Box"}});
    document.AddMaterial("vintraxMarker");
    hostsim::StartCallLog();
    EXPECT_EQ(UpdateClones(document.handle()), 0);
    const auto log = hostsim::StopCallLog();
    EXPECT_EQ(CallsOf(log, HostOp::kDocGetMaterialCount).size(), 1u);
    EXPECT_EQ(CallsOf(log, HostOp::kMatGetName).size(), 1u);
    EXPECT_TRUE(CallsOf(log, HostOp::kObjClone).empty());
}

struct MarkerCase {
    std::vector<std::optional<std::string>> materials;  // nullopt: empty slot
    int expected;
    std::vector<int> asked;  // MQDoc_GetMaterial indexes, in order
};

void PrintTo(const MarkerCase& c, std::ostream* os) { *os << c.materials.size() << " materials"; }

class FindMarkerMaterialTest : public BoundHostTest, public ::testing::WithParamInterface<MarkerCase> {};

TEST_P(FindMarkerMaterialTest, FindsTheFirstMatchAndStops) {
    const MarkerCase& c = GetParam();
    hostsim::Document document;
    for (const auto& name : c.materials) {
        if (name) {
            document.AddMaterial(*name);
        } else {
            document.AddEmptyMaterialSlot();
        }
    }
    hostsim::StartCallLog();
    EXPECT_EQ(FindMarkerMaterial(document.handle()), c.expected);
    const auto log = hostsim::StopCallLog();
    std::vector<int> asked;
    for (const HostCall& call : CallsOf(log, HostOp::kDocGetMaterial)) asked.push_back(call.arg);
    EXPECT_EQ(asked, c.asked);
}

INSTANTIATE_TEST_SUITE_P(
    Materials, FindMarkerMaterialTest,
    ::testing::Values(MarkerCase{{"a", "b", "VINTRAXMARKER", "c", "vintraxMarker"}, 2, {0, 1, 2}},
                      MarkerCase{{std::nullopt, "vintraxMarker"}, 1, {0, 1}},
                      MarkerCase{{"vintraxMarker2", "Marker", "vintraxMarker ", " vintraxMarker"}, -1, {0, 1, 2, 3}},
                      MarkerCase{{}, -1, {}}));

}  // namespace
}  // namespace vintrax

namespace vintrax {
namespace {

// A host that fills the whole name buffer and leaves out the terminating NUL.
MQObj_GetNameProc g_realObjectName = nullptr;
MQMat_GetNameProc g_realMaterialName = nullptr;
void VINTRAX_CALL ObjectNameWithoutNul(ObjectHandle object, char* buffer, int size) {
    g_realObjectName(object, buffer, size);
    for (char* p = buffer + std::strlen(buffer); p < buffer + size; ++p) *p = 'x';
}
void VINTRAX_CALL MaterialNameWithoutNul(MaterialHandle material, char* buffer, int size) {
    g_realMaterialName(material, buffer, size);
    for (char* p = buffer + std::strlen(buffer); p < buffer + size; ++p) *p = 'x';
}

TEST_F(UpdateClonesTest, NamesWithoutTerminatorAreReadWithinTheBuffer) {
    g_realObjectName = reinterpret_cast<MQObj_GetNameProc>(g_hostFunctions.slots[kHost_MQObj_GetName]);
    g_realMaterialName = reinterpret_cast<MQMat_GetNameProc>(g_hostFunctions.slots[kHost_MQMat_GetName]);
    g_hostFunctions.slots[kHost_MQObj_GetName] = reinterpret_cast<HostEntryPoint>(&ObjectNameWithoutNul);
    g_hostFunctions.slots[kHost_MQMat_GetName] = reinterpret_cast<HostEntryPoint>(&MaterialNameWithoutNul);
    hostsim::Document document;
    // Read as "vintrax[Box]xxx…" (64 bytes) and "Boxxx…": a clone without a source.
    Fill(document, {{"Box"}, {"vintrax[Box]"}});
    document.AddMaterial("vintraxMarker");
    EXPECT_EQ(UpdateClones(document.handle()), 0);
    EXPECT_EQ(FindMarkerMaterial(document.handle()), -1);
}

}  // namespace
}  // namespace vintrax
