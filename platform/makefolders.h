#pragma once
// Output trees: the folders a thumbnail goes into, made when missing.
#include <string>

// Makes `base` (with any missing parents, as MakeFolderPath does) and then each folder of `below`,
// a relative path, inside it. Inside the base no link is followed: a link (or a file) where a
// folder of `below` should be is refused with ENOTDIR, so nothing is made outside the tree.
// 0, or the errno of the step that failed.
int MakeFoldersBelow(const std::string &base, const std::string &below);
