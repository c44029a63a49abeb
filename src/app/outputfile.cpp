#include "app/outputfile.h"

#include "app/platform.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

namespace quodlin {

namespace {

// Where a name leads: the file a symbolic link names (even one still to be
// made), else the name itself.
QString followLinks(const QString &fileName)
{
    const QFileInfo info(fileName);
    if (!info.isSymLink())
        return fileName;
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.symLinkTarget() : canonical;
}

} // namespace

OutputFile::OutputFile(QString fileName, QObject *parent)
    : QIODevice(parent), m_fileName(std::move(fileName))
{
}

OutputFile::~OutputFile() { cancel(); }

bool OutputFile::failed(const QString &reason)
{
    setErrorString(reason);
    return false;
}

bool OutputFile::open(OpenMode mode)
{
    if (isOpen() || (mode & ReadOnly) || !(mode & WriteOnly))
        return failed(QStringLiteral("Only opened once, for writing"));
    m_handle = std::make_unique<platform::WriteHandle>();
    m_writeFailed = false;
    m_temporary.clear();
    m_target = followLinks(m_fileName);
    const platform::PathKind kind = platform::pathKind(m_target);
    m_direct = kind != platform::PathKind::Missing && kind != platform::PathKind::Regular;
    if (m_direct) {
        // A folder fails here with the system's reason, as it should.
        if (!m_handle->openExisting(m_target))
            return failed(m_handle->error());
    } else {
        if (kind == platform::PathKind::Regular && !QFileInfo(m_target).isWritable())
            return failed(QStringLiteral("Permission denied"));
        // Owner-only while it is written when it is to take an existing
        // file's access, which may be narrower than the umask's.
        const bool replacing = kind == platform::PathKind::Regular;
        for (int attempt = 0; !m_handle->isOpen(); ++attempt) {
            const QString candidate = QStringLiteral("%1.%2.tmp")
                                          .arg(m_target)
                                          .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
            if (m_handle->createNew(candidate, replacing))
                m_temporary = candidate;
            else if (attempt > 16 || platform::pathKind(candidate) == platform::PathKind::Missing)
                return failed(m_handle->error());
        }
    }
    return QIODevice::open(mode | Unbuffered);
}

qint64 OutputFile::readData(char *, qint64) { return -1; }

qint64 OutputFile::writeData(const char *data, qint64 size)
{
    if (m_writeFailed || !m_handle || !m_handle->write(data, size)) {
        if (!m_writeFailed && m_handle)
            setErrorString(m_handle->error());
        m_writeFailed = true;
        return -1;
    }
    return size;
}

bool OutputFile::commit()
{
    if (!isOpen() || !m_handle)
        return failed(QStringLiteral("The file is not open"));
    if (m_writeFailed) {
        const QString reason = errorString();
        cancel();
        return failed(reason);
    }
    bool ok = true;
    if (!m_direct) {
        ok = m_handle->sync()
            && (platform::pathKind(m_target) != platform::PathKind::Regular || m_handle->copyAccessOf(m_target));
    }
    QString reason = m_handle->error();
    ok = m_handle->close() && ok;
    if (reason.isEmpty())
        reason = m_handle->error();
    if (ok && !m_direct)
        ok = platform::replaceFile(m_temporary, m_target, &reason);
    if (ok)
        m_temporary.clear();
    cancel();
    return ok || failed(reason);
}

void OutputFile::cancel()
{
    if (m_handle && m_handle->isOpen())
        (void)m_handle->close();
    m_handle.reset();
    if (!m_temporary.isEmpty())
        QFile::remove(m_temporary);
    m_temporary.clear();
    if (isOpen())
        QIODevice::close();
}

bool WriteWholeFile(const QString &fileName, QByteArrayView bytes, QString *error)
{
    OutputFile file(fileName);
    if (file.open() && file.write(bytes.data(), bytes.size()) == bytes.size() && file.commit())
        return true;
    if (error)
        *error = WriteFailureText(file);
    return false;
}

QString WriteFailureText(const QIODevice &device)
{
    QString name;
    if (const auto *file = dynamic_cast<const OutputFile *>(&device))
        name = file->fileName();
    else if (const auto *file = dynamic_cast<const QFile *>(&device))
        name = file->fileName();
    if (name.isEmpty())
        name = QStringLiteral("the output");
    return QStringLiteral("Cannot write %1: %2").arg(name, device.errorString());
}

} // namespace quodlin
