#include "alarmbuilder.h"
#include "gbk.h"
#include "savejournal.h"
#include "scratchfile.h"
#include "settingsfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <QRegularExpression>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <grp.h>
#include <random>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QByteArray hex(const char *spaced)
{
    return QByteArray::fromHex(QByteArray(spaced).replace(' ', ""));
}

const QByteArray defaultFile = hex("00 00 00 00 00 00 00 00 01 00 00 00 01 00 00 00"
                                   "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"
                                   "00 00 00 00 08 44 69 6E 67 2E 77 61 76 00 00 00 00");

// 07:30, message "设置" shown, sound "Ring.wav".
const QByteArray record0730 = hex("07 00 00 00 1E 00 00 00 04 C9 E8 D6 C3 01 00 00 00 08 52 69"
                                  "6E 67 2E 77 61 76");

AlarmEntry entry0730()
{
    return Alarm(7, 30).message("\xC9\xE8\xD6\xC3"); // 设置
}

// Every field different, so that a field read into the wrong place shows.
Settings distinctSettings()
{
    Settings s;
    s.windowX = -5;
    s.windowY = 700;
    s.alwaysOnTop = 0;
    s.hideFromTaskbar = 0;
    s.alarmsDisabled = 1;
    s.limitRinging = 1;
    s.maxRingSeconds = 3600;
    s.chimeOn = 1;
    s.chimeMinutes = 15;
    s.chimeSound = "/home/u/\xC9\xE8.wav";
    return s;
}

QByteArray withAlarms(const QByteArray &settingsPart, int n, const QByteArray &records)
{
    QByteArray out = settingsPart;
    out.chop(4); // the default file's N
    const auto v = uint32_t(n);
    for (int i = 0; i < 4; ++i)
        out.append(char((v >> (8 * i)) & 0xFF));
    return out + records;
}

void appendU32(QByteArray &out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.append(char((v >> (8 * i)) & 0xFF));
}

QByteArray u64(uint64_t v)
{
    QByteArray out;
    appendU32(out, uint32_t(v));
    appendU32(out, uint32_t(v >> 32));
    return out;
}

// The extension after the records: magic, length, version, snooze, gentle start, count and
// the (weekday mask, flags) pairs; extra goes after the pairs and inside the length.
QByteArray extension(uint32_t length, int version, int32_t snooze, int32_t gentle, int32_t count,
                     const QByteArray &pairs, const QByteArray &extra = {})
{
    QByteArray out("ZLKX");
    appendU32(out, length);
    out.append(char(version));
    appendU32(out, uint32_t(snooze));
    appendU32(out, uint32_t(gentle));
    appendU32(out, uint32_t(count));
    return out + pairs + extra;
}

// Root passes every permission check, so tests of permissions run as nobody then.
constexpr uid_t nobody = 65534;

bool runningAsRoot()
{
    return ::geteuid() == 0;
}

// The user a test's child process runs as: see runUnprivileged.
uid_t testUser()
{
    return runningAsRoot() ? nobody : ::geteuid();
}

void giveTo(const QString &path, uid_t uid)
{
    QCOMPARE(::lchown(QFile::encodeName(path).constData(), uid, gid_t(-1)), 0);
}

// Starts work in a child process as testUser(); the child exits with its result.
pid_t forkUnprivileged(const std::function<int()> &work)
{
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (runningAsRoot() &&
            (::setgroups(0, nullptr) != 0 || ::setgid(nobody) != 0 || ::setuid(nobody) != 0))
            ::_exit(100);
        const int result = work();
        std::fflush(nullptr);
        ::_exit(result);
    }
    return pid;
}

// Runs work in a child process as testUser() and returns its result (-1 if it died).
int runUnprivileged(const std::function<int()> &work)
{
    const pid_t pid = forkUnprivileged(work);
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

// 0 for success, else a number for the failure's kind: for tables and child processes.
constexpr int failed(FailureKind kind)
{
    return 1 + int(kind);
}

int outcome(const std::optional<FileFailure> &failure)
{
    return failure ? failed(failure->kind) : 0;
}

QStringList entries(const QString &dir)
{
    return QDir(dir).entryList(
        QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System | QDir::Hidden, QDir::Name);
}

} // namespace

class TestSettingsFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // Journals go to a scratch state folder that the unprivileged test user may use.
        QVERIFY(stateHome.isValid());
        QCOMPARE(::chmod(QFile::encodeName(stateHome.path()).constData(), 0777), 0);
        qputenv("XDG_STATE_HOME", QFile::encodeName(stateHome.path()));
    }

    void encodesExactBytes_data()
    {
        QTest::addColumn<QByteArray>("string");
        QTest::addColumn<QByteArray>("prefix");
        QTest::newRow("empty") << QByteArray() << hex("00");
        QTest::newRow("Ding.wav") << QByteArray("Ding.wav") << hex("08");
        QTest::newRow("254 bytes, one-byte prefix") << QByteArray(254, 'a') << hex("FE");
        QTest::newRow("255 bytes") << QByteArray(255, 'a') << hex("FF FF 00");
        QTest::newRow("65533 bytes") << QByteArray(65533, 'a') << hex("FF FD FF");
        QTest::newRow("65534 bytes") << QByteArray(65534, 'a') << hex("FF FF FF FE FF 00 00");
        QTest::newRow("70000 bytes") << QByteArray(70000, 'a') << hex("FF FF FF 70 11 01 00");
        QTest::newRow("two Chinese characters count four bytes")
            << Gbk::fromUnicode(QStringLiteral("设置")) << hex("04");
    }

    void encodesExactBytes()
    {
        QFETCH(QByteArray, string);
        QFETCH(QByteArray, prefix);
        QByteArray out;
        SettingsCodec::appendString(out, string);
        QCOMPARE(out.left(prefix.size()).toHex(' '), prefix.toHex(' '));
        QCOMPARE(out.size(), prefix.size() + string.size());

        // And the reader takes the same string back, from a whole file.
        Settings s;
        s.chimeSound = string;
        AlarmList list;
        const QByteArray file = SettingsCodec::encode(s, list);
        Settings loaded;
        AlarmList loadedList;
        QCOMPARE(SettingsCodec::decode(file, loaded, loadedList), SettingsCodec::Decoded::Loaded);
        QCOMPARE(loaded.chimeSound, string);
    }

    void wholeFiles_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::newRow("defaults, 49 bytes") << defaultFile;
        QTest::newRow("one 07:30 record") << withAlarms(defaultFile, 1, record0730);
        QTest::newRow("three records")
            << withAlarms(defaultFile, 3, record0730 + record0730 + record0730);
        Settings s = distinctSettings();
        AlarmList list;
        QTest::newRow("distinct settings") << SettingsCodec::encode(s, list);
    }

    void wholeFiles()
    {
        QFETCH(QByteArray, file);
        Settings s;
        AlarmList list;
        QCOMPARE(SettingsCodec::decode(file, s, list), SettingsCodec::Decoded::Loaded);
        QCOMPARE(SettingsCodec::encode(s, list).toHex(' '), file.toHex(' '));
    }

    void defaultsAndRecordBytes()
    {
        AlarmList list;
        QCOMPARE(SettingsCodec::encode(Settings(), list).toHex(' '), defaultFile.toHex(' '));
        QCOMPARE(defaultFile.size(), 49);
        list.SetAtGrow(0, entry0730());
        const QByteArray file = SettingsCodec::encode(Settings(), list);
        QCOMPARE(record0730.size(), 26);
        QCOMPARE(file.mid(49).toHex(' '), record0730.toHex(' '));
    }

    void fieldOrder()
    {
        // Offsets 24 and 28: the maximum ringing time comes before the chime switch.
        QByteArray file = defaultFile;
        file[24] = 42;
        file[28] = 1;
        file[32] = 7;
        Settings s;
        AlarmList list;
        QCOMPARE(SettingsCodec::decode(file, s, list), SettingsCodec::Decoded::Loaded);
        QCOMPARE(s.maxRingSeconds, 42);
        QCOMPARE(s.chimeOn, 1);
        QCOMPARE(s.chimeMinutes, 7);

        const Settings d = distinctSettings();
        QCOMPARE(SettingsCodec::encode(d, list).mid(0, 36).toHex(' '),
                 hex("FB FF FF FF BC 02 00 00 00 00 00 00 00 00 00 00 01 00 00 00"
                     "01 00 00 00 10 0E 00 00 01 00 00 00 0F 00 00 00")
                     .toHex(' '));
    }

    void acceptedAsStored_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("count");
        QTest::newRow("N = 0") << withAlarms(defaultFile, 0, {}) << 0;
        QTest::newRow("N negative") << withAlarms(defaultFile, -1, record0730) << 0;
        QTest::newRow("N most negative") << withAlarms(defaultFile, INT32_MIN, {}) << 0;
        QTest::newRow("extra bytes after the records")
            << withAlarms(defaultFile, 1, record0730 + "trailing") << 1;
        QByteArray odd = record0730;
        odd[0] = 99; // hour 99
        odd[13] = 7; // show-message switch 7
        QTest::newRow("out-of-range values") << withAlarms(defaultFile, 1, odd) << 1;
    }

    void acceptedAsStored()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, count);
        Settings s;
        AlarmList list;
        QCOMPARE(SettingsCodec::decode(file, s, list), SettingsCodec::Decoded::Loaded);
        QCOMPARE(list.GetSize(), count);
        // A save writes what was loaded, with the true count, and drops what followed.
        const QByteArray again = SettingsCodec::encode(s, list);
        const QByteArray records = file.mid(49, count * record0730.size());
        QCOMPARE(again.toHex(' '), withAlarms(file.left(49), count, records).toHex(' '));
    }

    void extensionUsedOrIgnored_data()
    {
        QTest::addColumn<QByteArray>("tail");
        QTest::addColumn<bool>("used");
        QTest::addColumn<QByteArray>("heldBack");    // version 2's fields as a save writes them
        const QByteArray pairs = hex("3E 00 01 03"); // Monday to Friday; Sunday, once and done
        // Held back to 2026-12-15 00:00 CET and to past 2106 (beyond 32 bits); the second snoozed.
        const QByteArray held =
            u64(1797289200) + u64(0x123456789) + hex("01 00 00 00") + u64(1797000000);
        const QByteArray orphan =
            u64(1797289200) + u64(0x123456789) + hex("02 00 00 00") + u64(1797000000);
        QTest::newRow("valid") << extension(17, 1, 5, 30, 2, pairs) << true << QByteArray();
        QTest::newRow("version 2: held back and a snooze")
            << extension(45, 2, 5, 30, 2, pairs, held) << true << held;
        QTest::newRow("version 2 short of its fields: read as version 1")
            << extension(44, 2, 5, 30, 2, pairs, held.chopped(1)) << true << QByteArray();
        QTest::newRow("version 2, a snooze of no record: none")
            << extension(45, 2, 5, 30, 2, pairs, orphan) << true
            << u64(1797289200) + u64(0x123456789) + hex("FF FF FF FF") + u64(0);
        QTest::newRow("later version, longer: the known part is read")
            << extension(49, 3, 5, 30, 2, pairs, held + "more") << true << held;
        QTest::newRow("later version, too short for version 2's fields")
            << extension(21, 3, 5, 30, 2, pairs, "more") << true << QByteArray();
        QTest::newRow("bytes beyond the length are left alone")
            << extension(17, 1, 5, 30, 2, pairs, "junk") << true << QByteArray();
        QTest::newRow("wrong magic")
            << QByteArray("ZLKY") + extension(17, 1, 5, 30, 2, pairs).mid(4) << false
            << QByteArray();
        QTest::newRow("magic only") << QByteArray("ZLKX") << false << QByteArray();
        QTest::newRow("short: the last pair cut")
            << extension(17, 1, 5, 30, 2, pairs).chopped(1) << false << QByteArray();
        QTest::newRow("length short of the pairs")
            << extension(16, 1, 5, 30, 2, pairs) << false << QByteArray();
        QTest::newRow("M less than N")
            << extension(17, 1, 5, 30, 1, pairs) << false << QByteArray();
        QTest::newRow("M more than N")
            << extension(19, 1, 5, 30, 3, pairs + hex("7F 00")) << false << QByteArray();
        QTest::newRow("version 0") << extension(17, 0, 5, 30, 2, pairs) << false << QByteArray();
        QTest::newRow("length past the end")
            << extension(0xFFFFFFF0u, 1, 5, 30, 2, pairs) << false << QByteArray();
        QTest::newRow("length one past the end")
            << extension(18, 1, 5, 30, 2, pairs) << false << QByteArray();
    }

    void extensionUsedOrIgnored()
    {
        QFETCH(QByteArray, tail);
        QFETCH(bool, used);
        QFETCH(QByteArray, heldBack);
        const QByteArray plain = withAlarms(defaultFile, 2, record0730 + record0730);
        const QByteArray pairs = hex("3E 00 01 03");
        Settings s;
        AlarmList list;
        // Never damage: whatever follows the records, they load.
        QCOMPARE(SettingsCodec::decode(plain + tail, s, list), SettingsCodec::Decoded::Loaded);
        QCOMPARE(list.GetSize(), 2);
        QCOMPARE(s.snoozeMinutes, used ? 5 : 9);
        QCOMPARE(s.gentleSeconds, used ? 30 : 0);
        QCOMPARE(list[0].weekdays, used ? 0x3E : 0x7F);
        QCOMPARE(list[0].onceFlags, 0);
        QCOMPARE(list[1].weekdays, used ? 0x01 : 0x7F);
        QCOMPARE(list[1].onceFlags, used ? 3 : 0);
        // A save writes what it used, and nothing of what it ignored.
        const QByteArray again = SettingsCodec::encode(s, list);
        const QByteArray kept = heldBack.isEmpty() ? extension(17, 1, 5, 30, 2, pairs)
                                                   : extension(45, 2, 5, 30, 2, pairs, heldBack);
        QCOMPARE(again.toHex(' '), (used ? plain + kept : plain).toHex(' '));
    }

    void extensionWrittenOnlyWhenUsed_data()
    {
        QTest::addColumn<int>("snooze");
        QTest::addColumn<int>("gentle");
        QTest::addColumn<int>("weekdays");
        QTest::addColumn<int>("flags");
        QTest::addColumn<QByteArray>("tail");
        QTest::newRow("all defaults: the plain file") << 9 << 0 << 0x7F << 0 << QByteArray();
        QTest::newRow("snooze 1") << 1 << 0 << 0x7F << 0 << extension(15, 1, 1, 0, 1, hex("7F 00"));
        QTest::newRow("gentle start 120")
            << 9 << 120 << 0x7F << 0 << extension(15, 1, 9, 120, 1, hex("7F 00"));
        QTest::newRow("weekends") << 9 << 0 << 0x41 << 0 << extension(15, 1, 9, 0, 1, hex("41 00"));
        QTest::newRow("once, not yet rung")
            << 9 << 0 << 0x7F << 1 << extension(15, 1, 9, 0, 1, hex("7F 01"));
        QTest::newRow("once, done")
            << 9 << 0 << 0x7F << 3 << extension(15, 1, 9, 0, 1, hex("7F 03"));
        // Stored as found, clamped only where the clock uses them.
        QTest::newRow("out of range, kept")
            << -4 << 999 << 0xFF << 0x80 << extension(15, 1, -4, 999, 1, hex("FF 80"));
    }

    void extensionWrittenOnlyWhenUsed()
    {
        QFETCH(int, snooze);
        QFETCH(int, gentle);
        QFETCH(int, weekdays);
        QFETCH(int, flags);
        QFETCH(QByteArray, tail);
        Settings s;
        s.snoozeMinutes = snooze;
        s.gentleSeconds = gentle;
        AlarmEntry e = entry0730();
        e.weekdays = uint8_t(weekdays);
        e.onceFlags = uint8_t(flags);
        AlarmList list;
        list.SetAtGrow(0, e);
        const QByteArray file = SettingsCodec::encode(s, list);
        QCOMPARE(file.toHex(' '), (withAlarms(defaultFile, 1, record0730) + tail).toHex(' '));
        Settings back;
        AlarmList backList;
        QCOMPARE(SettingsCodec::decode(file, back, backList), SettingsCodec::Decoded::Loaded);
        QCOMPARE(back, s);
        QCOMPARE(backList[0], e);
    }

    void recordsKeptAsStored()
    {
        AlarmEntry late = entry0730();
        late.hour = 9;
        AlarmList source;
        source.SetAtGrow(0, late);
        source.SetAtGrow(1, entry0730());
        source.SetAtGrow(2, entry0730());
        const QByteArray file = SettingsCodec::encode(Settings(), source);
        Settings s;
        AlarmList list;
        QCOMPARE(SettingsCodec::decode(file, s, list), SettingsCodec::Decoded::Loaded);
        QCOMPARE(list.GetSize(), 3);
        QCOMPARE(list[0].hour, 9);
        QCOMPARE(list[1], entry0730());
        QCOMPARE(list[2], entry0730());
    }

    void damaged_data()
    {
        QTest::addColumn<QByteArray>("file");
        const QByteArray one = withAlarms(defaultFile, 1, record0730);
        QTest::newRow("one byte") << QByteArray(1, '\0');
        QTest::newRow("40 bytes") << defaultFile.left(40);
        QTest::newRow("cut inside chimeSound") << defaultFile.left(40 + 0);
        QTest::newRow("cut after chimeSound's prefix") << defaultFile.left(37);
        QTest::newRow("cut inside N") << defaultFile.left(47);
        // Record layout: hour 0-3, minute 4-7, message prefix 8, body 9-12, switch 13-16,
        // sound prefix 17, body 18-25.
        const struct {
            const char *name;
            int keep;
        } cuts[] = {{"cut inside hour", 2},           {"cut inside minute", 6},
                    {"cut before message prefix", 8}, {"cut inside message", 11},
                    {"cut inside switch", 15},        {"cut before sound prefix", 17},
                    {"cut inside sound", 24}};
        for (const auto &cut : cuts)
            QTest::newRow(cut.name) << one.left(49 + cut.keep);
        QTest::newRow("N larger than the records") << withAlarms(defaultFile, 2, record0730);
        QTest::newRow("N huge") << withAlarms(defaultFile, INT32_MAX, record0730);
        QByteArray longPrefix = defaultFile.left(36) + hex("FF FF FF 00 00 00 80") + "x";
        QTest::newRow("string of 2^31 bytes") << longPrefix;
        longPrefix = defaultFile.left(36) + hex("FF FF FF FF FF FF FF") + "x";
        QTest::newRow("string of 4 GiB") << longPrefix;
        longPrefix = defaultFile.left(36) + hex("FF 10 00") + "short";
        QTest::newRow("string past the end") << longPrefix;
    }

    void damaged()
    {
        QFETCH(QByteArray, file);
        // Values read before the damage must not survive: start from non-defaults.
        Settings s = distinctSettings();
        AlarmList list;
        list.SetAtGrow(0, entry0730());
        QCOMPARE(SettingsCodec::decode(file, s, list), SettingsCodec::Decoded::Damaged);
        QCOMPARE(s, Settings());
        QCOMPARE(list.GetSize(), 0);
        QCOMPARE(list.capacity(), 0);
    }

    void hostileLengthsAllocateNothingBig()
    {
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("AddressSanitizer needs more address space than this test leaves; the fuzzer's "
              "malloc limit checks the same");
#endif
        // In a child whose address space leaves no room for a 2 GiB string, decoding
        // lengths that claim that much must still end as "damaged".
        const QList<QByteArray> files{
            defaultFile.left(36) + hex("FF FF FF F0 FF FF 7F") + QByteArray(64, 'x'),
            withAlarms(defaultFile, 1, hex("07 00 00 00 1E 00 00 00 FF FF FF 00 00 00 70")),
            withAlarms(defaultFile, INT32_MAX, QByteArray(1000, '\0'))};
        for (const QByteArray &file : files) {
            const pid_t pid = ::fork();
            if (pid == 0) {
                struct rlimit limit {
                };
                ::getrlimit(RLIMIT_AS, &limit);
                limit.rlim_cur = rlim_t(1) << 30;
                ::setrlimit(RLIMIT_AS, &limit);
                Settings s;
                AlarmList list;
                const bool ok =
                    SettingsCodec::decode(file, s, list) == SettingsCodec::Decoded::Damaged;
                ::_exit(ok ? 0 : 1);
            }
            int status = 0;
            QCOMPARE(::waitpid(pid, &status, 0), pid);
            QVERIFY2(WIFEXITED(status) && WEXITSTATUS(status) == 0, file.left(48).toHex(' '));
        }
    }

    void textSurvivesGbkAndBeyond_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("gbk");
        QTest::newRow("ASCII") << QStringLiteral("Ring.wav") << QByteArray("Ring.wav");
        QTest::newRow("GBK Chinese") << QStringLiteral("设置") << hex("C9 E8 D6 C3");
        QTest::newRow("outside GBK, kept by GB18030")
            << QString::fromUtf8("\xF0\x9F\x94\x94") << hex("94 39 E5 30");
    }

    void textSurvivesGbkAndBeyond()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, gbk);
        QCOMPARE(Gbk::fromUnicode(text).toHex(' '), gbk.toHex(' '));
        QCOMPARE(Gbk::toUnicode(gbk), text);
    }

    void danglingLeadByteIsDropped()
    {
        QCOMPARE(Gbk::toUnicode(hex("41 C9 E8 D6")), QStringLiteral("A设"));
    }

    // The file operations, in a scratch directory.

    void loadCreatesMissingFileEmpty()
    {
        ScratchFile dir;
        QVERIFY(QDir::setCurrent(dir.path()));
        dir.settings = distinctSettings();
        const LoadResult r = dir.load(std::nullopt, QStringLiteral("ZELKA!.DAT"));
        QVERIFY(!r.failure);
        QCOMPARE(r.decoded, SettingsCodec::Decoded::Empty);
        QCOMPARE(r.absolutePath, QDir(dir.path()).canonicalPath() + QStringLiteral("/ZELKA!.DAT"));
        QVERIFY(QFileInfo::exists(r.absolutePath));
        QCOMPARE(QFileInfo(r.absolutePath).size(), 0);
        QCOMPARE(dir.settings, distinctSettings()); // an empty file leaves the values as they were
    }

    void failures_data()
    {
        QTest::addColumn<QString>("setUp");
        QTest::addColumn<int>("loadOutcome");
        QTest::addColumn<int>("saveOutcome");
        QTest::newRow("a directory in the file's place")
            << "dir" << failed(FailureKind::Open) << failed(FailureKind::Create);
        QTest::newRow("a FIFO in the file's place") << "fifo" << failed(FailureKind::Open) << 0;
    }

    void failures()
    {
        QFETCH(QString, setUp);
        QFETCH(int, loadOutcome);
        QFETCH(int, saveOutcome);
        ScratchFile dir;
        const QString &path = dir.file;
        if (setUp == QLatin1String("dir"))
            QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("ZELKA!.DAT")));
        else
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        const LoadResult r = dir.load(std::nullopt);
        QVERIFY(r.failure);
        QCOMPARE(outcome(r.failure), loadOutcome);
        QVERIFY(r.failure->message.contains(path));
        QCOMPARE(outcome(SettingsFile::save(path, dir.settings, dir.list)), saveOutcome);
    }

    void saveReplacesReadOnlyFileAndKeepsMode()
    {
        ScratchFile dir;
        const QString &path = dir.file;
        writeAll(path, "old");
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup));
        AlarmList list;
        list.SetAtGrow(0, entry0730());
        QVERIFY(!SettingsFile::save(path, Settings(), list));
        QCOMPARE(readAll(path), defaultFile.left(45) + hex("01 00 00 00") + record0730);
        struct stat st {
        };
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, mode_t(0640));
        // No temporary file is left behind.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files),
                 QStringList{QStringLiteral("ZELKA!.DAT")});
    }

    void saveRecreatesDeletedFile()
    {
        ScratchFile dir;
        const QString &path = dir.file;
        AlarmList list;
        QVERIFY(!SettingsFile::save(path, Settings(), list));
        QCOMPARE(readAll(path), defaultFile);
    }

    void failedSaveLeavesOldFile()
    {
        ScratchFile dir;
        const QString &path = dir.file;
        const QByteArray old = withAlarms(defaultFile, 1, record0730);
        writeAll(path, old);
        // The temporary file cannot be made where the directory has gone.
        const QString gone = dir.filePath(QStringLiteral("gone/ZELKA!.DAT"));
        AlarmList list;
        const auto failure = SettingsFile::save(gone, Settings(), list);
        QVERIFY(failure);
        QCOMPARE(failure->kind, FailureKind::Create);
        QVERIFY(failure->message.contains(gone));
        QCOMPARE(readAll(path), old);
    }

    void readOnlyFolder_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<int>("fileMode");
        QTest::addColumn<int>("status");
        const QByteArray old = withAlarms(defaultFile, 1, record0730);
        QTest::newRow("writable file: rewritten in place") << old << 0644 << 0;
        QTest::newRow("read-only file: made writable, rewritten") << old << 0444 << 0;
        QTest::newRow("damaged file: no backup possible, still saved")
            << defaultFile.left(30) << 0644 << 0;
        QTest::newRow("no file: nothing can be created")
            << QByteArray() << 0 << failed(FailureKind::Create);
    }

    void readOnlyFolder()
    {
        QFETCH(QByteArray, before);
        QFETCH(int, fileMode);
        QFETCH(int, status);
        ScratchFile dir;
        const QString &path = dir.file;
        if (fileMode) {
            writeAll(path, before);
            QCOMPARE(::chmod(QFile::encodeName(path).constData(), mode_t(fileMode)), 0);
            giveTo(path, testUser());
        }
        giveTo(dir.path(), testUser());
        QCOMPARE(::chmod(QFile::encodeName(dir.path()).constData(), 0555), 0);

        // Load and save as the clock does, as a user the folder's permissions bind.
        const int result = runUnprivileged([&] {
            Settings s;
            AlarmList list;
            if (fileMode) {
                const LoadResult r = SettingsFile::load(path, s, list);
                if (r.failure)
                    return 50 + outcome(r.failure);
            }
            const AlarmList none;
            return outcome(SettingsFile::save(path, distinctSettings(), none));
        });
        QCOMPARE(::chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
        QCOMPARE(result, status);
        if (status == 0) {
            AlarmList none;
            QCOMPARE(readAll(path).toHex(' '),
                     SettingsCodec::encode(distinctSettings(), none).toHex(' '));
            QCOMPARE(entries(dir.path()), QStringList{QStringLiteral("ZELKA!.DAT")});
            QVERIFY(!QFileInfo::exists(SaveJournal::pathFor(path)));
        } else {
            QCOMPARE(entries(dir.path()), QStringList());
        }
    }

    void staleTemporaries_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("removed");
        for (const char *suffix : {"aBcDeF", "x7Q2pL", "abcdef", "QWERTY", "202401"})
            QTest::addRow("leftover .tmp-%s", suffix)
                << QStringLiteral(".ZELKA!.DAT.tmp-") + QLatin1String(suffix) << "file" << true;
        for (const char *name : {"ZELKA!.DAT.Backup", "ZELKA!.DAT.bak001", "ZELKA!.DAT.save01",
                                 "ZELKA!.DAT.Copy02", "ZELKA!.DAT.aB3xYz", "ZELKA!.DAT.damaged",
                                 "ZELKA!.DAT.lock", "ZELKA!.DAT.lock.rmlink"})
            QTest::addRow("a user's %s", name) << name << "file" << false;
        QTest::newRow("five characters") << ".ZELKA!.DAT.tmp-aB3xY"
                                         << "file" << false;
        QTest::newRow("seven characters") << ".ZELKA!.DAT.tmp-aB3xYzQ"
                                          << "file" << false;
        QTest::newRow("outside the alphabet") << ".ZELKA!.DAT.tmp-aB3x_z"
                                              << "file" << false;
        QTest::newRow("not hidden") << "ZELKA!.DAT.tmp-aB3xYz"
                                    << "file" << false;
        QTest::newRow("another file's temporary") << ".OTHER.DAT.tmp-aB3xYz"
                                                  << "file" << false;
        QTest::newRow("changed since the start") << ".ZELKA!.DAT.tmp-aB3xYz"
                                                 << "fresh" << false;
        QTest::newRow("a directory") << ".ZELKA!.DAT.tmp-aB3xYz"
                                     << "dir" << false;
        QTest::newRow("a symbolic link") << ".ZELKA!.DAT.tmp-aB3xYz"
                                         << "symlink" << false;
        QTest::newRow("another user's file") << ".ZELKA!.DAT.tmp-aB3xYz"
                                             << "foreign" << false;
    }

    void staleTemporaries()
    {
        QFETCH(QString, name);
        QFETCH(QString, kind);
        QFETCH(bool, removed);
        if (kind == QLatin1String("foreign") && !runningAsRoot())
            QSKIP("only root can make a file of another owner (CI runs as root)");
        ScratchFile dir;
        const QString &path = dir.file;
        const QString entry = dir.filePath(name);
        writeAll(path, defaultFile);
        const QString target = dir.filePath(QStringLiteral("target"));
        if (kind == QLatin1String("dir")) {
            QVERIFY(QDir(dir.path()).mkdir(name));
        } else if (kind == QLatin1String("symlink")) {
            writeAll(target, "kept");
            QVERIFY(QFile::link(target, entry));
        } else {
            writeAll(entry, "partial");
            if (kind == QLatin1String("foreign"))
                giveTo(entry, nobody);
        }
        timespec startedAt{};
        QCOMPARE(::clock_gettime(CLOCK_REALTIME, &startedAt), 0);
        // Left by an earlier run, unless it was touched since this one started.
        const timespec then[2] = {{startedAt.tv_sec - 3600, 0}, {startedAt.tv_sec - 3600, 0}};
        const timespec later[2] = {startedAt, startedAt};
        QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(entry).constData(),
                             kind == QLatin1String("fresh") ? later : then, AT_SYMLINK_NOFOLLOW),
                 0);
        const QStringList gone = SettingsFile::removeStaleTemporaries(path, startedAt);
        QCOMPARE(gone, removed ? QStringList{name} : QStringList());
        QCOMPARE(QFileInfo(entry).exists() || QFileInfo(entry).isSymLink(), !removed);
        QCOMPARE(readAll(path), defaultFile);
        if (kind == QLatin1String("symlink"))
            QCOMPARE(readAll(target), QByteArray("kept"));
    }

    void symbolicLinks_data()
    {
        QTest::addColumn<QString>("setUp");
        QTest::addColumn<bool>("followed");
        QTest::newRow("link to an own file") << "own" << true;
        QTest::newRow("chain of own links") << "chain" << true;
        QTest::newRow("relative link, read from the link's folder") << "relative" << true;
        QTest::newRow("link to another user's file") << "foreign target" << false;
        QTest::newRow("link of another user to an own file") << "foreign link" << false;
        QTest::newRow("dangling link") << "dangling" << false;
    }

    void symbolicLinks()
    {
        QFETCH(QString, setUp);
        QFETCH(bool, followed);
        if (setUp.startsWith(QLatin1String("foreign")) && !runningAsRoot())
            QSKIP("only root can give a file to another owner (CI runs as root)");
        ScratchFile dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("elsewhere")));
        const QString target = dir.filePath(QStringLiteral("elsewhere/real.dat"));
        const QString link = dir.filePath(QStringLiteral("ZELKA!.DAT"));
        const QByteArray stored = withAlarms(defaultFile, 1, record0730);
        if (setUp != QLatin1String("dangling"))
            writeAll(target, stored);
        if (setUp == QLatin1String("chain")) {
            QVERIFY(QFile::link(target, dir.filePath(QStringLiteral("middle"))));
            QVERIFY(QFile::link(dir.filePath(QStringLiteral("middle")), link));
        } else if (setUp == QLatin1String("relative")) {
            QCOMPARE(::symlink("elsewhere/real.dat", QFile::encodeName(link).constData()), 0);
        } else {
            QVERIFY(QFile::link(target, link));
        }
        if (setUp == QLatin1String("foreign target"))
            giveTo(target, nobody);
        if (setUp == QLatin1String("foreign link"))
            giveTo(link, nobody);
        // Elsewhere, so that a relative link could only resolve from its own folder.
        QVERIFY(QDir::setCurrent(QDir::rootPath()));

        Settings &s = dir.settings;
        AlarmList &list = dir.list;
        const LoadResult r = dir.load(std::nullopt, link);
        if (!followed) {
            QVERIFY(r.failure);
            QCOMPARE(r.failure->kind, FailureKind::Open);
            QVERIFY2(r.failure->message.contains(link), qPrintable(r.failure->message));
            QCOMPARE(QFileInfo::exists(target), setUp != QLatin1String("dangling"));
            if (QFileInfo::exists(target))
                QCOMPARE(readAll(target), stored);
            return;
        }
        QVERIFY(!r.failure);
        QCOMPARE(r.decoded, SettingsCodec::Decoded::Loaded);
        QCOMPARE(list.GetSize(), 1);
        QCOMPARE(r.absolutePath, QFileInfo(target).canonicalFilePath());
        list.SetSize(0);
        QVERIFY(!SettingsFile::save(r.absolutePath, s, list));
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(readAll(target), defaultFile);
    }

    void damagedFileKeptAsideAtLoad_data()
    {
        QTest::addColumn<QByteArray>("damaged");
        QTest::newRow("cut inside the settings") << defaultFile.left(30);
        // A string claiming nearly 2 GiB, then 40 MiB: bigger than one copy step.
        QTest::newRow("40 MiB") << defaultFile.left(36) + hex("FF FF FF F0 FF FF 7F") +
                                       QByteArray(40 << 20, '\x5A');
        // A valid start, then more than any settings file holds: refused unread.
        QTest::newRow("over 64 MiB") << defaultFile + QByteArray((64 << 20) - 48, '\0');
    }

    void damagedFileKeptAsideAtLoad()
    {
        QFETCH(QByteArray, damaged);
        ScratchFile dir;
        QVERIFY(QDir::setCurrent(dir.path()));
        writeAll(QStringLiteral("ZELKA!.DAT.damaged"), "older backup");
        Settings &s = dir.settings;
        AlarmList &list = dir.list;
        const LoadResult r = dir.load(damaged, QStringLiteral("ZELKA!.DAT"));
        QCOMPARE(r.decoded, SettingsCodec::Decoded::Damaged);
        // Kept aside at once, and the file itself stays until the save replaces it.
        QVERIFY(readAll(QStringLiteral("ZELKA!.DAT.damaged")) == damaged);
        QVERIFY(readAll(QStringLiteral("ZELKA!.DAT")) == damaged);
        QCOMPARE(entries(dir.path()),
                 (QStringList{QStringLiteral("ZELKA!.DAT"), QStringLiteral("ZELKA!.DAT.damaged")}));
        // The next start finds the same damage kept already and copies nothing.
        struct stat first {
        }, second{};
        QCOMPARE(::stat("ZELKA!.DAT.damaged", &first), 0);
        QCOMPARE(SettingsFile::load(QStringLiteral("ZELKA!.DAT"), s, list).decoded,
                 SettingsCodec::Decoded::Damaged);
        QCOMPARE(::stat("ZELKA!.DAT.damaged", &second), 0);
        QCOMPARE(second.st_ino, first.st_ino);
        QVERIFY(!SettingsFile::save(r.absolutePath, s, list));
        QCOMPARE(readAll(QStringLiteral("ZELKA!.DAT")), defaultFile);
        QVERIFY(readAll(QStringLiteral("ZELKA!.DAT.damaged")) == damaged);
    }

    void backupFailureDoesNotBlockTheSave()
    {
        ScratchFile dir;
        const QString &path = dir.file;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("ZELKA!.DAT.damaged")));
        Settings &s = dir.settings;
        AlarmList &list = dir.list;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QRegularExpression::escape(
                                               path + QStringLiteral(".damaged"))));
        const LoadResult r = dir.load(defaultFile.left(30));
        QVERIFY(!r.failure);
        QCOMPARE(r.decoded, SettingsCodec::Decoded::Damaged);
        QVERIFY(!SettingsFile::save(r.absolutePath, s, list));
        QCOMPARE(readAll(path), defaultFile);
        QVERIFY(QFileInfo(path + QStringLiteral(".damaged")).isDir());
        QCOMPARE(entries(dir.path()),
                 (QStringList{QStringLiteral("ZELKA!.DAT"), QStringLiteral("ZELKA!.DAT.damaged")}));
    }
    // An in-place rewrite cut short, as the next start finds it: the file, and the
    // journal the save kept (whole, cut, altered or missing).
    void interruptedRewriteFinishedAtStart_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("journal");
        QTest::addColumn<QByteArray>("after");
        const QByteArray old = withAlarms(defaultFile, 1, record0730);
        const QByteArray torn = defaultFile.left(20) + old.mid(20);
        QTest::newRow("torn file, whole journal: finished") << torn << "whole" << defaultFile;
        QTest::newRow("empty file, whole journal: finished")
            << QByteArray() << "whole" << defaultFile;
        QTest::newRow("untouched file, journal cut: old file kept") << old << "cut" << old;
        QTest::newRow("journal altered: ignored") << old << "altered" << old;
        QTest::newRow("another file's journal: ignored") << old << "foreign" << old;
    }

    void interruptedRewriteFinishedAtStart()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, journal);
        QFETCH(QByteArray, after);
        ScratchFile dir;
        const QString &path = dir.file;
        writeAll(path, file);
        const QString kept = SaveJournal::pathFor(path);
        if (journal == QLatin1String("foreign")) {
            const QString other = dir.filePath(QStringLiteral("OTHER.DAT"));
            QCOMPARE(SaveJournal::write(other, defaultFile), 0);
            QVERIFY(QFile::rename(SaveJournal::pathFor(other), kept));
        } else {
            QCOMPARE(SaveJournal::write(path, defaultFile), 0);
            QFile f(kept);
            QVERIFY(f.open(QIODevice::ReadWrite));
            if (journal == QLatin1String("cut"))
                QVERIFY(f.resize(f.size() - 1));
            if (journal == QLatin1String("altered")) {
                QVERIFY(f.seek(f.size() / 2));
                QVERIFY(f.putChar('\x55'));
            }
        }
        QVERIFY(!dir.load(std::nullopt).failure);
        QCOMPARE(readAll(path).toHex(' '), after.toHex(' '));
        QVERIFY(!QFileInfo::exists(kept));
    }

    // kill -9 at random moments while a clock saves in place in a read-only folder: every
    // start after it finds one whole save or the other, never an empty or torn file.
    void killedInPlaceSavesNeverTearTheFile()
    {
        ScratchFile dir;
        const QString &path = dir.file;
        AlarmList three;
        for (int i = 0; i < 3; ++i)
            three.SetAtGrow(i, entry0730());
        const QByteArray saves[2] = {SettingsCodec::encode(Settings(), three),
                                     SettingsCodec::encode(distinctSettings(), AlarmList())};
        writeAll(path, saves[0]);
        giveTo(path, testUser());
        giveTo(dir.path(), testUser());
        QCOMPARE(::chmod(QFile::encodeName(dir.path()).constData(), 0555), 0);
        std::mt19937 random(20261210);
        int finished = 0;
        for (int run = 0; run < 100; ++run) {
            const pid_t pid = forkUnprivileged([&] {
                for (int i = 0;; ++i)
                    if (SettingsFile::write(path, saves[i % 2]))
                        return 101;
            });
            ::usleep(useconds_t(2000 + random() % 20000));
            QCOMPARE(::kill(pid, SIGKILL), 0);
            int status = 0;
            QCOMPARE(::waitpid(pid, &status, 0), pid);
            QVERIFY2(WIFSIGNALED(status), "the saving child stopped by itself");
            finished += QFileInfo::exists(SaveJournal::pathFor(path));
            QCOMPARE(dir.load(std::nullopt).decoded, SettingsCodec::Decoded::Loaded);
            const QByteArray found = readAll(path);
            QVERIFY2(found == saves[0] || found == saves[1], qPrintable(found.toHex(' ')));
        }
        QCOMPARE(::chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
        QCOMPARE(entries(dir.path()), QStringList{QStringLiteral("ZELKA!.DAT")});
        qInfo("%d of 100 kills left a rewrite for the start to finish", finished);
    }

private:
    QTemporaryDir stateHome;
};

QTEST_APPLESS_MAIN(TestSettingsFile)
#include "tst_settingsfile.moc"
