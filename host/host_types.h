// Types that cross the boundary between the host modeller and the plug-in.
#pragma once

// Every function that crosses the boundary, in either direction, uses the C
// calling convention. On 32-bit Windows that must be spelled out, because a host
// built with another default would otherwise clean up the stack twice or never.
#if defined(_WIN32) && (defined(__i386__) || defined(_M_IX86))
#define VINTRAX_CALL __cdecl
#else
#define VINTRAX_CALL
#endif

// A position: three IEEE single-precision floats, no padding. Always passed by
// pointer, singly or as an array.
struct Point3 {
    float x;
    float y;
    float z;
};
static_assert(sizeof(Point3) == 12, "Point3 must be three packed floats");

// Opaque handles owned by the host. A null handle means "no such thing" (an
// empty slot in the document's object or material list).
typedef struct VintraxHostDocument* DocumentHandle;
typedef struct VintraxHostObject* ObjectHandle;
typedef struct VintraxHostMaterial* MaterialHandle;
