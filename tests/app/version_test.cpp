// The release number is set once, in the top CMakeLists.txt; what a user
// reads must follow it without anyone editing a second place.
#include "app/programinfo.h"
#include "shell/aboutbox.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QLabel>
#include <QRegularExpression>

namespace {

QString projectVersion()
{
    QFile file(QStringLiteral(QUODLIN_SOURCE_DIR "/CMakeLists.txt"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    static const QRegularExpression project(QStringLiteral(R"(project\(Quodlin\s+VERSION\s+([0-9.]+))"));
    return project.match(QString::fromUtf8(file.readAll())).captured(1);
}

} // namespace

TEST(ReleaseVersion, AboutBoxShowsTheProjectVersionBesideTheTitle)
{
    const QString version = projectVersion();
    ASSERT_FALSE(version.isEmpty());

    quodlin::TAboutBox box;
    auto *release = box.findChild<QLabel *>(QStringLiteral("lblRelease"));
    auto *title = box.findChild<QLabel *>(QStringLiteral("lblVersion"));
    ASSERT_NE(release, nullptr);
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(release->text(), QStringLiteral("Version ") + version);
    EXPECT_EQ(title->text(), quodlin::kProgramTitle);
}
