#include "heifdecoder.h"

#include <libheif/heif.h>

#include <mutex>
#include <string>

namespace {

std::string messageOf(const heif_error &error) {
    return error.message ? error.message : "libheif failed";
}

bool isMemoryError(const heif_error &error) {
    return error.code == heif_error_Memory_allocation_error ||
           error.subcode == heif_suberror_Security_limit_exceeded;
}

} // namespace

HeifDecoder::HeifDecoder(DecoderInput &input) : input_(input) {
    // Registers libheif's decoders once for the whole process; never undone.
    static std::once_flag started;
    std::call_once(started, [] { heif_init(nullptr); });
}

HeifDecoder::~HeifDecoder() {
    heif_image_release(image_);
    heif_image_handle_release(primary_);
    heif_context_free(context_);
}

bool HeifDecoder::readHeader() {
    if (!input_.readAll(file_, limit_))
        return fail("the file needs more memory than the decoder may use", true);
    context_ = heif_context_alloc();
    if (!context_)
        return fail("libheif could not start", true);
    heif_error error =
        heif_context_read_from_memory_without_copy(context_, file_.data(), file_.size(), nullptr);
    if (error.code == heif_error_Ok)
        error = heif_context_get_primary_image_handle(context_, &primary_);
    if (error.code != heif_error_Ok)
        return fail(messageOf(error), isMemoryError(error));
    header_.width = heif_image_handle_get_width(primary_);
    header_.height = heif_image_handle_get_height(primary_);
    header_.alpha = heif_image_handle_has_alpha_channel(primary_);
    channels_ = header_.alpha ? 4 : 3;
    // A 'colr' box of type 'prof' or 'rICC' holds an ICC profile; 'nclx' only names one.
    const heif_color_profile_type type = heif_image_handle_get_color_profile_type(primary_);
    if (type == heif_color_profile_type_prof || type == heif_color_profile_type_rICC) {
        header_.iccProfile.resize(heif_image_handle_get_raw_color_profile_size(primary_));
        if (heif_image_handle_get_raw_color_profile(primary_, header_.iccProfile.data()).code !=
            heif_error_Ok)
            header_.iccProfile.clear();
    }
    // The file, the coded planes (up to three 16-bit samples a pixel) and the RGB output,
    // and the codec's own state.
    const std::uint64_t pixels = std::uint64_t(header_.width) * std::uint64_t(header_.height);
    header_.memoryNeed = file_.size() + pixels * (6 + std::uint64_t(channels_)) + (16 << 20);
    return true;
}

heif_image_handle *HeifDecoder::coveringThumbnail(int coverWidth, int coverHeight) {
    if (coverWidth <= 0 || coverHeight <= 0)
        return nullptr;
    const int count = heif_image_handle_get_number_of_thumbnails(primary_);
    std::vector<heif_item_id> ids(std::size_t(count > 0 ? count : 0));
    heif_image_handle_get_list_of_thumbnail_IDs(primary_, ids.data(), count);
    heif_image_handle *best = nullptr;
    for (heif_item_id id : ids) {
        heif_image_handle *thumbnail = nullptr;
        if (heif_image_handle_get_thumbnail(primary_, id, &thumbnail).code != heif_error_Ok)
            continue;
        const int w = heif_image_handle_get_width(thumbnail);
        const int h = heif_image_handle_get_height(thumbnail);
        // The smallest that covers the size, turned as the picture is turned.
        if (w >= coverWidth && h >= coverHeight &&
            (!best || std::int64_t(w) * h < std::int64_t(heif_image_handle_get_width(best)) *
                                                heif_image_handle_get_height(best))) {
            heif_image_handle_release(best);
            best = thumbnail;
        } else {
            heif_image_handle_release(thumbnail);
        }
    }
    return best;
}

bool HeifDecoder::start(int coverWidth, int coverHeight) {
    if (failed_ || !fits(header_.memoryNeed))
        return false;
    heif_image_handle *thumbnail = coveringThumbnail(coverWidth, coverHeight);
    heif_image_handle *source = thumbnail ? thumbnail : primary_;
    channels_ = heif_image_handle_has_alpha_channel(source) ? 4 : 3;
    heif_decoding_options *options = heif_decoding_options_alloc();
    options->convert_hdr_to_8bit = 1;
    const heif_error error = heif_decode_image(
        source, &image_, heif_colorspace_RGB,
        channels_ == 4 ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, options);
    heif_decoding_options_free(options);
    heif_image_handle_release(thumbnail);
    if (error.code != heif_error_Ok)
        return fail(messageOf(error), isMemoryError(error));
    outputWidth_ = heif_image_get_width(image_, heif_channel_interleaved);
    outputHeight_ = heif_image_get_height(image_, heif_channel_interleaved);
    plane_ = heif_image_get_plane_readonly(image_, heif_channel_interleaved, &stride_);
    if (!plane_ || outputWidth_ <= 0 || outputHeight_ <= 0)
        return fail("libheif delivered no picture");
    return true;
}

const std::uint8_t *HeifDecoder::row(int y) {
    if (failed_ || y < 0 || y >= outputHeight_)
        return nullptr;
    return plane_ + std::size_t(y) * std::size_t(stride_);
}
