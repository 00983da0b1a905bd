#include "hostsim/document.h"

#include <cassert>
#include <cstddef>
#include <utility>

namespace vintrax::hostsim {

namespace {

constexpr std::uint8_t kFaceDeleted = 1;
constexpr std::uint8_t kFaceHasUVs = 2;
constexpr std::uint8_t kFaceHasNormals = 4;

}  // namespace

// Faces are stored CSR style: face f owns corners faceStart[f] .. faceStart[f+1]-1
// of the corner arrays, so building millions of faces costs no allocation per face.
// Corner uv / normal arrays stay empty until the first face that carries them, as
// most meshes have neither.
//
// Which faces use a vertex is kept as an intrusive list threaded through the
// corners (firstCorner per vertex, nextCorner per corner). Appending a face links
// its corners in O(k), so it is always current and DeleteVertex never has to
// rebuild anything: deleting every vertex one by one is linear overall, however
// deletions and additions interleave. Only Compact relinks everything.
struct Object::Impl {
    std::vector<Point3> positions;
    std::vector<std::uint8_t> vertexDeleted;
    std::vector<int> refCount;
    std::vector<int> firstCorner;  // -1: no corner uses the vertex

    std::vector<int> faceStart{0};  // one more entry than there are faces
    std::vector<int> faceMaterial;
    std::vector<int> faceTag;
    std::vector<std::uint8_t> faceFlags;

    std::vector<int> cornerVertex;
    std::vector<int> cornerFace;
    std::vector<int> nextCorner;  // next corner using the same vertex, or -1
    // One per corner (-1 where the face has none) once any face has them.
    bool withUVs = false;
    bool withNormals = false;
    std::vector<int> cornerUV;
    std::vector<int> cornerNormal;

    int VertexCount() const { return static_cast<int>(positions.size()); }
    int FaceCount() const { return static_cast<int>(faceMaterial.size()); }
    int CornerCount() const { return static_cast<int>(cornerVertex.size()); }

    bool ValidVertex(int v) const { return v >= 0 && v < VertexCount(); }
    bool LiveVertex(int v) const { return ValidVertex(v) && vertexDeleted[v] == 0; }
    bool ValidFace(int f) const { return f >= 0 && f < FaceCount(); }
    bool LiveFace(int f) const { return ValidFace(f) && (faceFlags[f] & kFaceDeleted) == 0; }

    int AddVertex(Point3 p) {
        positions.push_back(p);
        vertexDeleted.push_back(0);
        refCount.push_back(0);
        firstCorner.push_back(-1);
        return VertexCount() - 1;
    }

    void Reserve(std::size_t vertices, std::size_t faces, std::size_t corners) {
        positions.reserve(vertices);
        vertexDeleted.reserve(vertices);
        refCount.reserve(vertices);
        firstCorner.reserve(vertices);
        faceStart.reserve(faces + 1);
        faceMaterial.reserve(faces);
        faceTag.reserve(faces);
        faceFlags.reserve(faces);
        cornerVertex.reserve(corners);
        cornerFace.reserve(corners);
        nextCorner.reserve(corners);
        if (withUVs) cornerUV.reserve(corners);
        if (withNormals) cornerNormal.reserve(corners);
    }

    // The caller has checked the corners and the extras' lengths. The spans must
    // not point into this object's own storage (appending may move it).
    int AppendFace(std::span<const int> points, int material, std::span<const int> uvs,
                   std::span<const int> normals, int tag) {
        const int face = FaceCount();
        const std::size_t oldCorners = cornerVertex.size();
        if (!uvs.empty() && !withUVs) {
            cornerUV.assign(oldCorners, -1);
            withUVs = true;
        }
        if (!normals.empty() && !withNormals) {
            cornerNormal.assign(oldCorners, -1);
            withNormals = true;
        }
        for (std::size_t i = 0; i < points.size(); ++i) {
            const int v = points[i];
            const int corner = CornerCount();
            cornerVertex.push_back(v);
            cornerFace.push_back(face);
            nextCorner.push_back(firstCorner[v]);
            firstCorner[v] = corner;
            ++refCount[v];
            if (withUVs) cornerUV.push_back(uvs.empty() ? -1 : uvs[i]);
            if (withNormals) cornerNormal.push_back(normals.empty() ? -1 : normals[i]);
        }
        faceStart.push_back(CornerCount());
        faceMaterial.push_back(material);
        faceTag.push_back(tag);
        std::uint8_t flags = 0;
        if (!uvs.empty()) flags |= kFaceHasUVs;
        if (!normals.empty()) flags |= kFaceHasNormals;
        faceFlags.push_back(flags);
        return face;
    }

    std::span<const int> Corners(const std::vector<int>& array, int face) const {
        const int begin = faceStart[face];
        return {array.data() + begin, static_cast<std::size_t>(faceStart[face + 1] - begin)};
    }

    void DeleteFace(int face) {
        faceFlags[face] |= kFaceDeleted;
        for (int c = faceStart[face]; c < faceStart[face + 1]; ++c) --refCount[cornerVertex[c]];
    }

    // Rebuilds the vertex -> corner lists from scratch, after compaction.
    void Relink() {
        firstCorner.assign(positions.size(), -1);
        nextCorner.resize(cornerVertex.size());
        for (int c = 0; c < CornerCount(); ++c) {
            const int v = cornerVertex[c];
            nextCorner[c] = firstCorner[v];
            firstCorner[v] = c;
        }
    }
};

Object::Object(std::string objectName) : name(std::move(objectName)), impl_(std::make_unique<Impl>()) {}
Object::~Object() = default;

int Object::AddVertex(Point3 position) { return impl_->AddVertex(position); }

// Bad input is a programming error of whoever builds the document: loud in debug
// builds, and in release the face is refused (-1) rather than stored half-valid.
int Object::AddFace(std::span<const int> points, int material, FaceExtras extras) {
    Impl& m = *impl_;
    bool ok = !points.empty() && (extras.uvs.empty() || extras.uvs.size() == points.size()) &&
              (extras.normals.empty() || extras.normals.size() == points.size());
    for (int v : points) ok = ok && m.LiveVertex(v);
    assert(ok && "AddFace: corners must name live vertices; uvs/normals empty or one per corner");
    if (!ok) return -1;
    return m.AppendFace(points, material, extras.uvs, extras.normals, extras.tag);
}

int Object::VertexCount() const { return impl_->VertexCount(); }

std::span<const Point3> Object::Positions() const { return impl_->positions; }

Point3 Object::Vertex(int vertex) const {
    return impl_->ValidVertex(vertex) ? impl_->positions[vertex] : Point3{0.0f, 0.0f, 0.0f};
}

void Object::SetVertex(int vertex, Point3 position) {
    if (impl_->LiveVertex(vertex)) impl_->positions[vertex] = position;
}

bool Object::VertexDeleted(int vertex) const {
    // Past the end there is no vertex either.
    return !impl_->LiveVertex(vertex);
}

int Object::VertexRefCount(int vertex) const {
    return impl_->LiveVertex(vertex) ? impl_->refCount[vertex] : 0;
}

int Object::FaceCount() const { return impl_->FaceCount(); }

bool Object::FaceDeleted(int face) const { return !impl_->LiveFace(face); }

int Object::FacePointCount(int face) const {
    if (!impl_->LiveFace(face)) return 0;
    return impl_->faceStart[face + 1] - impl_->faceStart[face];
}

std::span<const int> Object::FacePoints(int face) const {
    if (!impl_->LiveFace(face)) return {};
    return impl_->Corners(impl_->cornerVertex, face);
}

// Out of range, -1: "no material", which can never be taken for slot 0.
int Object::FaceMaterial(int face) const {
    return impl_->ValidFace(face) ? impl_->faceMaterial[face] : -1;
}

std::span<const int> Object::FaceUVs(int face) const {
    if (!impl_->LiveFace(face) || (impl_->faceFlags[face] & kFaceHasUVs) == 0) return {};
    return impl_->Corners(impl_->cornerUV, face);
}

std::span<const int> Object::FaceNormals(int face) const {
    if (!impl_->LiveFace(face) || (impl_->faceFlags[face] & kFaceHasNormals) == 0) return {};
    return impl_->Corners(impl_->cornerNormal, face);
}

int Object::FaceTag(int face) const { return impl_->ValidFace(face) ? impl_->faceTag[face] : 0; }

std::unique_ptr<Object> Object::Clone() const {
    auto copy = std::make_unique<Object>(name);
    copy->visible = visible;
    copy->mirror = mirror;
    *copy->impl_ = *impl_;
    return copy;
}

// Mirroring is the only modifier this model has, so every flag value bakes it;
// a caller freezing only some modifier kinds still gets the same geometry.
void Object::Freeze(int /*flags*/) {
    if (mirror == MirrorAxis::kNone) return;
    Impl& m = *impl_;
    const int vertexCount = m.VertexCount();
    const int faceCount = m.FaceCount();

    int liveVertices = 0;
    for (int v = 0; v < vertexCount; ++v) liveVertices += m.vertexDeleted[v] == 0 ? 1 : 0;
    int liveFaces = 0;
    std::size_t liveCorners = 0;
    for (int f = 0; f < faceCount; ++f) {
        if (!m.LiveFace(f)) continue;
        ++liveFaces;
        liveCorners += static_cast<std::size_t>(m.faceStart[f + 1] - m.faceStart[f]);
    }
    m.Reserve(m.positions.size() + liveVertices, m.faceMaterial.size() + liveFaces,
              m.cornerVertex.size() + liveCorners);

    std::vector<int> image(static_cast<std::size_t>(vertexCount), -1);
    for (int v = 0; v < vertexCount; ++v) {
        if (m.vertexDeleted[v] != 0) continue;
        Point3 p = m.positions[v];
        switch (mirror) {
            case MirrorAxis::kX: p.x = -p.x; break;
            case MirrorAxis::kY: p.y = -p.y; break;
            case MirrorAxis::kZ: p.z = -p.z; break;
            case MirrorAxis::kNone: break;
        }
        image[v] = m.AddVertex(p);
    }

    // A mirror image turns a face inside out; reversing the corners turns it back.
    std::vector<int> points, uvs, normals;
    for (int f = 0; f < faceCount; ++f) {
        if (!m.LiveFace(f)) continue;
        const int begin = m.faceStart[f];
        const int end = m.faceStart[f + 1];
        const bool hasUVs = (m.faceFlags[f] & kFaceHasUVs) != 0;
        const bool hasNormals = (m.faceFlags[f] & kFaceHasNormals) != 0;
        points.clear();
        uvs.clear();
        normals.clear();
        for (int c = end - 1; c >= begin; --c) {
            points.push_back(image[m.cornerVertex[c]]);
            if (hasUVs) uvs.push_back(m.cornerUV[c]);
            if (hasNormals) normals.push_back(m.cornerNormal[c]);
        }
        m.AppendFace(points, m.faceMaterial[f], uvs, normals, m.faceTag[f]);
    }
    mirror = MirrorAxis::kNone;
}

// Without deleteFaces a vertex still used by a live face stays: removing it would
// leave those faces pointing at nothing, and Compact could not renumber them.
void Object::DeleteVertex(int vertex, bool deleteFaces) {
    Impl& m = *impl_;
    if (!m.LiveVertex(vertex)) return;
    if (m.refCount[vertex] > 0) {
        if (!deleteFaces) return;
        for (int c = m.firstCorner[vertex]; c != -1; c = m.nextCorner[c]) {
            const int face = m.cornerFace[c];
            if (m.LiveFace(face)) m.DeleteFace(face);
        }
    }
    m.vertexDeleted[vertex] = 1;
    m.refCount[vertex] = 0;
}

void Object::Merge(const Object& source) {
    if (&source == this) {
        // Appending reads from the arrays being appended to; merge from a snapshot.
        const std::unique_ptr<Object> snapshot = Clone();
        Merge(*snapshot);
        return;
    }
    Impl& m = *impl_;
    const Impl& s = *source.impl_;
    const int sourceVertices = s.VertexCount();

    std::vector<int> renumber(static_cast<std::size_t>(sourceVertices), -1);
    for (int v = 0; v < sourceVertices; ++v) {
        if (s.vertexDeleted[v] == 0) renumber[v] = m.AddVertex(s.positions[v]);
    }
    std::vector<int> points;
    for (int f = 0; f < s.FaceCount(); ++f) {
        if (!s.LiveFace(f)) continue;
        points.clear();
        for (int v : s.Corners(s.cornerVertex, f)) points.push_back(renumber[v]);
        const std::span<const int> uvs =
            (s.faceFlags[f] & kFaceHasUVs) != 0 ? s.Corners(s.cornerUV, f) : std::span<const int>{};
        const std::span<const int> normals = (s.faceFlags[f] & kFaceHasNormals) != 0
                                                 ? s.Corners(s.cornerNormal, f)
                                                 : std::span<const int>{};
        m.AppendFace(points, s.faceMaterial[f], uvs, normals, s.faceTag[f]);
    }
}

void Object::Compact() {
    Impl& m = *impl_;
    const int vertexCount = m.VertexCount();
    std::vector<int> renumber(static_cast<std::size_t>(vertexCount), -1);
    int keptVertices = 0;
    for (int v = 0; v < vertexCount; ++v) {
        if (m.vertexDeleted[v] != 0) continue;
        renumber[v] = keptVertices;
        m.positions[keptVertices] = m.positions[v];
        m.refCount[keptVertices] = m.refCount[v];
        ++keptVertices;
    }
    m.positions.resize(keptVertices);
    m.refCount.resize(keptVertices);
    m.vertexDeleted.assign(keptVertices, 0);

    // Faces and corners only ever move towards the front, so compaction is in place.
    const bool hasUVs = m.withUVs;
    const bool hasNormals = m.withNormals;
    int keptFaces = 0;
    int keptCorners = 0;
    for (int f = 0; f < m.FaceCount(); ++f) {
        const int begin = m.faceStart[f];
        const int end = m.faceStart[f + 1];
        if ((m.faceFlags[f] & kFaceDeleted) != 0) continue;
        m.faceStart[keptFaces] = keptCorners;
        m.faceMaterial[keptFaces] = m.faceMaterial[f];
        m.faceTag[keptFaces] = m.faceTag[f];
        m.faceFlags[keptFaces] = m.faceFlags[f];
        for (int c = begin; c < end; ++c) {
            // A live face only uses live vertices: DeleteVertex never leaves one behind.
            m.cornerVertex[keptCorners] = renumber[m.cornerVertex[c]];
            m.cornerFace[keptCorners] = keptFaces;
            if (hasUVs) m.cornerUV[keptCorners] = m.cornerUV[c];
            if (hasNormals) m.cornerNormal[keptCorners] = m.cornerNormal[c];
            ++keptCorners;
        }
        ++keptFaces;
    }
    m.faceStart[keptFaces] = keptCorners;
    m.faceStart.resize(static_cast<std::size_t>(keptFaces) + 1);
    m.faceMaterial.resize(keptFaces);
    m.faceTag.resize(keptFaces);
    m.faceFlags.resize(keptFaces);
    m.cornerVertex.resize(keptCorners);
    m.cornerFace.resize(keptCorners);
    if (hasUVs) m.cornerUV.resize(keptCorners);
    if (hasNormals) m.cornerNormal.resize(keptCorners);
    m.Relink();
}

// ---------------------------------------------------------------------------

struct Document::Impl {
    std::vector<std::unique_ptr<Object>> objects;
    // unique_ptr so a handle to a material stays valid while slots are added.
    std::vector<std::unique_ptr<std::string>> materials;
};

Document::Document() : impl_(std::make_unique<Impl>()) {}
Document::~Document() = default;

int Document::AddObject(std::unique_ptr<Object> object) {
    impl_->objects.push_back(std::move(object));
    return static_cast<int>(impl_->objects.size()) - 1;
}

Object& Document::AddObject(std::string name) {
    auto object = std::make_unique<Object>(std::move(name));
    Object& added = *object;
    AddObject(std::move(object));
    return added;
}

int Document::AddEmptyObjectSlot() { return AddObject(std::unique_ptr<Object>{}); }

int Document::AddMaterial(std::string name) {
    impl_->materials.push_back(std::make_unique<std::string>(std::move(name)));
    return static_cast<int>(impl_->materials.size()) - 1;
}

int Document::AddEmptyMaterialSlot() {
    impl_->materials.emplace_back();
    return static_cast<int>(impl_->materials.size()) - 1;
}

int Document::ObjectCount() const { return static_cast<int>(impl_->objects.size()); }

Object* Document::GetObject(int index) {
    if (index < 0 || index >= ObjectCount()) return nullptr;
    return impl_->objects[index].get();
}

const Object* Document::GetObject(int index) const {
    if (index < 0 || index >= ObjectCount()) return nullptr;
    return impl_->objects[index].get();
}

int Document::MaterialCount() const { return static_cast<int>(impl_->materials.size()); }

const std::string* Document::MaterialName(int index) const {
    if (index < 0 || index >= MaterialCount()) return nullptr;
    return impl_->materials[index].get();
}

DocumentHandle Document::handle() { return reinterpret_cast<DocumentHandle>(this); }

ObjectHandle ToHandle(Object* object) { return reinterpret_cast<ObjectHandle>(object); }
Object* FromHandle(ObjectHandle handle) { return reinterpret_cast<Object*>(handle); }
Document* FromHandle(DocumentHandle handle) { return reinterpret_cast<Document*>(handle); }

}  // namespace vintrax::hostsim
