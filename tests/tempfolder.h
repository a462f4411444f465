#pragma once
// A fresh folder under $TMPDIR (else /tmp) for one test's files, removed with everything in it,
// even where the test took the permissions away.
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <system_error>

#ifdef QT_CORE_LIB
#include <QFile>
#include <QString>
#endif

class TempFolder {
public:
    TempFolder()
        : path_((std::filesystem::temp_directory_path() / "quillet-test-XXXXXX").string()) {
        if (!::mkdtemp(path_.data()))
            throw std::system_error(errno, std::generic_category(), "mkdtemp");
    }
    ~TempFolder() { removeAll(path_); }
    TempFolder(const TempFolder &) = delete;
    TempFolder &operator=(const TempFolder &) = delete;

    const std::string &path() const { return path_; }
    std::string file(std::string_view name) const { return path_ + "/" + std::string(name); }
    std::set<std::string> names() const { // hidden ones included
        std::set<std::string> all;
        for (const auto &entry : std::filesystem::directory_iterator(path_))
            all.insert(entry.path().filename().string());
        return all;
    }
#ifdef QT_CORE_LIB
    QString qPath() const {
        return QFile::decodeName(path_.c_str());
    }
    QString filePath(const QString &name) const {
        return qPath() + QLatin1Char('/') + name;
    }
#endif

private:
    static void removeAll(const std::filesystem::path &path) {
        namespace fs = std::filesystem;
        std::error_code ignored;
        if (fs::is_directory(fs::symlink_status(path, ignored))) {
            fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, ignored);
            for (const auto &entry : fs::directory_iterator(path, ignored))
                removeAll(entry.path());
        }
        fs::remove(path, ignored);
    }

    std::string path_;
};
