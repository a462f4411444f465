#pragma once
// Where each photo of a batch puts its thumbnail: one set of naming rules for the window and
// the command line.
#include "outputformat.h"

#include <string>
#include <vector>

struct TargetNaming {
    std::string folder; // empty: each thumbnail goes beside its own photo
    bool addSuffix = true;
    std::string suffix;
    OutputFormat format = OutputFormat::Jpeg;
};

// The source path with the suffix appended when asked for, reduced to its file-name part
// (what follows the last "/", so a "/" inside the suffix cuts too) and placed in the folder,
// or in the photo's own folder when the folder is empty. An empty name stays empty. For a
// format other than JPEG the name's last extension becomes the format's (added when the name
// has none), so the file says what it holds; JPEG names are left as they are. With a folder, a
// photo found at `relative` under a walked folder keeps the folders of that path below it.
std::string ThumbnailTargetPath(const std::string &source, const TargetNaming &naming,
                                const std::string &relative = {});

// The naming of one size of several: its own folder "WxH" inside the folder (inside the
// photo's folder without one) with `ownFolder`, else its own suffix, "-WxH" put before the
// suffix's extension (".thumb.jpg" gives ".thumb-160x180.jpg").
TargetNaming NamingForSize(const TargetNaming &naming, int width, int height, bool ownFolder);

// Makes the folders of `target`'s own folder below `base`, the naming's folder (a walked
// folder's tree mirrored there), following no link inside it. Nothing to make without a base:
// the thumbnail then goes beside its photo. 0, or the errno of the step that failed.
int MakeTargetFolders(const std::string &base, const std::string &target);

// What a batch that asks no questions does with a photo.
enum class TargetPlan {
    Convert,
    SkipFolder,      // the source is a folder
    SkipExisting,    // the target exists (TargetExists) and may not be replaced
    RefuseSelf,      // the target is the photo itself: a failure, found before any work
    SkipDuplicate,   // an earlier photo of the list has the same target
    SkipOtherSource, // the target is another photo of the batch
};

struct PlannedTarget {
    std::string target;
    TargetPlan plan = TargetPlan::Convert;
    std::string otherSource; // for SkipDuplicate and SkipOtherSource
};

// Decided for the whole list before any conversion starts, so two photos never race for one
// target: the first in the list wins. `targets[i]` is the thumbnail of `sources[i]`.
std::vector<PlannedTarget> PlanTargets(const std::vector<std::string> &sources,
                                       const std::vector<std::string> &targets, bool overwrite);
// The same with each target named by ThumbnailTargetPath.
std::vector<PlannedTarget> PlanTargets(const std::vector<std::string> &sources,
                                       const TargetNaming &naming, bool overwrite);
