#include "targetplan.h"

#include "completefile.h"

#include <map>
#include <optional>

#include <sys/stat.h>

namespace {

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

std::string ThumbnailTargetPath(const std::string &source, const TargetNaming &naming) {
    const std::string name = naming.addSuffix ? source + naming.suffix : source;
    if (name.empty())
        return name;
    std::string path = naming.folder;
    if (path.empty())
        path = source.substr(0, source.rfind('/') + 1); // nothing for a bare file name
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

std::vector<PlannedTarget> PlanTargets(const std::vector<std::string> &sources,
                                       const TargetNaming &naming, bool overwrite) {
    std::vector<std::optional<FileIdentity>> ids;
    for (const std::string &source : sources)
        ids.push_back(IdentityOfPath(source));
    // The photo of the batch that `target` names, through any name or link, if any.
    const auto sourceNamedBy = [&](const std::string &target) -> std::optional<std::size_t> {
        for (const FileIdentity &id : identitiesOf(target))
            for (std::size_t i = 0; i < ids.size(); ++i)
                if (ids[i] == id)
                    return i;
        return std::nullopt;
    };

    std::vector<PlannedTarget> plans;
    std::map<std::string, std::string> claimed;
    for (std::size_t i = 0; i < sources.size(); ++i) {
        PlannedTarget p;
        p.target = ThumbnailTargetPath(sources[i], naming);
        const std::optional<std::size_t> named = sourceNamedBy(p.target);
        struct stat st {};
        if (::stat(sources[i].c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
            p.plan = TargetPlan::SkipFolder;
        } else if (auto it = claimed.find(p.target); it != claimed.end()) {
            p.plan = TargetPlan::SkipDuplicate;
            p.otherSource = it->second;
        } else if (named && !(ids[i] && ids[*named] == ids[i])) {
            p.plan = TargetPlan::SkipOtherSource;
            p.otherSource = sources[*named];
        } else {
            claimed.emplace(p.target, sources[i]);
            if (!overwrite && ::lstat(p.target.c_str(), &st) == 0)
                p.plan = TargetPlan::SkipExisting;
        }
        plans.push_back(std::move(p));
    }
    return plans;
}
