#pragma once
// The program's side of the format module (formatmodule.h): loaded once, on first use, from
// where an installation puts it beside the program's folder (the build tree is laid out the
// same way). A program that links the formats in (the tests, the fuzz targets) uses those.
#include <string>

struct FormatModuleTable;

struct FormatModule {
    const FormatModuleTable *table = nullptr;
    // Without a table: why, naming the module ("the format module ... is missing: ...").
    std::string problem;
};

const FormatModule &LoadedFormatModule();
