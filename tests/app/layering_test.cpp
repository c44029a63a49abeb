// The frame (src/shell) sits on top of everything: no code below it includes
// its headers or calls the main-window global, so the child windows reach
// the frame only through the shell interface they are given. Reads the
// source tree.
#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QStringList>

namespace {

struct ForbiddenUse {
    const char *name;
    const char *pattern;
};

class BelowTheShell : public ::testing::TestWithParam<ForbiddenUse> {};

// Every source file under src/ outside the shell, relative to src/. The
// program's start (main.cpp) builds the frame and is the one exception.
QStringList SourcesBelowTheShell()
{
    const QDir src(QStringLiteral(QUODLIN_SOURCE_DIR "/src"));
    QStringList files;
    QDirIterator it(src.path(), {QStringLiteral("*.h"), QStringLiteral("*.cpp"), QStringLiteral("*.in")},
                    QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = src.relativeFilePath(it.next());
        if (!path.startsWith(QLatin1String("shell/")) && path != QLatin1String("main.cpp"))
            files << path;
    }
    files.sort();
    return files;
}

TEST_P(BelowTheShell, NoFileUsesTheFrame)
{
    const QStringList files = SourcesBelowTheShell();
    ASSERT_GT(files.size(), 100) << "the source tree was not found";
    ASSERT_TRUE(QFile::exists(QStringLiteral(QUODLIN_SOURCE_DIR "/src/shell/mainform.h")));
    const QRegularExpression pattern(QLatin1String(GetParam().pattern));
    QStringList offenders;
    for (const QString &path : files) {
        QFile file(QStringLiteral(QUODLIN_SOURCE_DIR "/src/") + path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
        const QString text = QString::fromUtf8(file.readAll());
        const QRegularExpressionMatch match = pattern.match(text);
        if (match.hasMatch())
            offenders << path + QStringLiteral(": ") + match.captured(0);
    }
    EXPECT_TRUE(offenders.isEmpty()) << offenders.join(QLatin1Char('\n')).toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Layering, BelowTheShell,
    ::testing::Values(ForbiddenUse{"ShellHeaders", R"(#\s*include\s*["<]shell/[^">]*[">])"},
                      ForbiddenUse{"MainFormGlobal", R"(\bMainForm\s*\(\s*\))"},
                      ForbiddenUse{"MainFormClass", R"(\bTMainForm\b(?!\.))"}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
