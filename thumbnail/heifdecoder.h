#pragma once
// HEIF through libheif: HEIC (HEVC through libde265) and AVIF (AV1) alike, since libheif
// reads both containers with the same code for rotation, mirror, thumbnails and profiles.
// libheif decodes from memory and returns the whole picture, so the file and the decoded
// picture are held at once; the primary image's rotation and mirror are always applied.
#include "imagedecoder.h"

struct heif_context;
struct heif_image_handle;
struct heif_image;

class HeifDecoder : public ImageDecoder {
public:
    explicit HeifDecoder(DecoderInput &input);
    ~HeifDecoder() override;

    bool readHeader() override;
    // A smooth reduction takes the embedded thumbnail when it covers the size asked for.
    bool start(int coverWidth, int coverHeight) override;
    const std::uint8_t *row(int y) override;

private:
    heif_image_handle *coveringThumbnail(int coverWidth, int coverHeight);

    DecoderInput &input_;
    std::vector<std::uint8_t> file_;
    heif_context *context_ = nullptr;
    heif_image_handle *primary_ = nullptr;
    heif_image *image_ = nullptr;
    const std::uint8_t *plane_ = nullptr;
    int stride_ = 0;
};
