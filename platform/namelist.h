#pragma once
// Lists of file names as scripts hand them over: one name a line, or NUL-separated as
// `find -print0` writes them (the only form that can hold any name). Names are bytes; no
// encoding is assumed.
#include <string>
#include <string_view>
#include <vector>

// NUL-separated when the text holds a NUL byte, else one name a line; empty names are left
// out, nothing else of a name is touched (a "\r" or blank stays part of it).
std::vector<std::string> SplitNameList(std::string_view text);

// The names of the list in the file `path` ("-": standard input). 0, or the errno of the read.
int ReadNameList(const std::string &path, std::vector<std::string> &names);
