#include "soundpicker.h"

#include "fakefilepicker.h"
#include "recordingsound.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QTest>

#include <functional>

using namespace Qt::StringLiterals;

using Request = RecordingSound::Request;
using Kind = RecordingSound::Kind;

namespace {

constexpr int interval = SoundPicker::pollIntervalMs;

// A channel where only some files play: any other path (a missing file, an empty one)
// plays nothing, so the channel is idle again at once.
class Channel : public RecordingSound
{
public:
    void once(const QByteArray &path) override
    {
        RecordingSound::once(path);
        if (!playable.contains(path))
            finish();
    }
    QSet<QByteArray> playable;
};

// The owner the picker is bound to: a path edit, Play and Stop (Stop created disabled),
// clicks routed to the picker and every timer event to Poll().
class Owner : public QWidget
{
public:
    Owner(Sound &sound, FilePicker &files)
        : picker(sound, files), edit(new QLineEdit(this)), play(new QPushButton(this)),
          stop(new QPushButton(this))
    {
        stop->setEnabled(false);
        picker.Bind(edit, play, stop, 1, this);
        connect(play, &QPushButton::clicked, this, [this] { picker.Play(); });
        connect(stop, &QPushButton::clicked, this, [this] { picker.Stop(); });
        show();
    }

    bool idle() const { return play->isEnabled() && !stop->isEnabled(); }
    bool previewing() const { return !play->isEnabled() && stop->isEnabled(); }

    SoundPicker picker;
    QLineEdit *edit;
    QPushButton *play;
    QPushButton *stop;
    int polls = 0;
    QList<qint64> pollTimes;
    QElapsedTimer clock;
    // Runs after each poll with the number of polls so far.
    std::function<void(int)> afterPoll;

protected:
    void timerEvent(QTimerEvent *) override
    {
        ++polls;
        pollTimes.append(clock.elapsed());
        picker.Poll();
        if (afterPoll)
            afterPoll(polls);
    }
};

enum Ending { NothingPlays, PlaysToItsEnd, StopAfterFirstPoll, StopAtOnce };

} // namespace

Q_DECLARE_METATYPE(Request)

class TestSoundPicker : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void previewEnds_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("playable");
        QTest::addColumn<int>("ending");
        QTest::addColumn<bool>("previewingAfterFirstPoll");
        QTest::addColumn<int>("idleAfterPolls");
        QTest::addColumn<QList<Request>>("requests");

        const QByteArray ring = "Ring.wav";
        const QByteArray missing = "/nowhere/missing.wav";
        const QByteArray chinese = "\xC4\xD6\xD6\xD3.wav"; // 闹钟.wav in GBK
        const Request stop{Kind::Stop, {}};

        QTest::newRow("missing file: idle at the first poll")
            << QString::fromLatin1(missing) << false << int(NothingPlays) << false << 1
            << QList<Request>{{Kind::Once, missing}, {Kind::StartIfIdle, missing}, stop};
        QTest::newRow("empty edit: idle at the first poll")
            << QString() << false << int(NothingPlays) << false << 1
            << QList<Request>{{Kind::Once, {}}, {Kind::StartIfIdle, {}}, stop};
        // The poll that finds the channel idle has just started the file again: it is
        // stopped at once, so no second playback is heard.
        QTest::newRow("played to its end: idle at the next poll, replay cut off")
            << u"Ring.wav"_s << true << int(PlaysToItsEnd) << true << 2
            << QList<Request>{{Kind::Once, ring}, {Kind::StartIfIdle, ring}, stop};
        QTest::newRow("Chinese file name goes out in GBK")
            << u"闹钟.wav"_s << true << int(PlaysToItsEnd) << true << 2
            << QList<Request>{{Kind::Once, chinese}, {Kind::StartIfIdle, chinese}, stop};
        QTest::newRow("Stop during the preview")
            << u"Ring.wav"_s << true << int(StopAfterFirstPoll) << true << 1
            << QList<Request>{{Kind::Once, ring}, stop};
        QTest::newRow("Stop before the first poll")
            << u"Ring.wav"_s << true << int(StopAtOnce) << false << 0
            << QList<Request>{{Kind::Once, ring}, stop};
    }

    // Play turns the buttons to previewing and polls every half second; however the
    // preview ends, the buttons return to idle, the sound is silent and the polls stop.
    void previewEnds()
    {
        QFETCH(QString, text);
        QFETCH(bool, playable);
        QFETCH(int, ending);
        QFETCH(bool, previewingAfterFirstPoll);
        QFETCH(int, idleAfterPolls);
        QFETCH(QList<Request>, requests);

        Channel sound;
        FakeFilePicker files;
        Owner owner(sound, files);
        owner.edit->setText(text);
        if (playable)
            sound.playable.insert(requests.first().path);

        bool previewingAtFirstPoll = false;
        owner.afterPoll = [&](int polls) {
            if (polls != 1)
                return;
            previewingAtFirstPoll = owner.previewing();
            if (ending == PlaysToItsEnd)
                sound.finish();
            if (ending == StopAfterFirstPoll)
                QTest::mouseClick(owner.stop, Qt::LeftButton);
        };
        owner.clock.start();
        QTest::mouseClick(owner.play, Qt::LeftButton);
        QVERIFY(owner.previewing());
        QCOMPARE(sound.isPlaying(), playable);
        if (ending == StopAtOnce)
            QTest::mouseClick(owner.stop, Qt::LeftButton);

        QTRY_VERIFY_WITH_TIMEOUT(owner.idle(), 4 * interval);
        QCOMPARE(owner.polls, idleAfterPolls);
        if (idleAfterPolls >= 1) {
            QCOMPARE(previewingAtFirstPoll, previewingAfterFirstPoll);
            // The first poll comes half a second after Play, not sooner.
            QVERIFY2(owner.pollTimes.first() >= interval * 9 / 10,
                     qPrintable(QString::number(owner.pollTimes.first())));
        }
        QVERIFY(!sound.isPlaying());
        QCOMPARE(sound.requests, requests);

        // The timer is gone: nothing polls any more.
        QTest::qWait(3 * interval);
        QCOMPARE(owner.polls, idleAfterPolls);
        QCOMPARE(sound.requests, requests);
    }

    // While a preview plays, every poll yields to it and changes nothing.
    void pollsYieldWhilePlaying()
    {
        Channel sound;
        sound.playable.insert("Ring.wav");
        FakeFilePicker files;
        Owner owner(sound, files);
        owner.edit->setText(u"Ring.wav"_s);
        QTest::mouseClick(owner.play, Qt::LeftButton);

        QTRY_COMPARE_WITH_TIMEOUT(owner.polls, 3, 6 * interval);
        QVERIFY(owner.previewing());
        QVERIFY(sound.isPlaying());
        QCOMPARE(sound.requests, (QList<Request>{{Kind::Once, "Ring.wav"}}));
        // Half a second apart.
        const qint64 gap = owner.pollTimes[2] - owner.pollTimes[1];
        QVERIFY2(gap >= interval * 8 / 10 && gap <= interval * 3, qPrintable(QString::number(gap)));
    }

    void browse_data()
    {
        QTest::addColumn<std::optional<QString>>("answer");
        QTest::addColumn<QString>("shown");

        QTest::newRow("cancelled: the text stays") << std::optional<QString>() << u"Ring.wav"_s;
        QTest::newRow("chosen: the full path replaces the text")
            << std::optional<QString>(u"/home/user/声音/闹钟.wav"_s)
            << u"/home/user/声音/闹钟.wav"_s;
    }

    // Browse asks the file dialog, owned by the picker's owner, and only writes the edit.
    void browse()
    {
        QFETCH(std::optional<QString>, answer);
        QFETCH(QString, shown);

        RecordingSound sound;
        FakeFilePicker files;
        files.answers.append(answer);
        Owner owner(sound, files);
        owner.edit->setText(u"Ring.wav"_s);

        owner.picker.Browse();

        QCOMPARE(files.calls, 1);
        QCOMPARE(files.lastOwner, &owner);
        QCOMPARE(owner.edit->text(), shown);
        QVERIFY(owner.idle());
        QVERIFY(sound.requests.isEmpty());
        QTest::qWait(interval * 3 / 2);
        QCOMPARE(owner.polls, 0);
    }

    void newTextDuringPreview_data()
    {
        QTest::addColumn<bool>("byBrowse");

        QTest::newRow("chosen with Browse") << true;
        QTest::newRow("typed into the edit") << false;
    }

    // A new path in the edit does not touch the running preview: the polls keep testing
    // the file that plays, and only the next Play takes the new text.
    void newTextDuringPreview()
    {
        QFETCH(bool, byBrowse);

        Channel sound;
        sound.playable = {"a.wav", "b.wav"};
        FakeFilePicker files;
        files.answers.append(u"b.wav"_s);
        Owner owner(sound, files);
        owner.edit->setText(u"a.wav"_s);
        QTest::mouseClick(owner.play, Qt::LeftButton);

        if (byBrowse) {
            owner.picker.Browse();
        } else {
            owner.edit->selectAll();
            QTest::keyClicks(owner.edit, u"b.wav"_s);
        }
        QCOMPARE(owner.edit->text(), u"b.wav"_s);
        QCOMPARE(sound.requests, (QList<Request>{{Kind::Once, "a.wav"}}));
        QVERIFY(sound.isPlaying());

        QTRY_COMPARE_WITH_TIMEOUT(owner.polls, 1, 3 * interval);
        QVERIFY(owner.previewing());
        sound.finish();
        QTRY_VERIFY_WITH_TIMEOUT(owner.idle(), 3 * interval);
        const Request stop{Kind::Stop, {}};
        QCOMPARE(sound.requests,
                 (QList<Request>{{Kind::Once, "a.wav"}, {Kind::StartIfIdle, "a.wav"}, stop}));

        QTest::mouseClick(owner.play, Qt::LeftButton);
        QCOMPARE(sound.requests.last(), (Request{Kind::Once, "b.wav"}));
        QVERIFY(owner.previewing());
    }

    // Another sound on the one channel (an alarm) keeps the picker previewing until that
    // sound ends too.
    void anotherSoundKeepsItPreviewing()
    {
        Channel sound;
        sound.playable.insert("Ring.wav");
        FakeFilePicker files;
        Owner owner(sound, files);
        owner.edit->setText(u"Ring.wav"_s);
        QTest::mouseClick(owner.play, Qt::LeftButton);
        sound.loop("alarm.wav");

        QTRY_COMPARE_WITH_TIMEOUT(owner.polls, 2, 5 * interval);
        QVERIFY(owner.previewing());
        QVERIFY(sound.isLooping());
        QCOMPARE(sound.requests.last(), (Request{Kind::Loop, "alarm.wav"}));
    }
};

QTEST_MAIN(TestSoundPicker)

#include "tst_soundpicker.moc"
