#pragma once

#include <string>

#include "tools/vintrax-update/obj_scene.h"

namespace vintrax::objtool {

// Builds the document from the whole text of an OBJ file, in one pass. `path` is
// only used in messages. Throws ObjError naming the line on anything it cannot
// carry through unchanged.
ObjScene ReadObj(std::string text, std::string path);

}  // namespace vintrax::objtool
