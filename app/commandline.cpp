#include "commandline.h"

#include "filenames.h"
#include "optionparser.h"
#include "photoformats.h"

#include <QCollator>
#include <QLocale>

#include <algorithm>
#include <cstdio>

namespace {

// --help and --version, then Qt's own options, with one dash or two: the application object
// takes those out of the arguments; here they are read past, so their values are not taken
// for photos, and the two that say where the windows open are kept.
std::vector<CommandOption> quilletTable(std::string &platform, std::string &display) {
    std::vector<CommandOption> table{FinalOption('h', "help", "show this help"),
                                     FinalOption(0, "version", "show the version")};
    const auto addQt = [&table](std::string_view name, bool takesValue,
                                std::function<bool(const std::string &)> take) {
        CommandOption option = takesValue ? ValueOption(0, name, "VALUE", {}, "a value", take)
                                          : FlagOption(0, name, {}, [] {});
        option.singleDash = true;
        table.push_back(std::move(option));
    };
    const auto ignored = [](const std::string &) { return true; };
    addQt("platform", true, TextInto(platform));
    addQt("display", true, TextInto(display));
    for (const char *name : {"platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
                             "qwindowicon", "qwindowtitle", "session", "style", "stylesheet",
                             "geometry", "name", "title", "visual", "qmljsdebugger"})
        addQt(name, true, ignored);
    for (const char *name : {"reverse", "widgetcount", "nograb", "dograb", "sync"})
        addQt(name, false, ignored);
    return table;
}

} // namespace

std::string QuilletUsage() {
    std::string platform, display;
    return "Usage: quillet [options] [PHOTO|FOLDER]...\n"
           "Turns a batch of photos into JPEG thumbnails. Opens the Quillet window with the\n"
           "given photos in its list; a folder adds the photo files inside it (.jpg .jpeg .jpe\n"
           ".heic .heif .avif .webp .png .tif .tiff in any case), sorted by name, or with the\n"
           "window's \"Include subfolders\" on those of its whole tree. A path that does not\n"
           "exist is skipped with a message.\n"
           "\n" +
           OptionsHelp(quilletTable(platform, display), 21) +
           "\n"
           "The settings are kept in Quillet.ini beside the program when that folder can be\n"
           "written or already holds the file, otherwise in\n"
           "$XDG_CONFIG_HOME/Quillet/Quillet.ini (by default ~/.config/Quillet/Quillet.ini).\n"
           "Qt's own options (-platform, -style, ...) are understood as well.\n"
           "Use quillet-thumb to make thumbnails from a shell.\n";
}

TCommandLine ReadCommandLine(const QStringList &arguments) {
    std::string platform, display;
    const std::vector<CommandOption> table = quilletTable(platform, display);
    std::vector<std::string> args;
    for (const QString &argument : arguments)
        args.push_back(NativeName(argument));
    const ParsedCommandLine parsed = ParseCommandLine(args, table);

    TCommandLine line;
    for (const std::string &operand : parsed.operands)
        line.paths << NameFromBytes(operand);
    line.platform = NameFromBytes(platform);
    line.display = NameFromBytes(display);
    line.error = QString::fromStdString(parsed.error);
    if (parsed.endedBy == "help")
        line.action = TStartAction::Help;
    else if (parsed.endedBy == "version")
        line.action = TStartAction::Version;
    else if (!parsed.error.empty())
        line.action = TStartAction::UsageError;
    return line;
}

QStringList PhotoFilesIn(const QString &folder) {
    const QString prefix = AbsoluteName(folder) + QLatin1Char('/');
    QStringList names;
    for (const QString &name : NamesInFolder(folder))
        if (HasPhotoExtension(name.toStdString()) && !name.startsWith(QLatin1Char('.')) &&
            KindOf(prefix + name) == NameKind::File)
            names << name;
    // As a file manager lists them: letters without regard to case, numbers by value
    // (img9 before img10); names equal that way keep a fixed order. The C locale compares
    // code points only, so it borrows English rules.
    QLocale locale;
    if (locale.language() == QLocale::C)
        locale = QLocale(QLocale::English);
    QCollator collator(locale);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(true);
    std::sort(names.begin(), names.end(), [&collator](const QString &a, const QString &b) {
        const int order = collator.compare(a, b);
        return order != 0 ? order < 0 : a < b;
    });
    QStringList files;
    for (const QString &name : names)
        files << prefix + name;
    return files;
}

QStringList CheckStartPaths(const QStringList &paths, QStringList &problems) {
    QStringList files;
    for (const QString &path : paths) {
        const NameKind kind = KindOf(path);
        if (kind == NameKind::Folder || kind == NameKind::File)
            files << AbsoluteName(path);
        else if (kind == NameKind::Other)
            problems << QStringLiteral("%1: not a file or folder, skipped").arg(path);
        else
            problems << QStringLiteral("%1: no such file or folder, skipped").arg(path);
    }
    return files;
}

std::optional<int> AnswerInfoRequest(const TCommandLine &line, const char *version) {
    switch (line.action) {
    case TStartAction::Help:
        std::fputs(QuilletUsage().c_str(), stdout);
        return 0;
    case TStartAction::Version:
        std::printf("quillet %s\n", version);
        return 0;
    case TStartAction::UsageError:
        std::fprintf(stderr, "quillet: %s\n", qPrintable(line.error));
        std::fputs(QuilletUsage().c_str(), stderr);
        return 2;
    case TStartAction::Run:
        break;
    }
    return std::nullopt;
}

QStringList StartFiles(const QStringList &paths) {
    QStringList problems;
    const QStringList files = CheckStartPaths(paths, problems);
    for (const QString &problem : problems)
        std::fprintf(stderr, "quillet: %s\n", qPrintable(problem));
    return files;
}
