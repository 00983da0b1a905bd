// The host functions as C exports. They are called by foreign code, so nothing
// here trusts its arguments: null handles and out-of-range indexes read and
// write nothing, and results are 0 / null.
#include "hostsim/host_exports.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <type_traits>
#include <unordered_set>

#include "host/host_function_list.h"
#include "host/host_interface.h"
#include "hostsim/call_log_internal.h"
#include "hostsim/document.h"

using vintrax::hostsim::Document;
using vintrax::hostsim::FromHandle;
using vintrax::hostsim::HostOp;
using vintrax::hostsim::LogCall;
using vintrax::hostsim::Object;
using vintrax::hostsim::ToHandle;

// The exports must be callable through the plug-in's function-pointer types, and
// never throw: an exception cannot cross into a plug-in over the C boundary, and
// one escaping half-way through a rebuild would leave the clone emptied. Running
// out of memory in the host ends the process instead.
template <typename Proc>
struct NoexceptProc;
template <typename R, typename... Args>
struct NoexceptProc<R(VINTRAX_CALL*)(Args...)> {
    using type = R(VINTRAX_CALL*)(Args...) noexcept;
};
#define VINTRAX_CHECK_SIGNATURE(name)                                                    \
    static_assert(std::is_same_v<decltype(&name), NoexceptProc<name##Proc>::type>, #name \
                  " does not match its Proc type or may throw");
VINTRAX_CHECK_SIGNATURE(MQDoc_GetObjectCount)
VINTRAX_CHECK_SIGNATURE(MQDoc_GetObject)
VINTRAX_CHECK_SIGNATURE(MQDoc_GetMaterialCount)
VINTRAX_CHECK_SIGNATURE(MQDoc_GetMaterial)
VINTRAX_CHECK_SIGNATURE(MQObj_GetVisible)
VINTRAX_CHECK_SIGNATURE(MQObj_GetName)
VINTRAX_CHECK_SIGNATURE(MQMat_GetName)
VINTRAX_CHECK_SIGNATURE(MQObj_GetVertexCount)
VINTRAX_CHECK_SIGNATURE(MQObj_GetVertexArray)
VINTRAX_CHECK_SIGNATURE(MQObj_GetVertexRefCount)
VINTRAX_CHECK_SIGNATURE(MQObj_GetVertex)
VINTRAX_CHECK_SIGNATURE(MQObj_SetVertex)
VINTRAX_CHECK_SIGNATURE(MQObj_GetFaceCount)
VINTRAX_CHECK_SIGNATURE(MQObj_GetFaceMaterial)
VINTRAX_CHECK_SIGNATURE(MQObj_GetFacePointCount)
VINTRAX_CHECK_SIGNATURE(MQObj_GetFacePointArray)
VINTRAX_CHECK_SIGNATURE(MQObj_Clone)
VINTRAX_CHECK_SIGNATURE(MQObj_Freeze)
VINTRAX_CHECK_SIGNATURE(MQObj_DeleteVertex)
VINTRAX_CHECK_SIGNATURE(MQObj_Merge)
VINTRAX_CHECK_SIGNATURE(MQObj_Compact)
VINTRAX_CHECK_SIGNATURE(MQObj_Delete)
#undef VINTRAX_CHECK_SIGNATURE

namespace {

// Free objects made by MQObj_Clone. MQObj_Delete destroys only what is listed
// here, so a document's own object or a stale handle passed to it is left alone
// instead of being freed twice.
struct FreeObjects {
    std::mutex mutex;
    std::unordered_set<Object*> live;
};
FreeObjects& Free() {
    static FreeObjects free;
    return free;
}

const std::string* MaterialFromHandle(MaterialHandle handle) {
    return reinterpret_cast<const std::string*>(handle);
}

void CopyName(const std::string* name, char* buffer, int size) {
    if (buffer == nullptr || size <= 0) return;
    std::size_t length = 0;
    if (name != nullptr) {
        length = name->size() < static_cast<std::size_t>(size) - 1 ? name->size()
                                                                   : static_cast<std::size_t>(size) - 1;
        std::memcpy(buffer, name->data(), length);
    }
    buffer[length] = '\0';
}

}  // namespace

namespace vintrax::hostsim {

int LiveFreeObjects() {
    FreeObjects& free = Free();
    const std::lock_guard<std::mutex> lock(free.mutex);
    return static_cast<int>(free.live.size());
}

}  // namespace vintrax::hostsim

VINTRAX_HOST_EXPORT int VINTRAX_CALL MQDoc_GetObjectCount(DocumentHandle document) noexcept {
    LogCall(HostOp::kDocGetObjectCount, document);
    return document != nullptr ? FromHandle(document)->ObjectCount() : 0;
}

VINTRAX_HOST_EXPORT ObjectHandle VINTRAX_CALL MQDoc_GetObject(DocumentHandle document, int index) noexcept {
    LogCall(HostOp::kDocGetObject, document, index);
    return document != nullptr ? ToHandle(FromHandle(document)->GetObject(index)) : nullptr;
}

VINTRAX_HOST_EXPORT int VINTRAX_CALL MQDoc_GetMaterialCount(DocumentHandle document) noexcept {
    LogCall(HostOp::kDocGetMaterialCount, document);
    return document != nullptr ? FromHandle(document)->MaterialCount() : 0;
}

VINTRAX_HOST_EXPORT MaterialHandle VINTRAX_CALL MQDoc_GetMaterial(DocumentHandle document, int index) noexcept {
    LogCall(HostOp::kDocGetMaterial, document, index);
    if (document == nullptr) return nullptr;
    // The handle only ever comes back to MQMat_GetName, which reads through it.
    const std::string* name = FromHandle(document)->MaterialName(index);
    return reinterpret_cast<MaterialHandle>(const_cast<std::string*>(name));
}

VINTRAX_HOST_EXPORT int VINTRAX_CALL MQObj_GetVisible(ObjectHandle object) noexcept {
    LogCall(HostOp::kObjGetVisible, object);
    return object != nullptr && FromHandle(object)->visible ? 1 : 0;
}

// A null object yields an empty name rather than leaving the buffer unwritten.
VINTRAX_HOST_EXPORT void VINTRAX_CALL MQObj_GetName(ObjectHandle object, char* buffer, int size) noexcept {
    LogCall(HostOp::kObjGetName, object, size);
    CopyName(object != nullptr ? &FromHandle(object)->name : nullptr, buffer, size);
}

VINTRAX_HOST_EXPORT void VINTRAX_CALL MQMat_GetName(MaterialHandle material, char* buffer, int size) noexcept {
    LogCall(HostOp::kMatGetName, material, size);
    CopyName(MaterialFromHandle(material), buffer, size);
}

VINTRAX_HOST_EXPORT int VINTRAX_CALL MQObj_GetVertexCount(ObjectHandle object) noexcept {
    LogCall(HostOp::kObjGetVertexCount, object);
    return object != nullptr ? FromHandle(object)->VertexCount() : 0;
}

VINTRAX_HOST_EXPORT void VINTRAX_CALL MQObj_GetVertexArray(ObjectHandle object, Point3* positions) noexcept {
    LogCall(HostOp::kObjGetVertexArray, object);
    if (object == nullptr || positions == nullptr) return;
    const auto all = FromHandle(object)->Positions();
    if (!all.empty()) std::memcpy(positions, all.data(), all.size_bytes());
}

VINTRAX_HOST_EXPORT int VINTRAX_CALL MQObj_GetVertexRefCount(ObjectHandle object, int vertex) noexcept {
    LogCall(HostOp::kObjGetVertexRefCount, object, vertex);
    return object != nullptr ? FromHandle(object)->VertexRefCount(vertex) : 0;
}

VINTRAX_HOST_EXPORT void VINTRAX_CALL MQObj_GetVertex(ObjectHandle object, int vertex, Point3* position) noexcept {
    LogCall(HostOp::kObjGetVertex, object, vertex);
    if (object == nullptr || position == nullptr) return;
    const Object& o = *FromHandle(object);
    if (vertex < 0 || vertex >= o.VertexCount()) return;
    *position = o.Vertex(vertex);
}

VINTRAX_HOST_EXPORT void VINTRAX_CALL MQObj_SetVertex(ObjectHandle object, int vertex, const Point3* position) noexcept {
    LogCall(HostOp::kObjSetVertex, object, vertex);
    if (object == nullptr || position == nullptr) return;
    FromHandle(object)->SetVertex(vertex, *position);
}

VINTRAX_HOST_EXPORT int VINTRAX_CALL MQObj_GetFaceCount(ObjectHandle object) noexcept {
    LogCall(HostOp::kObjGetFaceCount, object);
    return object != nullptr ? FromHandle(object)->FaceCount() : 0;
}

VINTRAX_HOST_EXPORT int VINTRAX_CALL MQObj_GetFaceMaterial(ObjectHandle object, int face) noexcept {
    LogCall(HostOp::kObjGetFaceMaterial, object, face);
    return object != nullptr ? FromHandle(object)->FaceMaterial(face) : -1;
}

VINTRAX_HOST_EXPORT int VINTRAX_CALL MQObj_GetFacePointCount(ObjectHandle object, int face) noexcept {
    LogCall(HostOp::kObjGetFacePointCount, object, face);
    return object != nullptr ? FromHandle(object)->FacePointCount(face) : 0;
}

VINTRAX_HOST_EXPORT void VINTRAX_CALL MQObj_GetFacePointArray(ObjectHandle object, int face, int* points) noexcept {
    LogCall(HostOp::kObjGetFacePointArray, object, face);
    if (object == nullptr || points == nullptr) return;
    const auto corners = FromHandle(object)->FacePoints(face);
    if (!corners.empty()) std::memcpy(points, corners.data(), corners.size_bytes());
}

VINTRAX_HOST_EXPORT ObjectHandle VINTRAX_CALL MQObj_Clone(ObjectHandle object) noexcept {
    Object* copy = nullptr;
    if (object != nullptr) {
        copy = FromHandle(object)->Clone().release();
        FreeObjects& free = Free();
        const std::lock_guard<std::mutex> lock(free.mutex);
        free.live.insert(copy);
    }
    LogCall(HostOp::kObjClone, object, 0, nullptr, copy);
    return ToHandle(copy);
}

VINTRAX_HOST_EXPORT void VINTRAX_CALL MQObj_Freeze(ObjectHandle object, int flags) noexcept {
    LogCall(HostOp::kObjFreeze, object, flags);
    if (object != nullptr) FromHandle(object)->Freeze(flags);
}

VINTRAX_HOST_EXPORT void VINTRAX_CALL MQObj_DeleteVertex(ObjectHandle object, int vertex, int deleteFaces) noexcept {
    LogCall(HostOp::kObjDeleteVertex, object, vertex);
    if (object != nullptr) FromHandle(object)->DeleteVertex(vertex, deleteFaces != 0);
}

VINTRAX_HOST_EXPORT void VINTRAX_CALL MQObj_Merge(ObjectHandle destination, ObjectHandle source) noexcept {
    LogCall(HostOp::kObjMerge, destination, 0, source);
    if (destination != nullptr && source != nullptr) FromHandle(destination)->Merge(*FromHandle(source));
}

VINTRAX_HOST_EXPORT void VINTRAX_CALL MQObj_Compact(ObjectHandle object) noexcept {
    LogCall(HostOp::kObjCompact, object);
    if (object != nullptr) FromHandle(object)->Compact();
}

VINTRAX_HOST_EXPORT void VINTRAX_CALL MQObj_Delete(ObjectHandle object) noexcept {
    LogCall(HostOp::kObjDelete, object);
    Object* doomed = FromHandle(object);
    {
        FreeObjects& free = Free();
        const std::lock_guard<std::mutex> lock(free.mutex);
        if (free.live.erase(doomed) == 0) return;
    }
    delete doomed;
}

// The other host functions exist so that binding all 140 names succeeds; the
// plug-in never calls them. Each name in host_function_list.h gets an aborting
// stub unless it is marked as implemented below, so the two lists cannot drift:
// a name marked by mistake has no definition, and an implemented name left
// unmarked is defined twice; either way the build or the export test fails.
#define VINTRAX_IMPLEMENTED_MQDoc_GetObjectCount ~, 1
#define VINTRAX_IMPLEMENTED_MQDoc_GetObject ~, 1
#define VINTRAX_IMPLEMENTED_MQDoc_GetMaterialCount ~, 1
#define VINTRAX_IMPLEMENTED_MQDoc_GetMaterial ~, 1
#define VINTRAX_IMPLEMENTED_MQObj_GetVisible ~, 1
#define VINTRAX_IMPLEMENTED_MQObj_GetName ~, 1
#define VINTRAX_IMPLEMENTED_MQMat_GetName ~, 1
#define VINTRAX_IMPLEMENTED_MQObj_GetVertexCount ~, 1
#define VINTRAX_IMPLEMENTED_MQObj_GetVertexArray ~, 1
#define VINTRAX_IMPLEMENTED_MQObj_GetVertexRefCount ~, 1
#define VINTRAX_IMPLEMENTED_MQObj_GetVertex ~, 1
#define VINTRAX_IMPLEMENTED_MQObj_SetVertex ~, 1
#define VINTRAX_IMPLEMENTED_MQObj_GetFaceCount ~, 1
#define VINTRAX_IMPLEMENTED_MQObj_GetFaceMaterial ~, 1
#define VINTRAX_IMPLEMENTED_MQObj_GetFacePointCount ~, 1
#define VINTRAX_IMPLEMENTED_MQObj_GetFacePointArray ~, 1
#define VINTRAX_IMPLEMENTED_MQObj_Clone ~, 1
#define VINTRAX_IMPLEMENTED_MQObj_Freeze ~, 1
#define VINTRAX_IMPLEMENTED_MQObj_DeleteVertex ~, 1
#define VINTRAX_IMPLEMENTED_MQObj_Merge ~, 1
#define VINTRAX_IMPLEMENTED_MQObj_Compact ~, 1
#define VINTRAX_IMPLEMENTED_MQObj_Delete ~, 1

// VINTRAX_IS_IMPLEMENTED(name) is 1 when the marker above exists (it expands to
// two arguments, shifting the 1 into second place), else 0.
#define VINTRAX_SECOND_ARG(first, second, ...) second
#define VINTRAX_SECOND_OF(...) VINTRAX_SECOND_ARG(__VA_ARGS__, 0, ~)
#define VINTRAX_IS_IMPLEMENTED(name) VINTRAX_SECOND_OF(VINTRAX_IMPLEMENTED_##name)
#define VINTRAX_PASTE(a, b) VINTRAX_PASTE_INNER(a, b)
#define VINTRAX_PASTE_INNER(a, b) a##b

#define VINTRAX_STUB_IF_1(name)
#define VINTRAX_STUB_IF_0(name)                                                  \
    VINTRAX_HOST_EXPORT void VINTRAX_CALL name(void);                            \
    VINTRAX_HOST_EXPORT void VINTRAX_CALL name(void) {                           \
        std::fputs("stand-in host: " #name " is not implemented\n", stderr); \
        std::abort();                                                            \
    }
#define VINTRAX_STUB(name) VINTRAX_PASTE(VINTRAX_STUB_IF_, VINTRAX_IS_IMPLEMENTED(name))(name)

VINTRAX_FOR_EACH_HOST_FUNCTION(VINTRAX_STUB)
