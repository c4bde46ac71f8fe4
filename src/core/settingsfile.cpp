#include "settingsfile.h"

#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <new>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Thrown inside decode when the data ends before a value is complete.
struct Truncated {
};

// Each record holds at least two integers, an empty string, a switch and an empty string.
constexpr qsizetype minRecordSize = 4 + 4 + 1 + 4 + 1;

class Reader
{
public:
    explicit Reader(QByteArrayView bytes) : data(bytes) {}

    qsizetype remaining() const { return data.size() - pos; }

    int32_t readInt()
    {
        const uint32_t v = readUnsigned(4);
        return static_cast<int32_t>(v);
    }

    QByteArray readString()
    {
        uint64_t length = readUnsigned(1);
        if (length == 0xFF) {
            length = readUnsigned(2);
            if (length == 0xFFFF)
                length = readUnsigned(4);
        }
        // Checked before allocating: a length can never claim more than the file holds.
        if (length >= (uint64_t(1) << 31) || length > uint64_t(remaining()))
            throw Truncated{};
        QByteArray text(data.data() + pos, qsizetype(length));
        pos += qsizetype(length);
        return text;
    }

private:
    uint32_t readUnsigned(int size)
    {
        if (remaining() < size)
            throw Truncated{};
        uint32_t v = 0;
        for (int i = 0; i < size; ++i)
            v |= uint32_t(uint8_t(data[pos + i])) << (8 * i);
        pos += size;
        return v;
    }

    QByteArrayView data;
    qsizetype pos = 0;
};

void appendInt(QByteArray &out, int32_t value)
{
    const auto v = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        out.append(char((v >> (8 * i)) & 0xFF));
}

QString describe(const QString &what, const QString &path, int error)
{
    return QStringLiteral("%1\n文件：%2\n原因：%3")
        .arg(what, path, QString::fromLocal8Bit(std::strerror(error)));
}

QString absolute(const QString &fileName)
{
    return QFileInfo(fileName).absoluteFilePath();
}

// Writes bytes to a temporary file beside path, syncs it and renames it over path.
// On failure the temporary file is removed and whatever stood at path is untouched.
std::optional<FileFailure> writeReplacing(const QString &path, const QByteArray &bytes, mode_t mode)
{
    QByteArray tempName = QFile::encodeName(path) + ".XXXXXX";
    const int fd = ::mkostemp(tempName.data(), O_CLOEXEC);
    if (fd < 0)
        return FileFailure{5, describe(QStringLiteral("无法创建设置文件。"), path, errno)};

    auto fail = [&](int status, int error) {
        ::close(fd);
        ::unlink(tempName.constData());
        return FileFailure{status, describe(QStringLiteral("无法写入设置文件。"), path, error)};
    };
    if (::fchmod(fd, mode) != 0)
        return fail(5, errno);
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return fail(8, n < 0 ? errno : ENOSPC);
        done += n;
    }
    if (::fsync(fd) != 0)
        return fail(8, errno);
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(tempName.constData());
        return FileFailure{8, describe(QStringLiteral("无法写入设置文件。"), path, error)};
    }
    if (::rename(tempName.constData(), QFile::encodeName(path).constData()) != 0) {
        const int error = errno;
        ::unlink(tempName.constData());
        return FileFailure{8, describe(QStringLiteral("无法写入设置文件。"), path, error)};
    }
    // Make the rename itself durable; a failure here loses nothing already written.
    const QByteArray dir = QFile::encodeName(QFileInfo(path).absolutePath());
    const int dirFd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return std::nullopt;
}

} // namespace

namespace SettingsCodec {

Decoded decode(QByteArrayView bytes, Settings &settings, AlarmList &list)
{
    if (bytes.isEmpty())
        return Decoded::Empty;
    Settings read;
    try {
        Reader in(bytes);
        read.windowX = in.readInt();
        read.windowY = in.readInt();
        read.alwaysOnTop = in.readInt();
        read.hideFromTaskbar = in.readInt();
        read.alarmsDisabled = in.readInt();
        read.limitRinging = in.readInt();
        read.maxRingSeconds = in.readInt();
        read.chimeOn = in.readInt();
        read.chimeMinutes = in.readInt();
        read.chimeSound = in.readString();
        const int32_t n = in.readInt();
        if (n > 0 && n > in.remaining() / minRecordSize)
            throw Truncated{};
        for (int32_t i = 0; i < n; ++i) {
            AlarmEntry e;
            e.hour = in.readInt();
            e.minute = in.readInt();
            e.message = in.readString();
            e.showMessage = in.readInt();
            e.sound = in.readString();
            list.SetAtGrow(i, e);
        }
    } catch (const Truncated &) {
        settings = Settings();
        list.SetSize(0);
        return Decoded::Damaged;
    }
    settings = read;
    return Decoded::Loaded;
}

void appendString(QByteArray &out, const QByteArray &text)
{
    const auto length = uint64_t(text.size());
    if (length < 0xFF) {
        out.append(char(length));
    } else if (length < 0xFFFE) {
        out.append(char(0xFF));
        out.append(char(length & 0xFF));
        out.append(char(length >> 8));
    } else {
        if (length > std::numeric_limits<uint32_t>::max())
            throw std::length_error("string too long for the settings file");
        out.append(char(0xFF));
        out.append(char(0xFF));
        out.append(char(0xFF));
        appendInt(out, int32_t(uint32_t(length)));
    }
    out.append(text);
}

QByteArray encode(const Settings &s, const AlarmList &list)
{
    QByteArray out;
    for (int32_t v : {s.windowX, s.windowY, s.alwaysOnTop, s.hideFromTaskbar, s.alarmsDisabled,
                      s.limitRinging, s.maxRingSeconds, s.chimeOn, s.chimeMinutes})
        appendInt(out, v);
    appendString(out, s.chimeSound);
    appendInt(out, list.GetSize());
    for (int i = 0; i < list.GetSize(); ++i) {
        const AlarmEntry &e = list[i];
        appendInt(out, e.hour);
        appendInt(out, e.minute);
        appendString(out, e.message);
        appendInt(out, e.showMessage);
        appendString(out, e.sound);
    }
    return out;
}

} // namespace SettingsCodec

namespace SettingsFile {

std::optional<FileFailure> checkReadable(const QString &fileName)
{
    const int fd =
        ::open(QFile::encodeName(fileName).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    int error = errno;
    struct stat st {
    };
    if (fd >= 0 && ::fstat(fd, &st) == 0 && !S_ISREG(st.st_mode))
        error = EISDIR;
    else if (fd >= 0)
        error = 0;
    if (fd >= 0)
        ::close(fd);
    if (error == 0)
        return std::nullopt;
    return FileFailure{1,
                       describe(QStringLiteral("无法打开声音文件。"), absolute(fileName), error)};
}

LoadResult load(const QString &fileName, Settings &settings, AlarmList &list)
{
    LoadResult result;
    result.absolutePath = absolute(fileName);
    // Non-blocking so that a FIFO in its place cannot hang the start.
    const int fd = ::open(QFile::encodeName(fileName).constData(),
                          O_RDONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
    struct stat st {
    };
    int error = errno;
    if (fd >= 0 && ::fstat(fd, &st) != 0)
        error = errno;
    else if (fd >= 0 && !S_ISREG(st.st_mode))
        error = EISDIR;
    else if (fd >= 0)
        error = 0;
    if (error != 0) {
        if (fd >= 0)
            ::close(fd);
        result.failure = FileFailure{
            2, describe(QStringLiteral("无法打开设置文件。"), result.absolutePath, error)};
        return result;
    }
    // Saves go to the file itself, even when the name is a symbolic link.
    const QString canonical = QFileInfo(fileName).canonicalFilePath();
    if (!canonical.isEmpty())
        result.absolutePath = canonical;

    QByteArray bytes;
    try {
        bytes.resize(qsizetype(st.st_size));
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + done, size_t(bytes.size() - done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                const int readError = errno;
                ::close(fd);
                result.failure = FileFailure{4, describe(QStringLiteral("读取设置文件时出错。"),
                                                         result.absolutePath, readError)};
                return result;
            }
            if (n == 0)
                break; // shrank since fstat: what was read is all there is
            done += n;
        }
        bytes.truncate(done);
        ::close(fd);
        result.decoded = SettingsCodec::decode(bytes, settings, list);
    } catch (const std::bad_alloc &) {
        ::close(fd);
        settings = Settings();
        list.SetSize(0);
        result.failure = FileFailure{
            3, describe(QStringLiteral("读取设置文件时内存不足。"), result.absolutePath, ENOMEM)};
        return result;
    }
    if (result.decoded == SettingsCodec::Decoded::Damaged)
        result.damagedBytes = bytes;
    return result;
}

std::optional<FileFailure> save(const QString &path, const Settings &settings,
                                const AlarmList &list, const QByteArray *damagedBackup)
{
    const QByteArray name = QFile::encodeName(path);
    mode_t mode = 0666 & ~[] {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        return mask;
    }();
    struct stat st {
    };
    if (::stat(name.constData(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            return FileFailure{5, describe(QStringLiteral("无法创建设置文件。"), path, EISDIR)};
        // A read-only file is made writable again before it is replaced.
        mode = (st.st_mode & 07777) | S_IWUSR;
        if (!(st.st_mode & S_IWUSR) && ::chmod(name.constData(), mode) != 0)
            return FileFailure{9,
                               describe(QStringLiteral("无法更改设置文件的属性。"), path, errno)};
    }

    QByteArray bytes;
    try {
        bytes = SettingsCodec::encode(settings, list);
    } catch (const std::bad_alloc &) {
        return FileFailure{6, describe(QStringLiteral("写入设置文件时内存不足。"), path, ENOMEM)};
    } catch (const std::length_error &) {
        return FileFailure{7, describe(QStringLiteral("设置文件格式错误。"), path, EOVERFLOW)};
    }

    if (damagedBackup) {
        if (auto failure = writeReplacing(path + QStringLiteral(".damaged"), *damagedBackup, mode))
            return failure;
    }
    return writeReplacing(path, bytes, mode);
}

} // namespace SettingsFile
