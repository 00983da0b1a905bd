#pragma once

#include <vector>

#include "hostsim/plugin_host.h"
#include "tools/vintrax-update/obj_scene.h"

namespace vintrax::objtool {

// What one run of "Update Clones" did to the document, per object index.
struct UpdateOutcome {
    // The library changed the object through the host (merge, vertex edits,
    // deletion, compaction or freezing). The plug-in reports nothing itself: this
    // is how the tool knows which clones it rebuilt.
    std::vector<bool> rebuilt;
    // The object's geometry now differs from what was read, bit for bit.
    std::vector<bool> changed;
};

// Runs the library's "Update Clones" command on the scene's document.
UpdateOutcome RunUpdate(const hostsim::PluginHost& host, ObjScene& scene);

// Same live vertices (positions compared bit for bit) and live faces (corners,
// material, texture coordinate and normal indexes, group/smoothing state), in
// the same order. Deleted slots are not compared.
bool SameGeometry(const hostsim::Object& a, const hostsim::Object& b);

// Indexes of the vertices that are not deleted, ascending.
std::vector<int> LiveVertices(const hostsim::Object& object);

}  // namespace vintrax::objtool
