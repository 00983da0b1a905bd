#include "tools/vintrax-update/obj_writer.h"

#include <charconv>
#include <cstring>
#include <string>

#include "tools/vintrax-update/obj_text.h"

namespace vintrax::objtool {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// Gathers small pieces into large writes.
class Output {
public:
    explicit Output(ByteSink& sink) : sink_(sink) { buffer_.reserve(kChunk); }
    ~Output() = default;

    void Put(std::string_view bytes) {
        if (bytes.empty()) return;
        endsLine_ = bytes.back() == '\n';
        if (bytes.size() >= kChunk) {
            Flush();
            sink_.Write(bytes);
            return;
        }
        buffer_.append(bytes);
        if (buffer_.size() >= kChunk) Flush();
    }
    void Put(char c) {
        buffer_.push_back(c);
        endsLine_ = c == '\n';
    }
    void PutInt(long long value) {
        char digits[24];
        const auto result = std::to_chars(digits, digits + sizeof digits, value);
        buffer_.append(digits, result.ptr);
        endsLine_ = false;
    }
    void PutFloat(float value) {
        char digits[32];
        const auto result = std::to_chars(digits, digits + sizeof digits, value);
        buffer_.append(digits, result.ptr);
        endsLine_ = false;
    }
    // The byte order mark opens the first line instead of ending one, so a line
    // generated right after it must not be pushed onto a line of its own.
    void PutByteOrderMark(std::string_view mark) {
        Put(mark);
        endsLine_ = true;
    }
    // Generated lines may follow the input's last line, which may lack a newline.
    void StartLine(std::string_view newline) {
        if (!endsLine_) Put(newline);
    }
    void Flush() {
        if (buffer_.empty()) return;
        sink_.Write(buffer_);
        buffer_.clear();
    }

private:
    static constexpr std::size_t kChunk = 1 << 16;
    ByteSink& sink_;
    std::string buffer_;
    bool endsLine_ = true;
};

// Lines of a section, each with its line break (if any).
class LineCursor {
public:
    explicit LineCursor(std::string_view text) : text_(text) {}
    bool Next(std::string_view& whole, std::string_view& content) {
        if (pos_ >= text_.size()) return false;
        const std::size_t nl = text_.find('\n', pos_);
        const std::size_t end = nl == std::string_view::npos ? text_.size() : nl + 1;
        whole = text_.substr(pos_, end - pos_);
        content = whole;
        if (!content.empty() && content.back() == '\n') content.remove_suffix(1);
        if (!content.empty() && content.back() == '\r') content.remove_suffix(1);
        pos_ = end;
        return true;
    }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
};

// Copies a face line, adding `delta` to every positive vertex index. Relative
// indexes count back from the line itself and stay right as they are; vt and vn
// indexes point into pools that keep their order.
void ShiftFaceLine(std::string_view line, long long delta, Output& out) {
    std::size_t i = 0;
    while (i < line.size() && IsBlank(line[i])) ++i;
    ++i;  // the 'f'
    out.Put(line.substr(0, i));
    while (i < line.size()) {
        const std::size_t blanks = i;
        while (i < line.size() && IsBlank(line[i])) ++i;
        out.Put(line.substr(blanks, i - blanks));
        if (i == line.size()) break;
        if (line[i] == '#') {
            out.Put(line.substr(i));
            return;
        }
        long long index = 0;
        const auto [next, ec] = std::from_chars(line.data() + i, line.data() + line.size(), index);
        const std::size_t parsed = static_cast<std::size_t>(next - line.data());
        if (ec == std::errc() && index > 0) {
            out.PutInt(index + delta);
            i = parsed;
        }
        const std::size_t rest = i;
        while (i < line.size() && !IsBlank(line[i])) ++i;
        out.Put(line.substr(rest, i - rest));
    }
}

class Writer {
public:
    Writer(const ObjScene& scene, const std::vector<bool>& fromDocument, ByteSink& sink)
        : scene_(scene), doc_(*scene.document), fromDocument_(fromDocument), out_(sink) {}

    void Run() {
        for (const Section& section : scene_.sections) {
            if (Regenerated(section)) CheckWritable(section);
        }
        long long written = 0;  // vertices written so far
        for (const Section& section : scene_.sections) {
            const std::string_view text(scene_.text.data() + section.begin, section.end - section.begin);
            if (Regenerated(section)) {
                written += WriteFromDocument(section, text, written);
                continue;
            }
            const long long delta = written - section.firstVertex;
            if (delta == 0) {
                out_.Put(text);
            } else {
                LineCursor lines(text);
                std::string_view whole, content;
                while (lines.Next(whole, content)) {
                    if (Keyword(content) == "f") {
                        ShiftFaceLine(content, delta, out_);
                        out_.Put(whole.substr(content.size()));
                    } else {
                        out_.Put(whole);
                    }
                }
            }
            written += section.vertexCount;
        }
        out_.Flush();
    }

private:
    bool Regenerated(const Section& section) const {
        return section.object >= 0 && static_cast<std::size_t>(section.object) < fromDocument_.size() &&
               fromDocument_[section.object];
    }

    const hostsim::Object& ObjectOf(const Section& section) const {
        const hostsim::Object* object = doc_.GetObject(section.object);
        if (object == nullptr) throw ObjError(scene_.path, section.firstLine, "the object of this line is gone from the document");
        return *object;
    }

    void CheckWritable(const Section& section) const {
        const hostsim::Object& object = ObjectOf(section);
        const int faces = object.FaceCount();
        for (int face = 0; face < faces; ++face) {
            if (object.FaceDeleted(face)) continue;
            const int material = object.FaceMaterial(face);
            if (material != -1 && doc_.MaterialName(material) == nullptr)
                throw ObjError(scene_.path, section.firstLine,
                               "cannot write object " + object.name + ": a face uses material " + std::to_string(material) + ", which has no name");
            for (const int point : object.FacePoints(face)) {
                if (point < 0 || point >= object.VertexCount() || object.VertexDeleted(point))
                    throw ObjError(scene_.path, section.firstLine, "cannot write object " + object.name + ": a face uses a deleted vertex");
            }
            for (const int uv : object.FaceUVs(face)) {
                if (uv < 0 || uv >= scene_.texcoordCount)
                    throw ObjError(scene_.path, section.firstLine,
                                   "cannot write object " + object.name + ": a face uses texture coordinate " + std::to_string(uv) +
                                       ", which the file does not have");
            }
            for (const int normal : object.FaceNormals(face)) {
                if (normal < 0 || normal >= scene_.normalCount)
                    throw ObjError(scene_.path, section.firstLine,
                                   "cannot write object " + object.name + ": a face uses normal " + std::to_string(normal) +
                                       ", which the file does not have");
            }
            const int tag = object.FaceTag(face);
            if (tag < 0 || static_cast<std::size_t>(tag) >= scene_.faceStates.size())
                throw ObjError(scene_.path, section.firstLine,
                               "cannot write object " + object.name + ": a face has group/smoothing state " + std::to_string(tag) +
                                   ", which the file never had");
        }
    }

    // The section with its v and f lines written from the document: vertices
    // where its first v line was, faces where its first face (or the usemtl/g/s
    // line before it) was, both at the end when the section had none.
    int WriteFromDocument(const Section& section, std::string_view text, long long written) {
        const hostsim::Object& object = ObjectOf(section);
        material_ = section.startMaterial;
        tag_ = section.startTag;
        bool verticesDone = false;
        bool facesDone = false;
        int liveVertices = 0;
        // The reader looks past a byte order mark for the first line's statement;
        // so must the writer, or that line would be copied as well as rewritten.
        if (section.begin == 0 && text.starts_with(kByteOrderMark)) {
            out_.PutByteOrderMark(kByteOrderMark);
            text.remove_prefix(kByteOrderMark.size());
        }
        LineCursor lines(text);
        std::string_view whole, content;
        while (lines.Next(whole, content)) {
            const std::string_view keyword = Keyword(content);
            if (keyword == "v") {
                if (!verticesDone) liveVertices = WriteVertices(object, verticesDone);
                continue;
            }
            if (keyword == "f" || keyword == "usemtl" || keyword == "g" || keyword == "s") {
                if (keyword == "f" && !facesDone) {
                    if (!verticesDone) liveVertices = WriteVertices(object, verticesDone);
                    WriteFaces(object, written, facesDone);
                }
                continue;
            }
            out_.Put(whole);
        }
        if (!verticesDone) liveVertices = WriteVertices(object, verticesDone);
        if (!facesDone) WriteFaces(object, written, facesDone);
        SwitchState(section.endMaterial, section.endTag);
        return liveVertices;
    }

    int WriteVertices(const hostsim::Object& object, bool& done) {
        done = true;
        const int count = object.VertexCount();
        newIndex_.assign(count, -1);
        int live = 0;
        for (int vertex = 0; vertex < count; ++vertex) {
            if (object.VertexDeleted(vertex)) continue;
            newIndex_[vertex] = live++;
            const Point3 p = object.Vertex(vertex);
            out_.StartLine(scene_.newline);
            out_.Put("v ");
            out_.PutFloat(p.x);
            out_.Put(' ');
            out_.PutFloat(p.y);
            out_.Put(' ');
            out_.PutFloat(p.z);
            out_.Put(scene_.newline);
        }
        return live;
    }

    void WriteFaces(const hostsim::Object& object, long long written, bool& done) {
        done = true;
        const int count = object.FaceCount();
        for (int face = 0; face < count; ++face) {
            if (object.FaceDeleted(face)) continue;
            SwitchState(object.FaceMaterial(face), object.FaceTag(face));
            const auto points = object.FacePoints(face);
            const auto uvs = object.FaceUVs(face);
            const auto normals = object.FaceNormals(face);
            out_.StartLine(scene_.newline);
            out_.Put('f');
            for (std::size_t corner = 0; corner < points.size(); ++corner) {
                out_.Put(' ');
                out_.PutInt(written + newIndex_[points[corner]] + 1);
                if (!uvs.empty() || !normals.empty()) out_.Put('/');
                if (!uvs.empty() && uvs[corner] >= 0) out_.PutInt(static_cast<long long>(uvs[corner]) + 1);
                if (!normals.empty() && normals[corner] >= 0) {
                    out_.Put('/');
                    out_.PutInt(static_cast<long long>(normals[corner]) + 1);
                }
            }
            out_.Put(scene_.newline);
        }
    }

    // Emits the usemtl, g and s lines that take the reader's state from the
    // current one to (material, tag).
    void SwitchState(int material, int tag) {
        if (material != material_) {
            out_.StartLine(scene_.newline);
            out_.Put("usemtl");
            if (material != -1) {
                out_.Put(' ');
                PutName(*doc_.MaterialName(material));
            }
            out_.Put(scene_.newline);
            material_ = material;
        }
        if (tag != tag_) {
            const FaceState& from = scene_.faceStates[tag_];
            const FaceState& to = scene_.faceStates[tag];
            if (to.group != from.group) {
                out_.StartLine(scene_.newline);
                out_.Put('g');
                if (!to.group.empty()) {
                    out_.Put(' ');
                    PutName(to.group);
                }
                out_.Put(scene_.newline);
            }
            if (to.smoothing != from.smoothing) {
                out_.StartLine(scene_.newline);
                out_.Put("s ");
                PutName(to.smoothing);
                out_.Put(scene_.newline);
            }
            tag_ = tag;
        }
    }

    // A name that ends in CR would lose it on reading, the CR taken for half of
    // a CRLF line end; a blank after it is trimmed on reading and keeps the CR.
    void PutName(std::string_view name) {
        out_.Put(name);
        if (name.ends_with('\r')) out_.Put(' ');
    }

    const ObjScene& scene_;
    const hostsim::Document& doc_;
    const std::vector<bool>& fromDocument_;
    Output out_;
    std::vector<int> newIndex_;
    int material_ = -1;
    int tag_ = 0;
};

}  // namespace

void WriteObj(const ObjScene& scene, const std::vector<bool>& fromDocument, ByteSink& sink) {
    Writer(scene, fromDocument, sink).Run();
}

}  // namespace vintrax::objtool
