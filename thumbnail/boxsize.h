#pragma once
// A thumbnail's box written as "WxH", as the command line and presets give it.
#include <string>

// The largest side a JPEG can have.
constexpr int kMaxBoxSide = 65500;
// "WxH" with both sides whole numbers from 1 to kMaxBoxSide.
bool ParseBoxSize(const std::string &text, int &width, int &height);
