#pragma once
// Every file Quodlin writes (exports, UNLOAD, scripts, editor files, the alias
// configuration) goes through OutputFile, so a failure never leaves a
// half-written file in place of a good one:
//  - a regular file, or a name where nothing is yet, is written to a new file
//    beside it that replaces it in one rename once everything was written
//    (commit); a failure or cancel() removes the new file and leaves the old
//    one as it was. The replacement keeps the old file's permission bits and
//    group; a new file gets 0666 less the umask;
//  - a device, FIFO or socket has nothing to replace and is written directly
//    (sending a result to /dev/null or a pipe must not put a regular file in
//    the device's place);
//  - a symbolic link is followed, and the file it names is written.
// Failures carry the system's reason ("No space left on device"), which
// errorString() holds.
#include <QByteArrayView>
#include <QIODevice>
#include <QString>

#include <memory>

namespace quodlin {

namespace platform {
class WriteHandle;
}

class OutputFile : public QIODevice {
    Q_OBJECT
public:
    explicit OutputFile(QString fileName, QObject *parent = nullptr);
    // Cancels what was not committed.
    ~OutputFile() override;

    QString fileName() const { return m_fileName; }
    // Write-only; anything else is refused.
    bool open(OpenMode mode = WriteOnly) override;
    // Puts the file in place; false (with the reason) when the writes or the
    // rename failed, and the old file stays. Closes the device either way.
    bool commit();
    // Drops what was written (a direct write stays written) and closes.
    void cancel();
    void close() override { cancel(); }
    bool isSequential() const override { return true; }
    // Whether the file is written where it is (a device, FIFO or socket).
    bool writesDirectly() const { return m_direct; }

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 size) override;

private:
    bool failed(const QString &reason);

    QString m_fileName;
    QString m_target;     // the file m_fileName leads to, links followed
    QString m_temporary;  // the file being written when not direct
    std::unique_ptr<platform::WriteHandle> m_handle;
    bool m_direct = false;
    bool m_writeFailed = false;
};

// Writes `bytes` through an OutputFile. False with "Cannot write NAME: reason"
// in `error`.
bool WriteWholeFile(const QString &fileName, QByteArrayView bytes, QString *error = nullptr);

// "Cannot write NAME: reason" for a failed write on `device`: the name of an
// OutputFile or QFile, else "the output".
QString WriteFailureText(const QIODevice &device);

} // namespace quodlin
