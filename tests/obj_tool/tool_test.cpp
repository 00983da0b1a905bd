// The tool as a user runs it: a separate process, loading the library file the
// build made, reading and writing real files.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tools/vintrax-update/obj_reader.h"

namespace vintrax::objtool {
namespace {

namespace fs = std::filesystem;

struct ToolRun {
    int status = -1;  // exit status, or 128 + signal
    std::string out;
    std::string err;
};

std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void Put(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// A source with a marker quad centred on (1, 1, 0), and two clones: one with a
// marker quad centred on (11, 1, 0), one without marker faces (its usemtl line
// keeps it from inheriting the marker) whose used bounding box is centred on
// (0, 0, 20). Every translation is exact in float.
const std::string kScene =
    "mtllib scene.mtl\n"
    "o s\nv 0 0 0\nv 2 0 0\nv 2 2 0\nv 0 2 0\nv 1 1 4\nvt 0.5 0.5\n"
    "usemtl vintraxMarker\nf 1/1 2/1 3/1 4/1\nusemtl body\nf 1 2 5\nf 2 3 5\n"
    "o vintrax[s] a\nv 10 0 0\nv 12 0 0\nv 12 2 0\nv 10 2 0\nusemtl vintraxMarker\nf 6 7 8 9\n"
    "o vintrax[s] b\nv -1 -1 18\nv 1 1 22\nv 1 -1 18\nusemtl body\nf 10 11 12\n"
    "o tail\nv 7 7 7\nv 7 8 7\nv 8 7 7\nf 13 14 15\n";

// kScene after the update, as the tool must write it.
const std::string kUpdated =
    "mtllib scene.mtl\n"
    "o s\nv 0 0 0\nv 2 0 0\nv 2 2 0\nv 0 2 0\nv 1 1 4\nvt 0.5 0.5\n"
    "usemtl vintraxMarker\nf 1/1 2/1 3/1 4/1\nusemtl body\nf 1 2 5\nf 2 3 5\n"
    "o vintrax[s] a\nv 10 0 0\nv 12 0 0\nv 12 2 0\nv 10 2 0\nv 11 1 4\n"
    "usemtl vintraxMarker\nf 6/1 7/1 8/1 9/1\nusemtl body\nf 6 7 10\nf 7 8 10\nusemtl vintraxMarker\n"
    "o vintrax[s] b\nv -1 -1 18\nv 1 -1 18\nv 1 1 18\nv -1 1 18\nv 0 0 22\n"
    "f 11/1 12/1 13/1 14/1\nusemtl body\nf 11 12 15\nf 12 13 15\n"
    "o tail\nv 7 7 7\nv 7 8 7\nv 8 7 7\nf 16 17 18\n";

class ToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "vintrax-update-test-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        std::error_code ignored;
        fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(dir_, ignored);
    }

    fs::path File(const std::string& name, const std::string& text) {
        const fs::path path = dir_ / name;
        Put(path, text);
        return path;
    }

    // Runs the tool with `args`; `fileSizeLimit` > 0 makes every write past
    // that many bytes fail, as on a full disk.
    ToolRun Tool(const std::vector<std::string>& args, const std::string& input = "", long fileSizeLimit = 0) {
        const fs::path in = dir_ / ".stdin";
        const fs::path out = dir_ / ".stdout";
        const fs::path err = dir_ / ".stderr";
        Put(in, input);
        const pid_t child = ::fork();
        if (child == 0) {
            const int i = ::open(in.c_str(), O_RDONLY);
            const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            if (i < 0 || o < 0 || e < 0 || ::dup2(i, 0) < 0 || ::dup2(o, 1) < 0 || ::dup2(e, 2) < 0) ::_exit(127);
            if (fileSizeLimit > 0) {
                const rlimit limit{static_cast<rlim_t>(fileSizeLimit), static_cast<rlim_t>(fileSizeLimit)};
                ::setrlimit(RLIMIT_FSIZE, &limit);
                std::signal(SIGXFSZ, SIG_IGN);  // stays ignored across exec: writes fail with EFBIG
            }
            std::vector<char*> argv;
            std::string tool = VINTRAX_UPDATE_TOOL;
            argv.push_back(tool.data());
            std::vector<std::string> copies = args;
            for (std::string& arg : copies) argv.push_back(arg.data());
            argv.push_back(nullptr);
            ::execv(tool.c_str(), argv.data());
            ::_exit(127);
        }
        ToolRun run;
        int status = 0;
        if (child < 0 || ::waitpid(child, &status, 0) != child) return run;
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        run.out = Slurp(out);
        run.err = Slurp(err);
        fs::remove(in);
        fs::remove(out);
        fs::remove(err);
        return run;
    }

    // Files in the test folder: after a failure, no temporary file may be left.
    std::vector<std::string> Listing() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_)) names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path dir_;
};

const std::string kLibrary = VINTRAX_LIBRARY;

TEST_F(ToolTest, UpdatesThroughTheLibraryFileWithOnlyTheClonesChanged) {
    const fs::path scene = File("scene.obj", kScene);
    const ToolRun run = Tool({"--plugin", kLibrary, scene.string()});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, kUpdated);
    EXPECT_EQ(Slurp(scene), kScene);

    // The written positions are the library's own results, bit for bit.
    const ObjScene back = ReadObj(run.out, "out.obj");
    const hostsim::Object& source = *back.document->GetObject(0);
    const hostsim::Object& clone = *back.document->GetObject(1);
    ASSERT_EQ(clone.VertexCount(), source.VertexCount());
    for (int v = 0; v < source.VertexCount(); ++v) {
        const Point3 s = source.Vertex(v);
        const Point3 c = clone.Vertex(v);
        EXPECT_EQ(std::bit_cast<std::uint32_t>(c.x), std::bit_cast<std::uint32_t>(s.x + 10.0f)) << v;
        EXPECT_EQ(std::bit_cast<std::uint32_t>(c.y), std::bit_cast<std::uint32_t>(s.y)) << v;
    }
}

TEST_F(ToolTest, AnUpdatedSceneIsUpToDateAndUpdatesToItself) {
    const fs::path scene = File("scene.obj", kUpdated);
    const ToolRun check = Tool({"--check", "--plugin", kLibrary, scene.string()});
    EXPECT_EQ(check.status, 0) << check.err;
    EXPECT_NE(check.err.find("\"vintrax[s] a\" (object 1): up to date with \"s\" (object 0)"), std::string::npos) << check.err;
    EXPECT_EQ(check.out, "");

    const ToolRun again = Tool({"--plugin", kLibrary, scene.string()});
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(again.out, kUpdated);
}

TEST_F(ToolTest, CheckNamesTheClonesThatWouldChangeAndWritesNothing) {
    const fs::path scene = File("scene.obj", kScene);
    const ToolRun run = Tool({"--check", "--plugin", kLibrary, scene.string()});
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("\"vintrax[s] a\" (object 1): out of date; rebuilding from \"s\" (object 0) gives 5 vertices, "
                           "3 faces, moved by (10, 0, 0)"),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("\"vintrax[s] b\" (object 2): out of date"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("check: 2 clone(s) out of date, 0 up to date, 0 not rebuilt"), std::string::npos) << run.err;
    EXPECT_EQ(Slurp(scene), kScene);
    EXPECT_EQ(Listing(), std::vector<std::string>{"scene.obj"});
}

TEST_F(ToolTest, ReportsWhyEachCloneNameWasLeftAlone) {
    // A name longer than the 63 bytes the library sees, whose "]" lies beyond them.
    const std::string longName = "vintrax[" + std::string(60, 'x') + "]";
    const fs::path scene = File("scene.obj", "o arm\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n"
                                             "o vintrax[Arm] typo\no VINTRAX[arm\no vintrax[]empty\no vintrax[nothing]\n"
                                             "o " + longName + "\no vintrax[arm] fine\n");
    struct Expect {
        const char* why;
        std::string line;
    };
    const Expect expected[] = {
        {"letter case differs: suggest the real name",
         "\"vintrax[Arm] typo\" (object 1): not rebuilt: no visible object is named exactly \"Arm\" (did you mean \"arm\"?)"},
        {"prefix case does not matter, the missing ] does",
         "\"VINTRAX[arm\" (object 2): not rebuilt: no \"]\" closes the source name"},
        {"empty source name", "\"vintrax[]empty\" (object 3): not rebuilt: the source name is empty"},
        {"no object of that name and no near miss",
         "\"vintrax[nothing]\" (object 4): not rebuilt: no visible object is named exactly \"nothing\"\n"},
        {"cut short by the host", "the name is 69 bytes long and the library sees only its first 63"},
        {"the one real clone", "\"vintrax[arm] fine\" (object 6): rebuilt from \"arm\" (object 0): 3 vertices, 1 faces, moved by (0, 0, 0)"},
        {"summary", "1 clone(s) rebuilt (1 changed), 5 not rebuilt\n"},
    };
    const ToolRun text = Tool({"--plugin", kLibrary, "-o", (dir_ / "out.obj").string(), scene.string()});
    EXPECT_EQ(text.status, 0) << text.err;
    for (const Expect& e : expected) EXPECT_NE(text.err.find(e.line), std::string::npos) << e.why << "\n" << text.err;

    const ToolRun json = Tool({"--plugin", kLibrary, "--report=json", "-o", (dir_ / "out.obj").string(), scene.string()});
    EXPECT_EQ(json.status, 0) << json.err;
    for (const char* part : {"\"status\":\"no_source\"", "\"suggestion\":\"arm\"", "\"status\":\"no_closing_bracket\"",
                             "\"status\":\"empty_source_name\"", "\"name_cut_short\":true", "\"status\":\"rebuilt\"",
                             "\"translation\":[0,0,0]", "\"summary\":{\"rebuilt\":1,\"changed\":1,\"not_rebuilt\":5}"}) {
        EXPECT_NE(json.err.find(part), std::string::npos) << part << "\n" << json.err;
    }

    const ToolRun quiet = Tool({"--plugin", kLibrary, "-q", "-o", (dir_ / "out.obj").string(), scene.string()});
    EXPECT_EQ(quiet.status, 0);
    EXPECT_EQ(quiet.err, "");
}

TEST_F(ToolTest, ReadsStandardInputAndFindsTheLibraryBesideItself) {
    const ToolRun run = Tool({"-"}, kScene);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, kUpdated);
}

TEST_F(ToolTest, InPlaceKeepsPermissionsAndWritesThroughLinks) {
    const fs::path scene = File("scene.obj", kScene);
    fs::permissions(scene, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    const fs::path link = dir_ / "link.obj";
    fs::create_symlink(scene.filename(), link);

    const ToolRun run = Tool({"--plugin", kLibrary, "--in-place", link.string()});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(Slurp(scene), kUpdated);
    EXPECT_EQ(fs::status(scene).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(Listing(), (std::vector<std::string>{"link.obj", "scene.obj"}));
}

TEST_F(ToolTest, AFailedWriteLeavesTheTargetWholeAndNoTemporaryFile) {
    // The disk "fills up" 64 KiB into the new file. The limit holds for every
    // file the tool writes, its standard error too: the message must fit.
    const std::string large = kScene + "# " + std::string(100000, 'x') + "\n";
    const fs::path scene = File("scene.obj", large);
    const ToolRun full = Tool({"--plugin", kLibrary, "--in-place", scene.string()}, "", 1 << 16);
    EXPECT_EQ(full.status, 2);
    EXPECT_NE(full.err.find(scene.string()), std::string::npos) << full.err;
    EXPECT_EQ(Slurp(scene), large);
    EXPECT_EQ(Listing(), std::vector<std::string>{"scene.obj"});

    const fs::path folder = dir_ / "folder";
    fs::create_directory(folder);
    const ToolRun ontoFolder = Tool({"--plugin", kLibrary, "-o", folder.string(), scene.string()});
    EXPECT_EQ(ontoFolder.status, 2);
    EXPECT_NE(ontoFolder.err.find(folder.string()), std::string::npos) << ontoFolder.err;

    const ToolRun missingFolder = Tool({"--plugin", kLibrary, "-o", (dir_ / "no" / "out.obj").string(), scene.string()});
    EXPECT_EQ(missingFolder.status, 2);
    EXPECT_NE(missingFolder.err.find("out.obj"), std::string::npos) << missingFolder.err;
    EXPECT_EQ(Listing(), (std::vector<std::string>{"folder", "scene.obj"}));
    EXPECT_TRUE(fs::is_empty(folder));
}

TEST_F(ToolTest, BadUsageAndFailuresExitWithTwoNamingTheCauseAndWriteNothing) {
    const fs::path scene = File("scene.obj", kScene);
    const fs::path bad = File("bad.obj", "o a\nv 0 0 0\nv 1 0 0 zero\n");
    const std::string out = (dir_ / "out.obj").string();
    struct Case {
        const char* why;
        std::vector<std::string> args;
        std::string says;
    };
    const Case cases[] = {
        {"no input", {}, "INPUT"},
        {"unknown option", {"--frobnicate", scene.string()}, "frobnicate"},
        {"two destinations", {"-o", out, "--in-place", scene.string()}, "excludes"},
        {"check writes nothing", {"--check", "-o", out, scene.string()}, "excludes"},
        {"in place on standard input", {"--in-place", "-"}, "standard input"},
        {"unknown report format", {"--report=xml", "-o", out, scene.string()}, "xml"},
        {"missing input", {"-o", out, (dir_ / "missing.obj").string()}, "cannot open " + (dir_ / "missing.obj").string()},
        {"input that is a folder", {"-o", out, dir_.string()}, "directory"},
        {"invalid input, with its line", {"--plugin", kLibrary, "-o", out, bad.string()}, bad.string() + ":3: "},
        {"no such library", {"--plugin", (dir_ / "none.so").string(), "-o", out, scene.string()}, "none.so"},
        {"not a library", {"--plugin", scene.string(), "-o", out, scene.string()}, "cannot load plug-in " + scene.string()},
        {"a library that declines this host", {"--plugin", VINTRAX_REFUSING_LIBRARY, "-o", out, scene.string()},
         "declines host version"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const ToolRun run = Tool(c.args);
        EXPECT_EQ(run.status, 2);
        EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_FALSE(fs::exists(out));
    }
    EXPECT_EQ(Slurp(scene), kScene);
}

TEST_F(ToolTest, HelpAndVersionSucceed) {
    const ToolRun help = Tool({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--in-place"), std::string::npos) << help.out;
    const ToolRun version = Tool({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("vintrax-update ", 0), 0u) << version.out;
}

TEST_F(ToolTest, TheExampleSceneShowsEveryCase) {
    const std::string example = std::string(VINTRAX_EXAMPLES_DIR) + "/robot_arms.obj";
    const ToolRun check = Tool({"--check", "--plugin", kLibrary, example});
    EXPECT_EQ(check.status, 1) << check.err;
    for (const char* part : {"up to date", "out of date", "did you mean \"arm\"?"})
        EXPECT_NE(check.err.find(part), std::string::npos) << part << "\n" << check.err;

    const fs::path updated = File("updated.obj", "");
    ASSERT_EQ(Tool({"--plugin", kLibrary, "-o", updated.string(), example}).status, 0);
    EXPECT_EQ(Tool({"--check", "--plugin", kLibrary, updated.string()}).status, 0);
}

}  // namespace
}  // namespace vintrax::objtool
