#include "formatloader.h"

#include "formatmodule.h"
#include "programfolder.h"

#include <cstring>
#include <filesystem>

#include <dlfcn.h>
#include <sys/stat.h>

// Resolved only in a program that links the formats in; null elsewhere.
#pragma weak quillet_format_module

namespace {

// dlerror's words without the path it starts with, which the problem names already.
std::string reason(const std::string &path) {
    const char *error = ::dlerror();
    std::string why = error ? error : "unknown error";
    if (why.starts_with(path + ": "))
        why.erase(0, path.size() + 2);
    return why;
}

FormatModule load() {
    if (quillet_format_module)
        return {quillet_format_module(), {}};
    const std::string path =
        std::filesystem::path(ProgramFolder() + QUILLET_FORMAT_MODULE_PATH).lexically_normal();
    const std::string name = "the format module " + path;
    // Never unloaded: the decoders and encoders it makes may live until the program ends.
    void *handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        struct stat st {};
        const bool present = ::stat(path.c_str(), &st) == 0;
        return {nullptr, name + (present ? " cannot be loaded: " : " is missing: ") + reason(path)};
    }
    const auto entry =
        reinterpret_cast<const FormatModuleTable *(*)()>(::dlsym(handle, "quillet_format_module"));
    if (!entry)
        return {nullptr, name + " cannot be loaded: " + reason(path)};
    const FormatModuleTable *table = entry();
    if (table->interface != kFormatModuleInterface ||
        std::strcmp(table->version, QUILLET_FORMATS_VERSION) != 0)
        return {nullptr, name + " belongs to another build (" + table->version + ", interface " +
                             std::to_string(table->interface) + "; this program is " +
                             QUILLET_FORMATS_VERSION + ", interface " +
                             std::to_string(kFormatModuleInterface) + ")"};
    return {table, {}};
}

// Stands for a format's decoder while the module cannot be had: every photo of the format
// fails with the reason.
class UnavailableDecoder : public ImageDecoder {
public:
    explicit UnavailableDecoder(const std::string &problem) : problem_(problem) {}

    bool readHeader() override { return fail(problem_); }
    bool start(int, int) override { return fail(problem_); }
    const std::uint8_t *row(int) override { return nullptr; }

private:
    const std::string &problem_;
};

} // namespace

const FormatModule &LoadedFormatModule() {
    static const FormatModule module = load();
    return module;
}

std::unique_ptr<ImageDecoder> MakeImageDecoder(PhotoFormat format, DecoderInput &input) {
    if (format == PhotoFormat::Jpeg || format == PhotoFormat::Unknown)
        return nullptr;
    const FormatModule &module = LoadedFormatModule();
    if (!module.table)
        return std::make_unique<UnavailableDecoder>(module.problem);
    return std::unique_ptr<ImageDecoder>(module.table->makeDecoder(format, input));
}
