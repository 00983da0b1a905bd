// The stand-in host: an in-memory document model that takes the host modeller's
// place wherever the real one is not available (tests, benchmarks, the OBJ tool).
//
// Objects keep deleted vertices and faces as holes until Compact(), exactly like
// the host: a deleted vertex has reference count 0, a deleted face has 0 points,
// and every other index stays valid. All operations cost time linear in what they
// touch.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "host/host_types.h"
#include "hostsim/hostsim_export.h"

namespace vintrax::hostsim {

// Per-face data the host carries through clone, freeze, merge and compaction but
// the plug-in never reads: corner texture-coordinate and normal indexes into pools
// kept by whoever fills the document (-1 for none), and one opaque tag.
struct FaceExtras {
    std::span<const int> uvs;      // empty, or one per corner
    std::span<const int> normals;  // empty, or one per corner
    int tag = 0;
};

enum class MirrorAxis : int { kNone = -1, kX = 0, kY = 1, kZ = 2 };

class VINTRAX_HOSTSIM_API Object {
public:
    explicit Object(std::string name = {});

    // Object settings. A rebuild by the plug-in must never change these.
    std::string name;
    bool visible = true;
    // A modifier that only Freeze() bakes: it adds a mirrored copy of every
    // vertex and face across the plane axis = 0, so a frozen copy differs from its
    // source in a way tests can see.
    MirrorAxis mirror = MirrorAxis::kNone;

    // Building. Returns the new vertex's or face's index. Face corners must name
    // existing, non-deleted vertices.
    int AddVertex(Point3 position);
    int AddFace(std::span<const int> points, int material = -1, FaceExtras extras = {});

    // Vertex slots, deleted ones included.
    int VertexCount() const;
    // All VertexCount() positions in index order (deleted slots keep their last
    // position). Valid until the next change to the object.
    std::span<const Point3> Positions() const;
    Point3 Vertex(int vertex) const;
    void SetVertex(int vertex, Point3 position);
    bool VertexDeleted(int vertex) const;
    // Corners of live faces using the vertex; 0 for a deleted vertex.
    int VertexRefCount(int vertex) const;

    // Face slots, deleted ones included.
    int FaceCount() const;
    bool FaceDeleted(int face) const;
    // 0 for a deleted face.
    int FacePointCount(int face) const;
    std::span<const int> FacePoints(int face) const;
    int FaceMaterial(int face) const;
    std::span<const int> FaceUVs(int face) const;      // empty when the face has none
    std::span<const int> FaceNormals(int face) const;  // empty when the face has none
    int FaceTag(int face) const;

    // The host operations. Clone() copies settings and geometry (holes included).
    std::unique_ptr<Object> Clone() const;
    void Freeze(int flags);
    // With deleteFaces, every face that uses the vertex is deleted too.
    void DeleteVertex(int vertex, bool deleteFaces);
    // Appends the live vertices and faces of `source`, renumbered.
    void Merge(const Object& source);
    // Drops deleted vertices and faces, keeping the order of the rest.
    void Compact();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
public:
    ~Object();
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;
};

class VINTRAX_HOSTSIM_API Document {
public:
    Document();
    ~Document();
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    // Appends an object slot and returns its index.
    int AddObject(std::unique_ptr<Object> object);
    Object& AddObject(std::string name);  // convenience: a new visible object
    int AddEmptyObjectSlot();

    int AddMaterial(std::string name);
    int AddEmptyMaterialSlot();

    int ObjectCount() const;
    Object* GetObject(int index);  // null for an empty slot or an index out of range
    const Object* GetObject(int index) const;
    int MaterialCount() const;
    // Null for an empty slot or an index out of range.
    const std::string* MaterialName(int index) const;

    DocumentHandle handle();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Conversions between the model and the opaque handles the plug-in sees.
VINTRAX_HOSTSIM_API ObjectHandle ToHandle(Object* object);
VINTRAX_HOSTSIM_API Object* FromHandle(ObjectHandle handle);
VINTRAX_HOSTSIM_API Document* FromHandle(DocumentHandle handle);

// Free objects made by MQObj_Clone and not yet destroyed by MQObj_Delete.
VINTRAX_HOSTSIM_API int LiveFreeObjects();

// File name of the module that exports the 140 host functions (this library on
// Linux; the executable that links it statically on Windows): what a host passes
// to the plug-in's MQInit.
VINTRAX_HOSTSIM_API std::string HostModulePath();

}  // namespace vintrax::hostsim
