// The layers stay in order: the engine stands alone, app is the ground floor,
// the database layer sits on it, the catalog and the output code below the
// windows and the workspace, and the frame (src/shell) on top of everything.
// No file includes a header of a folder above its own, and no code below the
// frame calls the main-window global, so the child windows reach the frame
// only through the shell interface they are given. Reads the source tree.
#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QStringList>

namespace {

// Every source file under src/, relative to src/.
QStringList Sources()
{
    const QDir src(QStringLiteral(QUODLIN_SOURCE_DIR "/src"));
    QStringList files;
    QDirIterator it(src.path(), {QStringLiteral("*.h"), QStringLiteral("*.cpp"), QStringLiteral("*.in")},
                    QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << src.relativeFilePath(it.next());
    files.sort();
    return files;
}

QString SourceText(const QString &path)
{
    QFile file(QStringLiteral(QUODLIN_SOURCE_DIR "/src/") + path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// Files whose path matches `from` include no header whose path matches `to`.
struct ForbiddenInclude {
    const char *name;
    const char *from;
    const char *to;
};

void PrintTo(const ForbiddenInclude &rule, std::ostream *os) { *os << rule.name; }

class IncludeDirection : public ::testing::TestWithParam<ForbiddenInclude> {};

TEST_P(IncludeDirection, NoFileIncludesUpwards)
{
    const QStringList files = Sources();
    ASSERT_GT(files.size(), 100) << "the source tree was not found";
    const QRegularExpression from(QLatin1String(GetParam().from));
    const QRegularExpression to(QLatin1String(GetParam().to));
    static const QRegularExpression include(QStringLiteral(R"(^\s*#\s*include\s*["<]([^">]+)[">])"),
                                            QRegularExpression::MultilineOption);
    QStringList offenders;
    int checked = 0;
    for (const QString &path : files) {
        if (!from.match(path).hasMatch())
            continue;
        ++checked;
        for (const QRegularExpressionMatch &m : include.globalMatch(SourceText(path)))
            if (to.match(m.captured(1)).hasMatch())
                offenders << path + QStringLiteral(": ") + m.captured(1);
    }
    EXPECT_GT(checked, 0) << "no file matches " << GetParam().from;
    EXPECT_TRUE(offenders.isEmpty()) << offenders.join(QLatin1Char('\n')).toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Layering, IncludeDirection,
    ::testing::Values(
        ForbiddenInclude{"EngineStandsAlone", "^engine/", "^(app|db|catalog|browser|workspace|output|shell|cli)/"},
        ForbiddenInclude{"AppIsTheGroundFloor", "^app/", "^(db|catalog|browser|workspace|output|shell|cli)/"},
        ForbiddenInclude{"DbBelowItsUsers", "^db/", "^(catalog|browser|workspace|output|shell|cli)/"},
        ForbiddenInclude{"CatalogBelowTheWindows", "^catalog/", "^(browser|workspace|output|shell|cli)/"},
        ForbiddenInclude{"OutputBelowTheWorkspace", "^output/", "^(browser|workspace|shell|cli)/"},
        ForbiddenInclude{"CoreBelowTheWidgets", "^(?!shell/)[a-z]+/[^/]+$", "/ui/"},
        // The program's start (main.cpp) builds the frame.
        ForbiddenInclude{"FrameOnTop", "^(?!shell/|main\\.cpp$)", "^shell/"}),
    [](const auto &info) { return std::string(info.param.name); });

struct ForbiddenUse {
    const char *name;
    const char *pattern;
};

class BelowTheShell : public ::testing::TestWithParam<ForbiddenUse> {};

TEST_P(BelowTheShell, NoFileUsesTheFrame)
{
    const QRegularExpression pattern(QLatin1String(GetParam().pattern));
    QStringList offenders;
    for (const QString &path : Sources()) {
        if (path.startsWith(QLatin1String("shell/")) || path == QLatin1String("main.cpp"))
            continue;
        const QRegularExpressionMatch match = pattern.match(SourceText(path));
        if (match.hasMatch())
            offenders << path + QStringLiteral(": ") + match.captured(0);
    }
    EXPECT_TRUE(offenders.isEmpty()) << offenders.join(QLatin1Char('\n')).toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Layering, BelowTheShell,
    ::testing::Values(ForbiddenUse{"MainFormGlobal", R"(\bMainForm\s*\(\s*\))"},
                      ForbiddenUse{"MainFormClass", R"(\bTMainForm\b(?!\.))"}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
