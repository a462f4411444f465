#pragma once
// A fresh folder under $TMPDIR (else /tmp) for one test's files, removed with everything in it,
// even where the test took its write permission away.
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
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
    ~TempFolder() {
        namespace fs = std::filesystem;
        std::error_code ignored;
        fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder &) = delete;
    TempFolder &operator=(const TempFolder &) = delete;

    const std::string &path() const { return path_; }
    std::string file(const std::string &name) const { return path_ + "/" + name; }
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
    std::string path_;
};
