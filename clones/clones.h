// The "Update Clones" command: finding clones and their sources in the open
// document, measuring anchor points and rebuilding each clone from its source.
//
// Everything here reaches the document only through the bound host functions
// (host/host_calls.h); the table must be bound (HostFunctionsCallable()).
#pragma once

#include "host/host_types.h"

namespace vintrax {

// Rebuilds every visible clone whose source is a visible object, in ascending
// object index. Returns 1 when at least one clone was rebuilt, else 0.
// Never throws: when working memory runs out the run stops, its containers are
// released, the rebuilds already made stay, and the result says whether any was.
int UpdateClones(DocumentHandle document) noexcept;

// Index of the first material whose whole name is the marker material's name
// (letter case aside), or -1. Stops reading materials at the match.
int FindMarkerMaterial(DocumentHandle document);

// Replaces `clone`'s vertices and faces by a frozen copy of `source`, translated so
// that the copy's anchor lands on the clone's anchor (marker centroids when both
// have marker faces, else bounding-box centres; untranslated when no pair exists).
// - `source` and `clone` are different objects of the same document.
// - markerIndex is a material index, or -1 when there is no marker material.
// - `source` is only copied; the clone's settings, handle and slot are kept.
// Returns false, leaving the clone untouched, only when the host could not make
// the copy. The copy is destroyed on every path, also when an allocation throws.
bool RebuildClone(ObjectHandle source, ObjectHandle clone, int markerIndex);

// Centroid of the distinct vertices of the object's faces whose material is
// markerIndex, summed in ascending vertex index and divided by their number.
// Returns false, leaving *anchor untouched, when there is no such vertex.
bool GetMarkerCentroid(ObjectHandle object, Point3* anchor, int markerIndex);

// Centre of the bounding box of the object's referenced vertices (those faces use).
// Returns false, leaving *anchor untouched, when no vertex is referenced.
bool GetUsedBoundsCentre(ObjectHandle object, Point3* anchor);

}  // namespace vintrax
