#pragma once
// What a failed conversion is told as, in the same words by every front end.
#include "memorybudget.h"
#include "uthumbnail.h"

#include <cstdint>
#include <string>

// What a conversion was asked to do, as far as its failures name it.
struct ConversionAsked {
    std::string source;
    std::string target;
    int width = 0;
    int height = 0;
    std::uint64_t memoryLimit = kDefaultDecoderMemory;
};

// Why the conversion failed, from what the engine reported; "converted" for success.
std::string DescribeStatus(const ThumbnailStatus &status, const ConversionAsked &asked);

// "1G", "512M", "1000 bytes": the largest unit that shows the size exactly.
std::string MemorySizeText(std::uint64_t bytes);
