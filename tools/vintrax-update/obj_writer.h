#pragma once

#include <vector>

#include "tools/vintrax-update/byte_sink.h"
#include "tools/vintrax-update/obj_scene.h"

namespace vintrax::objtool {

// Writes the scene back as OBJ. Sections of objects whose fromDocument entry is
// false (or missing) are copied from the input text byte for byte, face lines
// aside when vertices earlier in the file changed number: those get their
// positive vertex indexes shifted and nothing else. Objects marked true are
// written from the document: their comments, vt, vn and mtllib lines stay in
// place, their v and f lines are written anew (with usemtl, g and s lines as the
// faces need them), and the usemtl/g/s state after them is what it was in the
// input, so later lines mean what they meant.
// Throws ObjError, before writing anything, when the document holds something
// this file cannot say (a material or face state it does not have).
void WriteObj(const ObjScene& scene, const std::vector<bool>& fromDocument, ByteSink& sink);

}  // namespace vintrax::objtool
