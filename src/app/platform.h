#pragma once
// The few operating-system calls Qt does not offer. Only platform_posix.cpp
// and platform_win.cpp use system headers; each builds empty on the other
// systems.
#include <QString>

#include <cstdint>

namespace quodlin::platform {

// The logged-on user's name, empty when the system cannot tell.
QString loginUserName();

// Windows only: ShellExecute with the verb "open"; 0 on success, else the
// shell's code (32 or less). Elsewhere returns -1 (not available).
int shellExecuteOpen(const QString &file, const QString &parameters, const QString &folder,
                     int showCommand);

// What a path names, symbolic links followed. Only a regular file (or
// nothing) can be replaced by renaming another file onto it; a device, a
// FIFO or a socket is written where it is.
enum class PathKind { Missing, Regular, Directory, Other };
PathKind pathKind(const QString &path);

// A file open for writing through the system's own calls, so that a failure
// carries the system's reason ("No space left on device"), which error()
// holds after any call that returned false. Closed by the destructor.
class WriteHandle {
public:
    WriteHandle() = default;
    ~WriteHandle();
    WriteHandle(const WriteHandle &) = delete;
    WriteHandle &operator=(const WriteHandle &) = delete;

    // A new file (fails when `path` exists): mode 0666 less the umask, or
    // 0600 when `ownerOnly`.
    bool createNew(const QString &path, bool ownerOnly);
    // An existing file, truncated where that means anything.
    bool openExisting(const QString &path);
    bool isOpen() const { return m_handle != -1; }
    // All of `size` bytes, or false.
    bool write(const char *data, int64_t size);
    // Onto the disk; pipes and terminals, which cannot, count as done.
    bool sync();
    // The permission bits and group of `model` (its owner too where the
    // system allows), so a replacement looks like the file it replaces.
    // Only what the system refuses outright is an error.
    bool copyAccessOf(const QString &model);
    bool close();
    const QString &error() const { return m_error; }

private:
    bool fail();
    intptr_t m_handle = -1;
    QString m_error;
};

// Renames `from` onto `to`, replacing a file there in one step, and makes the
// change durable where the system can. False with the system's reason.
bool replaceFile(const QString &from, const QString &to, QString *error);

} // namespace quodlin::platform
