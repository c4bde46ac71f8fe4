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

// A tenth of the real half second, so no row sleeps through real polls.
constexpr int interval = SoundPicker::pollIntervalMs / 10;
// Long enough for a loaded machine; a passing check returns at once.
constexpr int patience = 5000;

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

// The owner the picker is bound to: a path edit, Play and Stop (Stop created disabled) and
// clicks routed to the picker. It only watches the picker's own timer ticks.
class Owner : public QWidget
{
public:
    Owner()
        : picker(sound, files, interval), edit(new QLineEdit(this)), play(new QPushButton(this)),
          stop(new QPushButton(this))
    {
        stop->setEnabled(false);
        picker.Bind(edit, play, stop, this);
        connect(play, &QPushButton::clicked, this, [this] { picker.Play(); });
        connect(stop, &QPushButton::clicked, this, [this] { picker.Stop(); });
        picker.installEventFilter(this);
        show();
    }

    // Plays what the edit then holds, as a click on Play.
    void preview(const QString &text)
    {
        edit->setText(text);
        clock.start();
        QTest::mouseClick(play, Qt::LeftButton);
    }
    bool idle() const { return play->isEnabled() && !stop->isEnabled(); }
    bool previewing() const { return !play->isEnabled() && stop->isEnabled(); }

    Channel sound;
    FakeFilePicker files;
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
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Timer) {
            ++polls;
            pollTimes.append(clock.elapsed());
            // Queued, so it runs once the picker has handled the tick.
            QMetaObject::invokeMethod(
                this, [this, n = polls] { afterPoll ? afterPoll(n) : void(); },
                Qt::QueuedConnection);
        }
        return false;
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

        // The poll only asks whether the channel plays: it never starts or stops a owner.sound.
        QTest::newRow("missing file: idle at the first poll")
            << QString::fromLatin1(missing) << false << int(NothingPlays) << false << 1
            << QList<Request>{{Kind::Once, missing}};
        QTest::newRow("empty edit: idle at the first poll")
            << QString() << false << int(NothingPlays) << false << 1
            << QList<Request>{{Kind::Once, {}}};
        QTest::newRow("played to its end: idle at the next poll, nothing replayed")
            << u"Ring.wav"_s << true << int(PlaysToItsEnd) << true << 2
            << QList<Request>{{Kind::Once, ring}};
        QTest::newRow("Chinese file name goes out in GBK")
            << u"闹钟.wav"_s << true << int(PlaysToItsEnd) << true << 2
            << QList<Request>{{Kind::Once, chinese}};
        QTest::newRow("Stop during the preview")
            << u"Ring.wav"_s << true << int(StopAfterFirstPoll) << true << 1
            << QList<Request>{{Kind::Once, ring}, stop};
        QTest::newRow("Stop before the first poll")
            << u"Ring.wav"_s << true << int(StopAtOnce) << false << 0
            << QList<Request>{{Kind::Once, ring}, stop};
    }

    // Play turns the buttons to previewing and polls at the interval; however the
    // preview ends, the buttons return to idle, the sound is silent and the polls stop.
    void previewEnds()
    {
        QFETCH(QString, text);
        QFETCH(bool, playable);
        QFETCH(int, ending);
        QFETCH(bool, previewingAfterFirstPoll);
        QFETCH(int, idleAfterPolls);
        QFETCH(QList<Request>, requests);

        Owner owner;
        if (playable)
            owner.sound.playable.insert(requests.first().path);

        bool previewingAtFirstPoll = false;
        owner.afterPoll = [&](int polls) {
            if (polls != 1)
                return;
            previewingAtFirstPoll = owner.previewing();
            if (ending == PlaysToItsEnd)
                owner.sound.finish();
            if (ending == StopAfterFirstPoll)
                QTest::mouseClick(owner.stop, Qt::LeftButton);
        };
        owner.preview(text);
        QVERIFY(owner.previewing());
        QCOMPARE(owner.sound.isPlaying(), playable);
        if (ending == StopAtOnce)
            QTest::mouseClick(owner.stop, Qt::LeftButton);

        QTRY_VERIFY_WITH_TIMEOUT(owner.idle(), patience);
        QCOMPARE(owner.polls, idleAfterPolls);
        if (idleAfterPolls >= 1) {
            QCOMPARE(previewingAtFirstPoll, previewingAfterFirstPoll);
            // The first poll comes an interval after Play, not sooner.
            QVERIFY2(owner.pollTimes.first() >= interval * 9 / 10,
                     qPrintable(QString::number(owner.pollTimes.first())));
        }
        QVERIFY(!owner.sound.isPlaying());
        QCOMPARE(owner.sound.requests, requests);

        // The timer is gone: nothing polls any more.
        QTest::qWait(3 * interval);
        QCOMPARE(owner.polls, idleAfterPolls);
    }

    void pollsYieldWhileAnythingPlays_data()
    {
        QTest::addColumn<bool>("alarm");
        QTest::addColumn<QList<Request>>("requests");

        const Request preview{Kind::Once, "Ring.wav"};
        QTest::newRow("the preview plays on") << false << QList<Request>{preview};
        QTest::newRow("an alarm replaced it")
            << true << QList<Request>{preview, {Kind::Loop, "alarm.wav"}};
    }

    // While anything plays on the one channel, every poll yields to it and changes nothing:
    // an alarm that replaced the preview keeps the picker previewing until it ends too.
    void pollsYieldWhileAnythingPlays()
    {
        QFETCH(bool, alarm);
        QFETCH(QList<Request>, requests);

        Owner owner;
        owner.sound.playable.insert("Ring.wav");
        owner.preview(u"Ring.wav"_s);
        if (alarm)
            owner.sound.loop("alarm.wav");

        QTRY_VERIFY_WITH_TIMEOUT(owner.polls >= 3, patience);
        QVERIFY(owner.previewing());
        QCOMPARE(owner.sound.isLooping(), alarm);
        QCOMPARE(owner.sound.requests, requests);
        // An interval apart, not sooner.
        const qint64 gap = owner.pollTimes[2] - owner.pollTimes[1];
        QVERIFY2(gap >= interval * 8 / 10, qPrintable(QString::number(gap)));
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

        Owner owner;
        owner.files.answers.append(answer);
        owner.edit->setText(u"Ring.wav"_s);

        owner.picker.Browse();

        QCOMPARE(owner.files.calls, 1);
        QCOMPARE(owner.files.lastOwner, &owner);
        QCOMPARE(owner.edit->text(), shown);
        QVERIFY(owner.idle());
        QVERIFY(owner.sound.requests.isEmpty());
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

        Owner owner;
        owner.sound.playable = {"a.wav", "b.wav"};
        owner.files.answers.append(u"b.wav"_s);
        owner.preview(u"a.wav"_s);

        if (byBrowse) {
            owner.picker.Browse();
        } else {
            owner.edit->selectAll();
            QTest::keyClicks(owner.edit, u"b.wav"_s);
        }
        QCOMPARE(owner.edit->text(), u"b.wav"_s);
        QCOMPARE(owner.sound.requests, (QList<Request>{{Kind::Once, "a.wav"}}));
        QVERIFY(owner.sound.isPlaying());

        QTRY_VERIFY_WITH_TIMEOUT(owner.polls >= 1, patience);
        QVERIFY(owner.previewing());
        owner.sound.finish();
        QTRY_VERIFY_WITH_TIMEOUT(owner.idle(), patience);
        QCOMPARE(owner.sound.requests, (QList<Request>{{Kind::Once, "a.wav"}}));

        QTest::mouseClick(owner.play, Qt::LeftButton);
        QCOMPARE(owner.sound.requests.last(), (Request{Kind::Once, "b.wav"}));
        QVERIFY(owner.previewing());
    }
};

QTEST_MAIN(TestSoundPicker)

#include "tst_soundpicker.moc"
