// What the tool tells the user about each object with a clone name. The plug-in
// says nothing itself: which clones it rebuilt comes from the host operations it
// called, why others were left alone from the name rules.
#pragma once

#include <string>
#include <vector>

#include "hostsim/document.h"
#include "tools/vintrax-update/update_run.h"

namespace vintrax::objtool {

// The library reads object names through a 64-byte buffer: it sees at most the
// first 63 bytes of a longer name.
inline constexpr std::size_t kNameBytesSeen = 63;

enum class CloneStatus {
    kRebuilt,
    kNoClosingBracket,  // the prefix with no ']' after it
    kEmptySourceName,   // "vintrax[]..."
    kNoSource,          // no visible object has exactly the source name
    kNotRebuilt,        // a source exists, yet the library left the clone alone
};

struct CloneLine {
    int object = -1;
    std::string name;              // in full, as in the file
    bool nameCutShort = false;     // longer than the library sees
    CloneStatus status = CloneStatus::kNotRebuilt;
    std::string sourceName;        // empty unless the name parses as a clone
    int sourceObject = -1;
    std::string suggestion;        // kNoSource: a name that differs only in letter case
    bool changed = false;          // kRebuilt: geometry differs from what was read
    int vertices = 0;              // kRebuilt: the clone's vertices and faces now
    int faces = 0;
    bool hasTranslation = false;   // kRebuilt: how far the copy was moved
    Point3 translation = {0, 0, 0};
};

std::vector<CloneLine> DescribeClones(const hostsim::Document& doc, const UpdateOutcome& outcome);

// One line per clone name, then a summary. `check` words it as a check that
// changed nothing.
std::string FormatTextReport(const std::vector<CloneLine>& lines, bool check);
std::string FormatJsonReport(const std::vector<CloneLine>& lines, bool check);

}  // namespace vintrax::objtool
