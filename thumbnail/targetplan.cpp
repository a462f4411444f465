#include "targetplan.h"

#include "completefile.h"
#include "filestate.h"
#include "makefolders.h"
#include "pathparts.h"

#include <algorithm>

#include <functional>
#include <optional>
#include <unordered_map>

#include <sys/stat.h>

namespace {

struct IdentityHash {
    std::size_t operator()(const FileIdentity &id) const {
        return std::hash<dev_t>()(id.device) * 31 + std::hash<ino_t>()(id.inode);
    }
};

// The files a name stands for: the link itself, and what it leads to.
std::vector<FileIdentity> identitiesOf(const std::string &path) {
    std::vector<FileIdentity> ids;
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0)
        ids.push_back({st.st_dev, st.st_ino});
    if (auto followed = IdentityOfPath(path))
        ids.push_back(*followed);
    return ids;
}

} // namespace

std::string ThumbnailTargetPath(const std::string &source, const TargetNaming &naming,
                                const std::string &relative) {
    const std::string name = naming.addSuffix ? source + naming.suffix : source;
    if (name.empty())
        return name;
    std::string path = naming.folder;
    if (path.empty())
        path = source.substr(0, source.rfind('/') + 1); // nothing for a bare file name
    else if (const std::size_t slash = relative.rfind('/'); slash != std::string::npos)
        path += "/" + relative.substr(0, slash);
    if (!path.empty() && path.back() != '/')
        path += '/';
    const std::size_t slash = name.rfind('/');
    std::string file = slash == std::string::npos ? name : name.substr(slash + 1);
    if (naming.format != OutputFormat::Jpeg && !file.empty()) {
        // A leading dot starts a hidden name, not an extension.
        const std::size_t dot = file.rfind('.');
        file = file.substr(0, dot == 0 || dot == std::string::npos ? file.size() : dot);
        file += FormatExtension(naming.format);
    }
    return path + file;
}

TargetNaming NamingForSize(const TargetNaming &naming, int width, int height, bool ownFolder) {
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    TargetNaming sized = naming;
    if (ownFolder) {
        sized.folder = (naming.folder.empty() ? std::string(".") : naming.folder) + "/" + size;
        return sized;
    }
    const std::size_t dot = naming.suffix.rfind('.');
    const std::size_t at = dot == std::string::npos || dot == 0 ? naming.suffix.size() : dot;
    sized.suffix.insert(at, "-" + size);
    return sized;
}

std::vector<PlannedTarget> PlanTargets(const std::vector<std::string> &sources,
                                       const TargetNaming &naming, bool overwrite) {
    std::vector<std::string> targets;
    for (const std::string &source : sources)
        targets.push_back(ThumbnailTargetPath(source, naming));
    return PlanTargets(sources, targets, overwrite);
}

std::vector<PlannedTarget> PlanTargets(const std::vector<std::string> &sources,
                                       const std::vector<std::string> &targets, bool overwrite) {
    // Looked up once per photo, so that planning stays linear in the length of the list.
    std::vector<std::optional<FileIdentity>> ids;
    ids.reserve(sources.size());
    std::unordered_map<FileIdentity, std::size_t, IdentityHash> firstWith;
    for (std::size_t i = 0; i < sources.size(); ++i) {
        ids.push_back(IdentityOfPath(sources[i]));
        if (ids.back())
            firstWith.emplace(*ids.back(), i);
    }
    // The photo of the batch that `target` names, through any name or link, if any.
    const auto sourceNamedBy = [&](const std::string &target) -> std::optional<std::size_t> {
        for (const FileIdentity &id : identitiesOf(target))
            if (auto it = firstWith.find(id); it != firstWith.end())
                return it->second;
        return std::nullopt;
    };

    std::vector<PlannedTarget> plans;
    plans.reserve(sources.size());
    std::unordered_map<std::string, std::size_t> claimed;
    for (std::size_t i = 0; i < sources.size(); ++i) {
        PlannedTarget p;
        p.target = targets[i];
        const std::optional<std::size_t> named = sourceNamedBy(p.target);
        struct stat st {};
        if (::stat(sources[i].c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
            p.plan = TargetPlan::SkipFolder;
        } else if (auto it = claimed.find(p.target); it != claimed.end()) {
            p.plan = TargetPlan::SkipDuplicate;
            p.otherSource = sources[it->second];
        } else if (named && ids[i] && ids[*named] == ids[i]) {
            p.plan = TargetPlan::RefuseSelf;
        } else if (named) {
            p.plan = TargetPlan::SkipOtherSource;
            p.otherSource = sources[*named];
        } else {
            claimed.emplace(p.target, i);
            if (!overwrite && TargetExists(p.target))
                p.plan = TargetPlan::SkipExisting;
        }
        plans.push_back(std::move(p));
    }
    return plans;
}

int MakeTargetFolders(const std::string &base, const std::string &target) {
    if (base.empty())
        return 0;
    const std::string folder = FolderOf(target);
    return MakeFoldersBelow(base, folder.substr(std::min(folder.size(), base.size())));
}
