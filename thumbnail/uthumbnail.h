#pragma once
// The thumbnail engine: one photo in (JPEG, PNG, WebP, HEIC/AVIF or TIFF, told by its
// content), one JPEG thumbnail out. Failures are only a false
// result (or, for MakeThumbnailFile, a reason); nothing is shown or thrown. No state is kept
// between calls.
#include "colors.h"
#include "completefile.h"
#include "outputformat.h"
#include "sharedreadfile.h"

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <span>
#include <string>
#include <utility>
#include <vector>

class DecoderMemoryBudget;

// Opt-in departures from the exact thumbnail, which stays the default.
struct ThumbnailExtras {
    // A scaled decode reduced by a Lanczos-3 filter instead of nearest-neighbour sampling;
    // written without chroma subsampling.
    bool smooth = false;
    // The EXIF orientation applied before the geometry; the thumbnail carries no tag.
    bool upright = false;
    // The source's ICC profile copied into the thumbnail unchanged.
    bool keepProfile = false;
    // A photo that fits in the box is drawn at its own size, never enlarged.
    bool onlyShrink = false;
};

// What one thumbnail is to be: the box, how the picture fills it, the fill colour and the
// opt-in extras.
struct ThumbnailRequest {
    int width = 0;
    int height = 0;
    bool keepAspect = false;
    TColor fill = 0; // already resolved: a system colour belongs to the front end's palette
    // The fill area is transparent in a format with alpha; JPEG has none, so there the flag
    // cannot reach the written bytes.
    bool transparent = false;
    bool eraseEmpty = false;
    ThumbnailExtras extras;
    OutputFormat format = OutputFormat::Jpeg;
    int quality = kDefaultQuality; // 1 to 100, the same look in every lossy format
    // The pixels converted from the photo's ICC profile to sRGB; with keepProfile the
    // thumbnail then carries a compact sRGB profile instead of the photo's.
    bool srgb = false;
    // The settings stamp (settingsstamp.h) inside the thumbnail, for runs that skip thumbnails
    // made with the same settings.
    bool stamped = false;
};

// Reads the source from its current position to its end and, only when everything has
// succeeded, writes the complete thumbnail to the target in one write. A box below 1 on a
// side, a source that cannot be decoded and a canvas without pixels (a cropped thumbnail of
// an extremely elongated source) are failures; nothing is written then.
bool CreateThumbnailStream(std::istream &Source, std::ostream &Target, int Width, int Height,
                           bool KeepAspect, TColor FillColor, bool Transparent, bool EraseEmpty);

// The same from one named file to another. The source is opened for reading with a shared
// lock (refused while another program holds an exclusive one; read without a lock where the
// file system has none). The thumbnail is made in memory and written with
// WriteCompleteFile: the target is complete or, after any failure or kill, as it was before
// (absent, or the previous file untouched). A target that is the source itself, through any
// name or link, is refused before anything changes; a link at the target name is replaced,
// never written through; a FIFO, device or socket is refused, never opened or waited on.
bool CreateThumbnail(const std::string &SourceFileName, const std::string &TargetFileName,
                     int Width, int Height, bool KeepAspect, TColor FillColor, bool Transparent,
                     bool EraseEmpty);

enum class ThumbnailError {
    None,
    InvalidBox,     // width or height below 1
    Source,         // the source could not be opened; `systemError` tells why
    NotDecodable,   // not a photo that can be decoded; `message` holds the decoder's words
    TooLarge,       // the picture needs more decoder memory than it may have: `memoryNeeded`
    EmptyThumbnail, // the canvas would have no pixels
    Target,         // the target was refused or could not be written; `systemError` tells why
    NotEncodable,   // libjpeg could not encode the canvas; `message` tells why
    OutOfMemory,    // the system refused memory
    Stopped,        // the batch stopped while the conversion waited for decoder memory
    Unexpected,     // anything else that went wrong; `message` holds its text
};

struct ThumbnailStatus {
    ThumbnailStatus() = default;
    ThumbnailStatus(ThumbnailError error, int systemError = 0, std::string message = {},
                    std::uint64_t memoryNeeded = 0)
        : error(error), systemError(systemError), message(std::move(message)),
          memoryNeeded(memoryNeeded) {}

    ThumbnailError error = ThumbnailError::None;
    // An errno value, or kErrorSpecialFile / kErrorProtectedTarget (completefile.h).
    int systemError = 0;
    // The library's own words, in English, as it gives them; after a success, what was not
    // quite as asked (a colour profile that could not be used), when anything was not.
    std::string message;
    // What decoding the picture takes, estimated from its header (when known).
    std::uint64_t memoryNeeded = 0;

    explicit operator bool() const { return error == ThumbnailError::None; }
};

// Sees the opened source before it is decoded; a failure it returns ends the conversion.
using SourceCheck = std::function<ThumbnailStatus(const SharedReadFile &)>;

// CreateThumbnailStream for a request, with the reason of a failure (a target stream that
// refuses the bytes is a Target failure).
ThumbnailStatus MakeThumbnailStream(std::istream &Source, std::ostream &Target,
                                    const ThumbnailRequest &Request);

// The thumbnail of the named source into `Thumbnail`, the source opened as SharedReadFile
// opens it and the decoder's memory taken from `Budget` (kDefaultDecoderMemory without one).
// Never throws.
ThumbnailStatus MakeThumbnailBytes(const std::string &SourceFileName, std::string &Thumbnail,
                                   const ThumbnailRequest &Request, DecoderMemoryBudget *Budget,
                                   const SourceCheck &Opened = {});

// A thumbnail's box.
struct ThumbnailBox {
    int width = 0;
    int height = 0;
};

// MakeThumbnailBytes for several boxes of one source, the rest of the request shared (its own
// box is not looked at): a JPEG is opened, read and decoded once for all boxes, each exact
// thumbnail byte for byte what MakeThumbnailBytes makes for its box, each smooth one too when
// its box needs as much detail as the largest (DrawPictures); another format's decoder reads
// the photo for each box. `Thumbnails` and the result hold one entry a box.
std::vector<ThumbnailStatus>
MakeThumbnailSizes(const std::string &SourceFileName, const ThumbnailRequest &Request,
                   std::span<const ThumbnailBox> Boxes, std::vector<std::string> &Thumbnails,
                   DecoderMemoryBudget *Budget, const SourceCheck &Opened = {});

// CreateThumbnail with the reason of a failure, the decoder's memory taken from `Budget` as
// MakeThumbnailBytes takes it. A replaced target's permissions, owner and group pass to the
// new file.
ThumbnailStatus MakeThumbnailFile(const std::string &SourceFileName,
                                  const std::string &TargetFileName,
                                  const ThumbnailRequest &Request,
                                  DecoderMemoryBudget *Budget = nullptr);
