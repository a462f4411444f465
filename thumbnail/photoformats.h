#pragma once
// The photo files both front ends take from a folder or a file dialog, known by their names;
// what a file holds is decided by its content (SniffFormat) when it is read.
#include <span>
#include <string_view>

// The extensions, without their dot, lower case: jpg jpeg jpe heic heif avif webp png tif tiff.
std::span<const std::string_view> PhotoExtensions();

// Whether `name` ends in a dot and one of PhotoExtensions, in any case.
bool HasPhotoExtension(std::string_view name);
