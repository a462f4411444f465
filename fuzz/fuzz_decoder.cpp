// Fuzz target for one photo decoder, built once per format (FUZZ_FORMAT names it): the input
// is the file itself, and the first byte chooses a cover size for the cheaper route a smooth
// reduction may take, and with its top bit ink rows where the picture has them (as for a
// profile's conversion). Every row is read, as the smooth mode reads them.
#include "imagedecoder.h"

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

// libheif's AV1 path can leave one of libdav1d's picture references behind when a damaged
// stream ends a decode early; it is the library's, not this target's, and would end every run.
extern "C" const char *__lsan_default_suppressions() {
    return "leak:libdav1d.so\n";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size < 1)
        return 0;
    const int cover = data[0] & 0x7F; // 0: the full picture
    std::istringstream in(std::string(reinterpret_cast<const char *>(data + 1), size - 1));
    DecoderInput input(in);
    const auto decoder = MakeImageDecoder(PhotoFormat::FUZZ_FORMAT, input);
    // What a header may claim is weighed before anything is allocated for it.
    decoder->setMemoryLimit(std::uint64_t(256) << 20);
    if (!decoder->readHeader())
        return 0;
    if (data[0] & 0x80)
        decoder->deliverInk();
    if (!decoder->start(cover, cover))
        return 0;
    for (int y = 0; y < decoder->outputHeight(); ++y)
        if (!decoder->row(y))
            return 0;
    decoder->finish();
    return 0;
}
