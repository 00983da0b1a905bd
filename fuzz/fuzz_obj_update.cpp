// The tool's whole update path in one process, on arbitrary bytes as an OBJ
// file: read, run the command, write the changed clones, read the result back.
// Only here does the writer meet objects whose vertex count changed, so only
// here are later face lines renumbered and pools referenced from afar. The
// output must be a file the reader accepts and that holds exactly the updated
// document, whatever the update did.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "clones/clones.h"
#include "fuzz/fuzz_obj_document.h"
#include "host/host_function_table.h"
#include "tools/vintrax-update/obj_reader.h"
#include "tools/vintrax-update/obj_writer.h"
#include "tools/vintrax-update/update_run.h"

namespace {

using vintrax::hostsim::Object;
using vintrax::objtool::ObjError;
using vintrax::objtool::ObjScene;
using vintrax::objtool::ReadObj;
using vintrax::objtool::SameGeometry;
using vintrax::objtool::StringSink;
using vintrax::objtool::WriteObj;
using vintrax::objtool::fuzzing::SameObject;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool bound = vintrax::BindHostFunctions(vintrax::hostsim::HostModulePath().c_str()) == 1;
    if (!bound) std::abort();

    ObjScene scene;
    try {
        scene = ReadObj(std::string(reinterpret_cast<const char*>(data), size), "in.obj");
    } catch (const ObjError&) {
        return 0;  // rejections are the round-trip target's business
    }
    const int count = scene.document->ObjectCount();
    std::vector<std::unique_ptr<Object>> before;
    for (int i = 0; i < count; ++i) before.push_back(scene.document->GetObject(i)->Clone());

    const int result = vintrax::UpdateClones(scene.document->handle());
    if (result != 0 && result != 1) std::abort();
    if (vintrax::hostsim::LiveFreeObjects() != 0) std::abort();

    // As the tool does: only objects whose geometry changed are written anew.
    std::vector<bool> changed(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) changed[i] = !SameGeometry(*before[i], *scene.document->GetObject(i));

    StringSink written;
    WriteObj(scene, changed, written);
    ObjScene again;
    try {
        again = ReadObj(written.text, "out.obj");
    } catch (const ObjError&) {
        std::abort();
    }
    if (again.document->ObjectCount() != count || again.texcoordCount != scene.texcoordCount ||
        again.normalCount != scene.normalCount)
        std::abort();
    for (int i = 0; i < count; ++i) {
        // A file has no holes: compare with the object as compacted.
        const std::unique_ptr<Object> updated = scene.document->GetObject(i)->Clone();
        updated->Compact();
        if (!SameObject(scene, *updated, again, *again.document->GetObject(i))) std::abort();
    }
    return 0;
}
