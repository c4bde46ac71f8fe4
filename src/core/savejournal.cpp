#include "savejournal.h"

#include "fileio.h"
#include "settingsfile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char magic[4] = {'Z', 'L', 'K', 'J'};
constexpr qsizetype digestSize = 32;
// Magic, the path's length, the path, the bytes' length, the bytes, the digest.
constexpr qsizetype fixedSize = 4 + 4 + 4 + digestSize;

QString folder()
{
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    // XDG base directories must be absolute: a relative one is ignored.
    if (state.isEmpty() || !QDir::isAbsolutePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/zelka");
}

// Creates the folder and any missing parent, private to the user as state folders are.
bool makeFolder(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    if (::mkdir(name.constData(), 0700) == 0 || errno == EEXIST)
        return true;
    if (errno != ENOENT)
        return false;
    const QString parent = QFileInfo(path).path();
    return parent != path && makeFolder(parent) &&
           (::mkdir(name.constData(), 0700) == 0 || errno == EEXIST);
}

void appendU32(QByteArray &out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.append(char((v >> (8 * i)) & 0xFF));
}

uint32_t u32At(const QByteArray &in, qsizetype at)
{
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= uint32_t(uint8_t(in[at + i])) << (8 * i);
    return v;
}

QByteArray digest(QByteArrayView bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
}

QByteArray temporaryPrefix(const QString &journal)
{
    return QFile::encodeName(QFileInfo(journal).fileName()) + ".tmp-";
}

// Leftovers of journal writes cut short before their rename: never complete.
void removeTemporaries(const QString &journal)
{
    DIR *dir = ::opendir(QFile::encodeName(folder()).constData());
    if (!dir)
        return;
    const QByteArray prefix = temporaryPrefix(journal);
    while (const dirent *entry = ::readdir(dir))
        if (QByteArrayView(entry->d_name).startsWith(prefix))
            ::unlinkat(::dirfd(dir), entry->d_name, 0);
    ::closedir(dir);
}

} // namespace

namespace SaveJournal {

QString pathFor(const QString &filePath)
{
    const QString key = QString::fromLatin1(
        QCryptographicHash::hash(QFile::encodeName(filePath), QCryptographicHash::Sha256)
            .toHex()
            .left(24));
    return folder() + QStringLiteral("/save-") + key + QStringLiteral(".journal");
}

int write(const QString &filePath, const QByteArray &bytes)
{
    const QString journal = pathFor(filePath);
    if (!makeFolder(folder()))
        return errno;
    const QByteArray path = QFile::encodeName(filePath);
    QByteArray out(magic, 4);
    appendU32(out, uint32_t(path.size()));
    out.append(path);
    appendU32(out, uint32_t(bytes.size()));
    out.append(bytes);
    out.append(digest(out));

    QByteArray tempName = QFile::encodeName(journal) + ".tmp-XXXXXX";
    const int fd = ::mkostemp(tempName.data(), O_CLOEXEC);
    if (fd < 0)
        return errno;
    int error = 0;
    if (!FileIo::writeAll(fd, out) || ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::rename(tempName.constData(), QFile::encodeName(journal).constData()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(tempName.constData());
        return error;
    }
    FileIo::makeRenameDurable(journal);
    return 0;
}

std::optional<QByteArray> read(const QString &filePath)
{
    const QString journal = pathFor(filePath);
    removeTemporaries(journal);
    const QByteArray path = QFile::encodeName(filePath);
    QFile file(journal);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    // Bounded like the settings file itself: nothing bigger was ever written here.
    const qint64 limit = fixedSize + path.size() + SettingsFile::maxFileSize;
    const QByteArray in = file.size() <= limit ? file.read(limit) : QByteArray();
    file.close();
    const qsizetype pathEnd = 8 + qsizetype(in.size() >= 8 ? u32At(in, 4) : 0);
    const bool whole = in.size() >= fixedSize && in.startsWith(QByteArrayView(magic, 4)) &&
                       pathEnd + 4 + digestSize <= in.size() && in.sliced(8, pathEnd - 8) == path &&
                       pathEnd + 4 + qsizetype(u32At(in, pathEnd)) + digestSize == in.size() &&
                       digest(in.first(in.size() - digestSize)) == in.last(digestSize);
    if (!whole) {
        ::unlink(QFile::encodeName(journal).constData());
        return std::nullopt;
    }
    return in.sliced(pathEnd + 4, in.size() - digestSize - pathEnd - 4);
}

void remove(const QString &filePath)
{
    const QString journal = pathFor(filePath);
    if (::unlink(QFile::encodeName(journal).constData()) == 0)
        FileIo::makeRenameDurable(journal);
}

} // namespace SaveJournal
