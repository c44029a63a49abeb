// OutputFile, through which every file is written: a regular file is replaced
// only whole and keeps its access, a device or FIFO is written where it is,
// and every failure names the file and the system's reason.
#include "app/outputfile.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#ifndef _WIN32
#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace quodlin;

namespace {

#ifndef _WIN32

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

struct stat statOf(const QString &path)
{
    struct stat st {};
    EXPECT_EQ(::lstat(QFile::encodeName(path).constData(), &st), 0) << path.toStdString();
    return st;
}

// A group the file can be given that is not the user's own: any group for
// root, else one of the user's other groups; the user's own when none.
gid_t otherGroup()
{
    if (geteuid() == 0)
        return 4242;
    gid_t groups[64];
    const int n = getgroups(64, groups);
    for (int i = 0; i < n; ++i)
        if (groups[i] != getegid())
            return groups[i];
    return getegid();
}

// Writes past `limit` bytes fail with EFBIG inside the scope: an honest
// full-disk stand-in that root cannot bypass.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t limit)
    {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = m_old;
        lowered.rlim_cur = limit;
        setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_handler);
    }

private:
    rlimit m_old{};
    void (*m_handler)(int) = nullptr;
};

enum class Ending { Commit, Cancel, Destroy, WriteFails };
struct ReplaceCase {
    const char *name;
    Ending ending;
    bool replaced;
};

class OutputFileReplace : public ::testing::TestWithParam<ReplaceCase> {};

TEST_P(OutputFileReplace, RegularFileIsReplacedWholeOrNotAtAll)
{
    const ReplaceCase &c = GetParam();
    QTemporaryDir dir;
    const QString path = dir.filePath("out.unl");
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old contents\n");
    old.close();
    const gid_t group = otherGroup();
    ASSERT_EQ(::chown(QFile::encodeName(path).constData(), uid_t(-1), group), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0640), 0);
    const QByteArray big(64 * 1024, 'x');
    {
        OutputFile file(path);
        ASSERT_TRUE(file.open()) << file.errorString().toStdString();
        EXPECT_FALSE(file.writesDirectly());
        if (c.ending == Ending::WriteFails) {
            FileSizeLimit limit(16 * 1024);
            EXPECT_EQ(file.write(big), -1);
        } else {
            EXPECT_EQ(file.write("new contents\n"), 13);
        }
        EXPECT_EQ(contents(path), "old contents\n");
        if (c.ending == Ending::Commit) {
            EXPECT_TRUE(file.commit()) << file.errorString().toStdString();
        }
        if (c.ending == Ending::WriteFails) {
            EXPECT_FALSE(file.commit());
            EXPECT_EQ(WriteFailureText(file), "Cannot write " + path + ": File too large");
        }
        if (c.ending == Ending::Cancel)
            file.cancel();
    }
    EXPECT_EQ(contents(path), c.replaced ? "new contents\n" : "old contents\n");
    const struct stat st = statOf(path);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(st.st_gid, group);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"out.unl"});
}

INSTANTIATE_TEST_SUITE_P(Endings, OutputFileReplace,
                         ::testing::Values(ReplaceCase{"committed", Ending::Commit, true},
                                           ReplaceCase{"cancelled", Ending::Cancel, false},
                                           ReplaceCase{"never_committed", Ending::Destroy, false},
                                           ReplaceCase{"write_fails", Ending::WriteFails, false}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(OutputFile, NewFileTakesTheUmaskNotMoreAccess)
{
    QTemporaryDir dir;
    for (const mode_t mask : {mode_t(077), mode_t(027), mode_t(002)}) {
        const QString path = dir.filePath(QString::number(mask, 8));
        const mode_t old = ::umask(mask);
        const bool written = WriteWholeFile(path, "x");
        ::umask(old);
        ASSERT_TRUE(written);
        EXPECT_EQ(statOf(path).st_mode & 0777, 0666 & ~mask) << mask;
    }
}

struct DirectCase {
    const char *name;
    const char *path;  // empty: a FIFO in a temporary folder
    const char *failure;
};

class OutputFileDirect : public ::testing::TestWithParam<DirectCase> {};

TEST_P(OutputFileDirect, DevicesAndFifosAreWrittenWhereTheyAre)
{
    const DirectCase &c = GetParam();
    QTemporaryDir dir;
    QString path = QString::fromUtf8(c.path);
    QFile reader;
    if (path.isEmpty()) {
        path = dir.filePath("pipe");
        ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        // Open without waiting for a writer; the bytes wait in the pipe.
        ASSERT_TRUE(reader.open(::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK),
                                QIODevice::ReadOnly, QFileDevice::AutoCloseHandle));
    } else if (!QFileInfo::exists(path)) {
        GTEST_SKIP() << path.toStdString() << " is missing";
    }
    const struct stat before = statOf(path);
    QString error;
    const bool written = WriteWholeFile(path, "1|bolt|\n", &error);
    EXPECT_EQ(written, !*c.failure);
    EXPECT_EQ(error, *c.failure ? "Cannot write " + path + ": " + c.failure : QString());
    const struct stat after = statOf(path);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mode, before.st_mode);
    if (reader.isOpen()) {
        EXPECT_EQ(reader.readAll(), "1|bolt|\n");
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, OutputFileDirect,
                         ::testing::Values(DirectCase{"fifo", "", ""}, DirectCase{"null_device", "/dev/null", ""},
                                           DirectCase{"full_device", "/dev/full", "No space left on device"}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(OutputFile, LinkStaysAndItsFileIsReplaced)
{
    QTemporaryDir dir;
    const QString target = dir.filePath("target.sql");
    const QString link = dir.filePath("link.sql");
    ASSERT_TRUE(WriteWholeFile(target, "old"));
    ASSERT_TRUE(QFile::link(target, link));
    ASSERT_TRUE(WriteWholeFile(link, "new"));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(contents(target), "new");
    // A link to a file still to be made makes that file.
    const QString dangling = dir.filePath("later.sql");
    ASSERT_TRUE(QFile::link(dir.filePath("made.sql"), dangling));
    ASSERT_TRUE(WriteWholeFile(dangling, "made"));
    EXPECT_TRUE(QFileInfo(dangling).isSymLink());
    EXPECT_EQ(contents(dir.filePath("made.sql")), "made");
}

#endif

struct FailureCase {
    const char *name;
    const char *relative;
    const char *reason;
};

class OutputFileFailure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(OutputFileFailure, NamesTheFileAndTheReason)
{
    QTemporaryDir dir;
    QFile plain(dir.filePath("plain"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder"));
    const QString path = dir.filePath(QString::fromUtf8(GetParam().relative));
    QString error;
    EXPECT_FALSE(WriteWholeFile(path, "x", &error));
    EXPECT_EQ(error, "Cannot write " + path + ": " + GetParam().reason);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              (QStringList{"folder", "plain"}));
}

INSTANTIATE_TEST_SUITE_P(Paths, OutputFileFailure,
                         ::testing::Values(FailureCase{"missing_folder", "no/such/out.sql", "No such file or directory"},
                                           FailureCase{"folder_is_a_file", "plain/out.sql", "Not a directory"},
                                           FailureCase{"a_folder", "folder", "Is a directory"}),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace
