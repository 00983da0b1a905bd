// An OBJ file held as a stand-in host document, plus what the writer needs to put
// every line it did not change back where it was.
#pragma once

#include <cstddef>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "hostsim/document.h"

namespace vintrax::objtool {

// The group and smoothing lines in force for a face. FaceExtras.tag indexes a
// table of these, so a rebuilt clone can say which groups its faces are in.
// Keys are the text after the keyword, blanks trimmed; "no g line yet" and a
// bare `g` are both "", and "no s line yet", `s 0` and `s off` are all "off", so
// that what the writer emits reads back as the same key.
struct FaceState {
    std::string group;
    std::string smoothing;
};

// A run of input lines: the part before the first `o` line, or an `o` line and
// everything up to the next one. Objects are contiguous in an OBJ file, so each
// section holds at most one object.
struct Section {
    std::size_t begin = 0;  // byte range in ObjScene::text
    std::size_t end = 0;
    int firstLine = 1;      // line number of the section's first line
    int object = -1;        // document object, or -1 for a leading part without geometry
    int firstVertex = 0;    // file-global index (0-based) of the section's first `v`
    int vertexCount = 0;    // `v` lines in the section
    int startMaterial = -1;  // usemtl state on entry and on exit (-1: none)
    int endMaterial = -1;
    int startTag = 0;        // FaceState in force on entry and on exit
    int endTag = 0;
};

struct ObjScene {
    std::string path;  // as shown in messages
    std::string text;  // the whole input; unchanged sections are written from it
    std::unique_ptr<hostsim::Document> document;
    std::vector<Section> sections;
    std::vector<FaceState> faceStates;  // [0] is the state before any g or s line
    int texcoordCount = 0;              // `vt` lines: a file-global pool
    int normalCount = 0;                // `vn` lines: likewise
    std::string_view newline = "\n";    // what the input's first line ends with
};

// Bad input, or a document the writer cannot express. what() is the whole
// message: "path:line: problem" (no line part when line is 0).
class ObjError : public std::runtime_error {
public:
    ObjError(const std::string& path, int line, const std::string& problem);
    int line() const { return line_; }

private:
    int line_;
};

}  // namespace vintrax::objtool
