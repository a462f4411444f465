#pragma once
// The photos a batch is given: names as they stand, or with folders walked down their whole
// tree. Each photo keeps its path relative to the folder it was found under, so a tree of
// thumbnails can mirror the tree of photos and two photos of one name in different folders
// do not meet.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

struct SourceEntry {
    std::string path;     // the name to open
    std::string relative; // its path under the folder it was found under; empty: none (flat)
    std::string skipped;  // why a folder met on the walk was not entered; empty for a photo
};

// Whether a file name (no folder) is one of the photos a walk takes.
using PhotoNameTest = std::function<bool(std::string_view name)>;

// A folder gives its photos: its names sorted by bytes, hidden ones left out, only files
// `isPhoto` accepts taken. Without `recursive`, that is the folder's own photos, and every
// name has no relative path. With it, a folder is walked down its tree, each photo relative
// to that folder; a photo named directly is found under the current folder: a
// relative name without ".." keeps its folders (a leading "./" dropped), any other keeps its
// file name only. The path always ends with the relative path. A link to
// a folder is followed only when it leads to a folder inside the tree that was not walked
// yet; a link out of the tree and a link back to a folder the walk is in (a loop) become
// skipped entries that say so.
std::vector<SourceEntry> ListSources(const std::vector<std::string> &names, bool recursive,
                                     const PhotoNameTest &isPhoto);
