// vintrax-update: runs the vintrax library's "Update Clones" on an OBJ scene,
// loading the library exactly as the modeller does.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <climits>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "hostsim/plugin_host.h"
#include "tools/vintrax-update/atomic_file.h"
#include "tools/vintrax-update/obj_reader.h"
#include "tools/vintrax-update/obj_writer.h"
#include "tools/vintrax-update/report.h"
#include "tools/vintrax-update/update_run.h"

namespace {

using namespace vintrax;
using namespace vintrax::objtool;

constexpr int kExitOk = 0;
constexpr int kExitOutOfDate = 1;
constexpr int kExitFailure = 2;

#if defined(_WIN32)
constexpr const char* kLibraryFileName = "vintrax.dll";
#else
constexpr const char* kLibraryFileName = "vintrax.so";
#endif

std::string ExecutableFolder(const char* argv0) {
    std::string path;
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer);
    path = n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string(argv0);
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

// The library installed beside the tool, else the one this build made.
std::string DefaultLibrary(const char* argv0) {
    const std::string beside = ExecutableFolder(argv0) + "/" + kLibraryFileName;
    if (::access(beside.c_str(), R_OK) == 0) return beside;
    return VINTRAX_BUILD_TREE_PLUGIN;
}

int Fail(const std::string& message) {
    std::cerr << "vintrax-update: " << message << "\n";
    return kExitFailure;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Rebuilds every clone in an OBJ scene from its source with the vintrax library, as the\n"
                 "modeller's \"Update Clones\" command does, and writes the scene back. The report goes\n"
                 "to standard error.\n\n"
                 "Exit status: 0 done (or --check: all clones up to date), 1 --check: some clone\n"
                 "would change, 2 bad usage, bad input, library not loaded or failed write.",
                 "vintrax-update"};
    std::string input;
    std::string output;
    std::string library;
    std::string reportFormat = "text";
    bool inPlace = false;
    bool check = false;
    bool quiet = false;
    app.add_option("INPUT", input, "OBJ file to update, or - for standard input")->required();
    CLI::Option* outputOption =
        app.add_option("-o,--output", output, "Write the updated scene to FILE (default: standard output)")
            ->type_name("FILE");
    CLI::Option* inPlaceOption = app.add_flag("--in-place", inPlace, "Replace INPUT with the updated scene");
    CLI::Option* checkOption =
        app.add_flag("--check", check, "Write no scene; exit 1 when some clone is not up to date");
    app.add_option("--plugin", library,
                   std::string("The vintrax library to load (default: ") + kLibraryFileName + " beside this tool)")
        ->type_name("PATH");
    app.add_option("--report", reportFormat, "Report format: text or json")
        ->check(CLI::IsMember({"text", "json"}))
        ->type_name("FORMAT");
    app.add_flag("-q,--quiet", quiet, "No text report (errors are still shown)");
    app.set_version_flag("--version", std::string("vintrax-update ") + VINTRAX_VERSION);
    outputOption->excludes(inPlaceOption);
    checkOption->excludes(outputOption)->excludes(inPlaceOption);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return app.exit(error) == 0 ? kExitOk : kExitFailure;
    }
    if (inPlace && input == "-") return Fail("--in-place needs an input file, not standard input");

    // A closed pipe on standard output is a failed write, reported like any other.
    std::signal(SIGPIPE, SIG_IGN);

    try {
        const std::string displayName = input == "-" ? "<stdin>" : input;
        ObjScene scene = ReadObj(ReadInput(input), displayName);

        if (library.empty()) library = DefaultLibrary(argv[0]);
        std::string error;
        const std::unique_ptr<hostsim::PluginHost> host = hostsim::PluginHost::Open(library, &error);
        if (!host) return Fail(error);

        const UpdateOutcome outcome = RunUpdate(*host, scene);
        const std::vector<CloneLine> lines = DescribeClones(*scene.document, outcome);
        bool anyChange = false;
        for (const bool changed : outcome.changed) anyChange = anyChange || changed;

        if (!check) {
            // Objects the library rebuilt into exactly what they were keep their text.
            if (inPlace || (!output.empty() && output != "-")) {
                AtomicFile file(inPlace ? input : output);
                WriteObj(scene, outcome.changed, file);
                file.Commit();
            } else {
                DescriptorSink standardOutput(STDOUT_FILENO, "standard output");
                WriteObj(scene, outcome.changed, standardOutput);
            }
        }

        if (reportFormat == "json") {
            std::cerr << FormatJsonReport(lines, check);
        } else if (!quiet) {
            std::cerr << FormatTextReport(lines, check);
        }
        return check && anyChange ? kExitOutOfDate : kExitOk;
    } catch (const ObjError& error) {
        return Fail(error.what());
    } catch (const FileError& error) {
        return Fail(error.what());
    } catch (const std::bad_alloc&) {
        return Fail("out of memory");
    } catch (const std::exception& error) {
        // Anything else is still a failure the caller must see as one, never an abort.
        return Fail(error.what());
    }
}
