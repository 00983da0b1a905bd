// The built vintrax.dll as a 32-bit Windows host process meets it: float32
// arithmetic without x87 excess precision, a host's own SSE control state,
// entry with a stack aligned to 4 bytes only, and the loader's notifications.
// This executable is the host: it links the stand-in host statically and
// exports the 140 host functions itself.
#include <windows.h>
#include <xmmintrin.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "hostsim/document.h"
#include "hostsim/plugin_host.h"
#include "tests/support/scenes.h"

// Calls fn(a, b) (cdecl) so that ESP at fn's first instruction is
// `entryOffset` modulo 16; `drop` is (4 - entryOffset) mod 16, the bytes to
// take off a 16-byte aligned stack before the two arguments and the return
// address go on.
extern "C" std::uintptr_t vintrax_call_at_stack_offset(void* fn, std::uintptr_t a, std::uintptr_t b,
                                                        std::uintptr_t drop);
// Returns ESP as it was on entry, i.e. pointing at the return address.
extern "C" std::uintptr_t vintrax_entry_stack_pointer(void);

__asm__(
    ".text\n"
    ".globl _vintrax_call_at_stack_offset\n"
    "_vintrax_call_at_stack_offset:\n"
    "    pushl %ebp\n"
    "    movl %esp, %ebp\n"
    "    andl $-16, %esp\n"
    "    subl 20(%ebp), %esp\n"
    "    pushl 16(%ebp)\n"
    "    pushl 12(%ebp)\n"
    "    call *8(%ebp)\n"
    "    movl %ebp, %esp\n"
    "    popl %ebp\n"
    "    ret\n"
    ".globl _vintrax_entry_stack_pointer\n"
    "_vintrax_entry_stack_pointer:\n"
    "    movl %esp, %eax\n"
    "    ret\n");

namespace {

using vintrax::hostsim::Document;
using vintrax::hostsim::Object;
using vintrax::hostsim::PluginHost;
using vintrax::testing::AddMesh;
using vintrax::testing::Bits;
using vintrax::testing::PositionBits;

constexpr char kPluginPath[] = VINTRAX_PLUGIN_PATH;
constexpr int kMarker = 0;

constexpr unsigned kDefaultMxcsr = 0x1F80;  // round to nearest, all exceptions masked
constexpr unsigned kExceptionMasks = 0x1F80;
constexpr unsigned kFlushToZero = 0x8000;
constexpr unsigned kDenormalsAreZero = 0x0040;
constexpr unsigned kRoundDown = 0x2000;
constexpr unsigned kRoundUp = 0x4000;
constexpr unsigned kRoundToZero = 0x6000;
constexpr unsigned kInvalidMask = 0x0080;
constexpr unsigned kDivideByZeroMask = 0x0200;
constexpr unsigned kOverflowMask = 0x0400;

std::unique_ptr<PluginHost> OpenPlugin() {
    std::string error;
    std::unique_ptr<PluginHost> host = PluginHost::Open(kPluginPath, &error);
    EXPECT_NE(host, nullptr) << error;
    return host;
}

// One float32 operation each, rounded in whatever state MXCSR is in: volatile
// operands keep the compiler from folding them at build time in its own mode.
float Add(float a, float b) {
    volatile float x = a;
    volatile float y = b;
    return x + y;
}
float Sub(float a, float b) {
    volatile float x = a;
    volatile float y = b;
    return x - y;
}
float Mul(float a, float b) {
    volatile float x = a;
    volatile float y = b;
    return x * y;
}
float Div(float a, float b) {
    volatile float x = a;
    volatile float y = b;
    return x / y;
}

Point3 BoxCentre(Point3 lo, Point3 hi) {
    return {Mul(Add(hi.x, lo.x), 0.5f), Mul(Add(hi.y, lo.y), 0.5f), Mul(Add(hi.z, lo.z), 0.5f)};
}

// The marker centroid of distinct vertices listed in ascending index.
Point3 Centroid(const std::vector<Point3>& points) {
    Point3 sum = {0.0f, 0.0f, 0.0f};
    for (const Point3& p : points) sum = {Add(p.x, sum.x), Add(p.y, sum.y), Add(p.z, sum.z)};
    const float count = static_cast<float>(points.size());
    return {Div(sum.x, count), Div(sum.y, count), Div(sum.z, count)};
}

std::vector<std::uint32_t> Placed(const std::vector<Point3>& points, Point3 from, Point3 to) {
    std::vector<std::uint32_t> bits;
    for (const Point3& p : points) {
        bits.push_back(Bits(Add(Sub(p.x, from.x), to.x)));
        bits.push_back(Bits(Add(Sub(p.y, from.y), to.y)));
        bits.push_back(Bits(Add(Sub(p.z, from.z), to.z)));
    }
    return bits;
}

// Overflow: the x extent of both boxes sums past FLT_MAX, so both box centres
// are +inf in float32 while an 80-bit x87 sum would halve back to 3.1e38. One
// clone is small (x lands on -inf), one is as large as the source (inf - inf).
const std::vector<Point3> kHugeSource = {{3e38f, 0, 0}, {3.2e38f, 1, 0}, {3e38f, 0, 1}};
const std::vector<Point3> kSmallClone = {{1, 0, 0}, {2, 1, 0}, {1, 0, 1}};
const std::vector<Point3> kHugeClone = {{3e38f, 4, 0}, {3.2e38f, 5, 0}, {3e38f, 4, 1}};

struct OverflowScene {
    Document document;
    Object* small;
    Object* huge;
};

std::unique_ptr<OverflowScene> MakeOverflowScene() {
    auto scene = std::make_unique<OverflowScene>();
    AddMesh(scene->document, "Big", {kHugeSource[0], kHugeSource[1], kHugeSource[2]}, {{{0, 1, 2}}});
    scene->small = &AddMesh(scene->document, "vintrax[Big]", {kSmallClone[0], kSmallClone[1], kSmallClone[2]},
                            {{{0, 1, 2}}});
    scene->huge = &AddMesh(scene->document, "vintrax[Big]", {kHugeClone[0], kHugeClone[1], kHugeClone[2]},
                           {{{0, 1, 2}}});
    return scene;
}

Point3 HugeSourceCentre() { return BoxCentre({3e38f, 0, 0}, {3.2e38f, 1, 1}); }
std::vector<std::uint32_t> ExpectedSmallClone() {
    return Placed(kHugeSource, HugeSourceCentre(), BoxCentre({1, 0, 0}, {2, 1, 1}));
}
std::vector<std::uint32_t> ExpectedHugeClone() {
    return Placed(kHugeSource, HugeSourceCentre(), BoxCentre({3e38f, 4, 0}, {3.2e38f, 5, 1}));
}

TEST(Float32, AnchorOverflowsToInfinityAsInIeeeSingle) {
    // The case only tells the two apart because x87's wider range keeps the sum.
    volatile long double hi = 3.2e38f;
    volatile long double lo = 3e38f;
    const long double wideCentre = (hi + lo) * 0.5L;
    ASSERT_TRUE(std::isfinite(static_cast<float>(wideCentre)));
    ASSERT_EQ(Bits(HugeSourceCentre().x), 0x7F800000u);

    auto host = OpenPlugin();
    ASSERT_NE(host, nullptr);
    auto scene = MakeOverflowScene();
    ASSERT_EQ(host->Run(0, scene->document), 1);

    const std::vector<std::uint32_t> small = PositionBits(*scene->small);
    const std::vector<std::uint32_t> huge = PositionBits(*scene->huge);
    EXPECT_EQ(small, ExpectedSmallClone());
    EXPECT_EQ(huge, ExpectedHugeClone());
    // finite - inf + finite, and finite - inf + inf: SSE's -inf and default NaN.
    ASSERT_EQ(small.size(), 9u);
    ASSERT_EQ(huge.size(), 9u);
    EXPECT_EQ(small[0], 0xFF800000u);
    EXPECT_EQ(huge[0], 0xFFC00000u);
}

// Denormals and inexact divisions: marker centroids whose x lies in the
// denormal range (zero under DAZ, results flushed under FTZ) and whose y sums
// (5 and 1, each over 3) round one way to nearest and the other way toward
// +inf or toward zero.
const std::vector<Point3> kTinySource = {{1e-40f, 1, 0}, {3e-40f, 2, 0}, {0, 2, 0}};
const std::vector<Point3> kTinyClone = {{5e-40f, 1, 0}, {9e-40f, 0, 0}, {0, 0, 1}};

struct TinyScene {
    Document document;
    Object* clone;
};

std::unique_ptr<TinyScene> MakeTinyScene() {
    auto scene = std::make_unique<TinyScene>();
    scene->document.AddMaterial("vintraxMarker");
    AddMesh(scene->document, "Seed", {kTinySource[0], kTinySource[1], kTinySource[2]}, {{{0, 1, 2}, kMarker}});
    scene->clone = &AddMesh(scene->document, "vintrax[Seed]", {kTinyClone[0], kTinyClone[1], kTinyClone[2]},
                            {{{0, 1, 2}, kMarker}});
    return scene;
}

// The clone's expected bits as this process computes them under `mxcsr`.
std::vector<std::uint32_t> ExpectedTinyClone(unsigned mxcsr) {
    const unsigned saved = _mm_getcsr();
    _mm_setcsr(mxcsr);
    std::vector<std::uint32_t> bits = Placed(kTinySource, Centroid(kTinySource), Centroid(kTinyClone));
    _mm_setcsr(saved);
    return bits;
}

// Runs the command with MXCSR = `mxcsr` around nothing but the call, and
// returns MXCSR as the call left it.
__attribute__((noinline)) unsigned RunUnderMxcsr(const PluginHost& host, Document& document, unsigned mxcsr,
                                                 int* result) {
    const DocumentHandle handle = document.handle();
    const unsigned saved = _mm_getcsr();
    _mm_setcsr(mxcsr);
    const int r = host.modifyObject(0, handle);
    const unsigned after = _mm_getcsr();
    _mm_setcsr(saved);
    *result = r;
    return after;
}

TEST(HostFloatState, CommandUsesItsOwnSseModeAndRestoresTheHosts) {
    struct Case {
        const char* what;
        unsigned mxcsr;
    };
    const Case cases[] = {
        {"flush-to-zero and denormals-are-zero", kDefaultMxcsr | kFlushToZero | kDenormalsAreZero},
        {"flush-to-zero only", kDefaultMxcsr | kFlushToZero},
        {"round toward zero", kDefaultMxcsr | kRoundToZero},
        {"round down", kDefaultMxcsr | kRoundDown},
        {"round up", kDefaultMxcsr | kRoundUp},
        {"all of FTZ, DAZ and round up", kDefaultMxcsr | kFlushToZero | kDenormalsAreZero | kRoundUp},
        {"sticky exception flags already set", kDefaultMxcsr | 0x3F},
        // Overflow and inf - inf would trap if the command ran with these unmasked,
        // ending the process (this GoogleTest cannot catch it): last, so the cases
        // above have reported by then.
        {"invalid, divide-by-zero and overflow unmasked",
         kDefaultMxcsr & ~(kInvalidMask | kDivideByZeroMask | kOverflowMask)},
    };
    auto host = OpenPlugin();
    ASSERT_NE(host, nullptr);
    const std::vector<std::uint32_t> expectedTiny = ExpectedTinyClone(kDefaultMxcsr);

    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if ((c.mxcsr & kExceptionMasks) == kExceptionMasks && (c.mxcsr & 0x3F) == 0) {
            // The document must be one the mode would change, or the case proves nothing.
            EXPECT_NE(ExpectedTinyClone(c.mxcsr), expectedTiny);
        }

        auto tiny = MakeTinyScene();
        int result = 0;
        EXPECT_EQ(RunUnderMxcsr(*host, tiny->document, c.mxcsr, &result), c.mxcsr);
        EXPECT_EQ(result, 1);
        EXPECT_EQ(PositionBits(*tiny->clone), expectedTiny);

        auto overflow = MakeOverflowScene();
        EXPECT_EQ(RunUnderMxcsr(*host, overflow->document, c.mxcsr, &result), c.mxcsr);
        EXPECT_EQ(result, 1);
        EXPECT_EQ(PositionBits(*overflow->small), ExpectedSmallClone());
        EXPECT_EQ(PositionBits(*overflow->huge), ExpectedHugeClone());
    }
}

constexpr std::uintptr_t kEntryOffsets[] = {0, 4, 8, 12};

std::uintptr_t DropFor(std::uintptr_t entryOffset) { return (4 - entryOffset) & 15; }

std::uintptr_t CallAtOffset(void* fn, std::uintptr_t entryOffset, std::uintptr_t a, std::uintptr_t b) {
    return vintrax_call_at_stack_offset(fn, a, b, DropFor(entryOffset));
}

TEST(MisalignedStack, TrampolineEntersWithTheRequestedAlignment) {
    for (const std::uintptr_t offset : kEntryOffsets) {
        const std::uintptr_t esp =
            CallAtOffset(reinterpret_cast<void*>(&vintrax_entry_stack_pointer), offset, 0, 0);
        EXPECT_EQ(esp % 16, offset);
    }
}

TEST(MisalignedStack, ExportsGiveTheSameResultsWhateverTheEntryAlignment) {
    auto host = OpenPlugin();
    ASSERT_NE(host, nullptr);
    const std::string hostModule = vintrax::hostsim::HostModulePath();
    void* const init = reinterpret_cast<void*>(host->init);
    void* const modify = reinterpret_cast<void*>(host->modifyObject);

    for (const std::uintptr_t offset : kEntryOffsets) {
        SCOPED_TRACE("ESP mod 16 on entry: " + std::to_string(offset));
        EXPECT_EQ(CallAtOffset(init, offset, reinterpret_cast<std::uintptr_t>(hostModule.c_str()), 0), 1u);

        // Marker centroids: ordered sets, vectors and SSE division on the plug-in's stack.
        auto tiny = MakeTinyScene();
        EXPECT_EQ(CallAtOffset(modify, offset, 0, reinterpret_cast<std::uintptr_t>(tiny->document.handle())), 1u);
        EXPECT_EQ(PositionBits(*tiny->clone), ExpectedTinyClone(kDefaultMxcsr));

        // Bounding boxes, several clones of one source.
        auto overflow = MakeOverflowScene();
        EXPECT_EQ(CallAtOffset(modify, offset, 0, reinterpret_cast<std::uintptr_t>(overflow->document.handle())),
                  1u);
        EXPECT_EQ(PositionBits(*overflow->small), ExpectedSmallClone());
        EXPECT_EQ(PositionBits(*overflow->huge), ExpectedHugeClone());
    }
}

// A fresh load must start unbound (the command refuses to run before MQInit)
// and work once bound, so each load really starts from the DLL's initial state.
void ExpectFreshLoadWorks() {
    std::string error;
    std::unique_ptr<PluginHost> host = PluginHost::Load(kPluginPath, &error);
    ASSERT_NE(host, nullptr) << error;
    auto scene = MakeTinyScene();
    const std::vector<std::uint32_t> before = PositionBits(*scene->clone);
    EXPECT_EQ(host->Run(0, scene->document), 0);
    EXPECT_EQ(PositionBits(*scene->clone), before);

    ASSERT_EQ(host->init(vintrax::hostsim::HostModulePath().c_str()), 1);
    EXPECT_EQ(host->Run(0, scene->document), 1);
    EXPECT_EQ(PositionBits(*scene->clone), ExpectedTinyClone(kDefaultMxcsr));
}

bool PluginIsLoaded() { return GetModuleHandleA("vintrax.dll") != nullptr; }

TEST(LoaderNotifications, RepeatedLoadAndUnloadStartsFreshEachTime) {
    ASSERT_FALSE(PluginIsLoaded());
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        ExpectFreshLoadWorks();
        // Nothing pins the DLL: the host can unload and reload it.
        EXPECT_FALSE(PluginIsLoaded());
    }
}

struct ThreadWork {
    HANDLE release = nullptr;  // when set, the thread waits for this first
    PluginHost* host = nullptr;  // when set, the thread runs the command
    std::vector<std::uint32_t> bits;
    int result = -1;
};

DWORD WINAPI ThreadMain(LPVOID parameter) {
    auto* work = static_cast<ThreadWork*>(parameter);
    if (work->release != nullptr) WaitForSingleObject(work->release, INFINITE);
    if (work->host != nullptr) {
        auto scene = MakeTinyScene();
        work->result = work->host->Run(0, scene->document);
        work->bits = PositionBits(*scene->clone);
    }
    return 0;
}

HANDLE StartThread(ThreadWork* work) { return CreateThread(nullptr, 0, &ThreadMain, work, 0, nullptr); }

void Join(HANDLE thread) {
    ASSERT_NE(thread, nullptr);
    EXPECT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
    CloseHandle(thread);
}

TEST(LoaderNotifications, ThreadsComingAndGoingLeaveTheDllUsable) {
    const std::vector<std::uint32_t> expected = ExpectedTinyClone(kDefaultMxcsr);
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(release, nullptr);

    // Started before the load, so it ends with a detach it never had an attach for.
    ThreadWork olderThanLoad{release, nullptr, {}, -1};
    HANDLE older = StartThread(&olderThanLoad);

    auto host = OpenPlugin();
    ASSERT_NE(host, nullptr);

    // Attached and detached while loaded, running the command on its own document.
    ThreadWork worker{nullptr, host.get(), {}, -1};
    Join(StartThread(&worker));
    EXPECT_EQ(worker.result, 1);
    EXPECT_EQ(worker.bits, expected);

    // Attached while loaded, still running when the DLL goes away.
    ThreadWork outlivesLoad{release, nullptr, {}, -1};
    HANDLE outlives = StartThread(&outlivesLoad);

    // A second reference taken and given back meanwhile must not unload it.
    HMODULE second = LoadLibraryA(kPluginPath);
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(FreeLibrary(second));
    auto scene = MakeTinyScene();
    EXPECT_EQ(host->Run(0, scene->document), 1);
    EXPECT_EQ(PositionBits(*scene->clone), expected);

    host.reset();
    EXPECT_FALSE(PluginIsLoaded());
    SetEvent(release);
    Join(older);
    Join(outlives);
    CloseHandle(release);

    ExpectFreshLoadWorks();
}

}  // namespace
