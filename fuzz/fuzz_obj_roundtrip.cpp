// Arbitrary bytes as an OBJ file: the tool's main door for untrusted input.
// Besides the sanitizers' checks, a rejection must name a line of the file, and
// an accepted file must survive both ways the writer has of putting an object
// back: copied untouched (byte for byte) and written from the document (reads
// back as the same document). Any other exception escapes and counts as a crash.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/fuzz_obj_document.h"
#include "tools/vintrax-update/obj_reader.h"
#include "tools/vintrax-update/obj_writer.h"

namespace {

using vintrax::objtool::ObjError;
using vintrax::objtool::ObjScene;
using vintrax::objtool::ReadObj;
using vintrax::objtool::StringSink;
using vintrax::objtool::WriteObj;
using vintrax::objtool::fuzzing::SameDocument;

int LineCount(const std::string& text) {
    long long lines = 0;
    for (const char c : text) lines += c == '\n';
    if (!text.empty() && text.back() != '\n') ++lines;
    return lines > INT32_MAX ? INT32_MAX : static_cast<int>(lines);
}

void CheckRejection(const ObjError& error, const std::string& text) {
    if (error.line() < 1 || error.line() > LineCount(text)) std::abort();
    const std::string prefix = "in.obj:" + std::to_string(error.line()) + ": ";
    const std::string message = error.what();
    // A message must say what is wrong, not only where.
    if (message.rfind(prefix, 0) != 0 || message.size() == prefix.size()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    ObjScene scene;
    try {
        scene = ReadObj(text, "in.obj");
    } catch (const ObjError& error) {
        CheckRejection(error, text);
        return 0;
    }

    // Nothing changed: every byte comes back, whatever the document holds.
    StringSink copied;
    WriteObj(scene, std::vector<bool>(static_cast<std::size_t>(scene.document->ObjectCount()), false), copied);
    if (copied.text != text) std::abort();

    // Every object as a rebuilt clone is written: the output must be a file the
    // reader accepts and that means what the input meant.
    StringSink rewritten;
    WriteObj(scene, std::vector<bool>(static_cast<std::size_t>(scene.document->ObjectCount()), true), rewritten);
    ObjScene again;
    try {
        again = ReadObj(rewritten.text, "out.obj");
    } catch (const ObjError&) {
        std::abort();
    }
    if (!SameDocument(scene, again)) std::abort();

    // What was written from the document, written from it once more, is stable.
    // (Generated lines end as the file's first line does, and a rewrite can drop
    // that line: a mixed-ending file may then switch once.)
    if (again.newline != scene.newline) return 0;
    StringSink twice;
    WriteObj(again, std::vector<bool>(static_cast<std::size_t>(again.document->ObjectCount()), true), twice);
    if (twice.text != rewritten.text) std::abort();
    return 0;
}
