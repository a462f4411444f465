#include "sourcewalk.h"

#include "completefile.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <memory>
#include <set>
#include <utility>

#include <dirent.h>
#include <sys/stat.h>

namespace {

std::string join(const std::string &folder, const std::string &name) {
    if (folder.empty() || folder == ".")
        return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

std::string realPathOf(const std::string &path) {
    std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr), &std::free);
    return real ? std::string(real.get()) : std::string();
}

bool isInside(const std::string &path, const std::string &tree) {
    return path == tree || tree == "/" ||
           (path.size() > tree.size() && path.compare(0, tree.size(), tree) == 0 &&
            path[tree.size()] == '/');
}

// The path of a photo named directly, relative to the current folder, spelt as the name
// spells it (so the name always ends with it); the file name only for a name that leaves
// the current folder.
std::string relativeOfNamed(const std::string &name) {
    if (name[0] == '/' || name == ".." || name.starts_with("../") || name.ends_with("/..") ||
        name.find("/../") != std::string::npos)
        return name.substr(name.rfind('/') + 1);
    std::size_t start = 0;
    while (name.compare(start, 2, "./") == 0 || name.compare(start, 1, "/") == 0)
        start += name[start] == '.' ? 2 : 1;
    return name.substr(start);
}

class TreeWalk {
public:
    // Not `deep`: the root's own photos only, with no relative paths (a flat batch).
    TreeWalk(const PhotoNameTest &isPhoto, std::vector<SourceEntry> &out, bool deep)
        : isPhoto_(isPhoto), out_(out), deep_(deep) {}

    void walkRoot(const std::string &root) {
        tree_ = realPathOf(root);
        walk(root, "");
    }

private:
    // The folder at `path`, `relative` below the root.
    void walk(const std::string &path, const std::string &relative) {
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0)
            return;
        const FileIdentity id{st.st_dev, st.st_ino};
        walked_.insert(id);
        inside_.push_back(id);
        std::vector<std::pair<std::string, unsigned char>> names;
        if (DIR *dir = ::opendir(path.c_str())) {
            while (const dirent *e = ::readdir(dir))
                if (e->d_name[0] != '.')
                    names.emplace_back(e->d_name, e->d_type);
            ::closedir(dir);
        }
        std::sort(names.begin(), names.end());
        for (const auto &[name, type] : names)
            visit(join(path, name), join(relative, name), type);
        inside_.pop_back();
    }

    void visit(const std::string &path, const std::string &relative, unsigned char type) {
        if (type == DT_REG) {
            take(path, relative);
            return;
        }
        if (type == DT_DIR) {
            if (deep_)
                walk(path, relative);
            return;
        }
        struct stat st {};
        if (type != DT_LNK && type != DT_UNKNOWN)
            return;
        if (::stat(path.c_str(), &st) != 0)
            return; // a dangling link
        if (S_ISREG(st.st_mode)) {
            take(path, relative);
            return;
        }
        if (!S_ISDIR(st.st_mode) || !deep_)
            return;
        const FileIdentity id{st.st_dev, st.st_ino};
        struct stat own {};
        const bool link = ::lstat(path.c_str(), &own) == 0 && S_ISLNK(own.st_mode);
        if (std::find(inside_.begin(), inside_.end(), id) != inside_.end())
            out_.push_back({path, relative, "a link back to a folder it is in (a loop)"});
        else if (link && !isInside(realPathOf(path), tree_))
            out_.push_back({path, relative, "a link to a folder outside the tree"});
        else if (walked_.count(id) == 0)
            walk(path, relative);
    }

    void take(const std::string &path, const std::string &relative) {
        if (isPhoto_(relative.substr(relative.rfind('/') + 1)))
            out_.push_back({path, deep_ ? relative : std::string(), {}});
    }

    struct Less {
        bool operator()(const FileIdentity &a, const FileIdentity &b) const {
            return std::pair(a.device, a.inode) < std::pair(b.device, b.inode);
        }
    };

    const PhotoNameTest &isPhoto_;
    std::vector<SourceEntry> &out_;
    bool deep_;
    std::string tree_;
    std::vector<FileIdentity> inside_; // the folders from the root down to the current one
    std::set<FileIdentity, Less> walked_;
};

} // namespace

std::vector<SourceEntry> ListSources(const std::vector<std::string> &names, bool recursive,
                                     const PhotoNameTest &isPhoto) {
    std::vector<SourceEntry> entries;
    for (const std::string &name : names) {
        struct stat st {};
        if (name.empty() || ::stat(name.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
            entries.push_back({name, recursive ? relativeOfNamed(name) : std::string(), {}});
        else
            TreeWalk(isPhoto, entries, recursive).walkRoot(name);
    }
    return entries;
}
