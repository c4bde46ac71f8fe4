#include "facewindow.h"

#include "alarmbuilder.h"
#include "countingstore.h"
#include "fakeclock.h"
#include "fakefilepicker.h"
#include "recordingmessageboxes.h"
#include "recordingnotifier.h"
#include "recordingsound.h"

#include "alarmmessagedialog.h"
#include "alarmsetdialog.h"
#include "autostart.h"
#include "logodialog.h"
#include "optionssheet.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolTip>

using namespace Skin;

namespace {

QImage art(const char *file)
{
    return QImage(QStringLiteral(":/art/") + QLatin1String(file))
        .convertToFormat(QImage::Format_RGB32);
}

bool allBlack(const QImage &image, QRect r)
{
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) != 0)
                return false;
    return true;
}

// Collects the regions the face is asked to repaint.
class PaintRecorder : public QObject
{
public:
    QList<QRegion> regions;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            regions.append(static_cast<QPaintEvent *>(event)->region());
        return false;
    }
};

struct Face {
    CountingStore store;
    Settings &settings = store.settings();
    AlarmList &alarms = store.alarms();
    RecordingSound sound;
    FakeClock clock;
    FakeFilePicker files;
    RecordingMessageBoxes boxes;
    RecordingNotifier notifier;
    int &saves = store.saves;
    int &changes = store.changes;
    std::unique_ptr<FaceWindow> window;

    void create(Language language = Language::Chinese)
    {
        window = std::make_unique<FaceWindow>(
            store, FaceServices{sound, clock, files, boxes, notifier, 10}, language);
    }

    bool createShown()
    {
        create();
        window->show();
        return QTest::qWaitForWindowExposed(window.get());
    }

    // An alarm at 07:30, the window shown a second before, then the minute comes.
    bool showRinging(const AlarmEntry &alarm = Alarm(7, 30))
    {
        alarms.SetInOrder(alarm);
        clock.setLocal(2026, 5, 6, 7, 29, 59);
        create();
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get()))
            return false;
        clock.setLocal(2026, 5, 6, 7, 30, 0);
        return QTest::qWaitFor([this] { return window->clockwork().isRinging(); }, 3000);
    }
};

// Sends a mouse event at a face pixel, as the window system would deliver it.
void mouse(FaceWindow *w, QEvent::Type type, QPoint face, Qt::MouseButton button,
           Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers = Qt::NoModifier, ulong at = 0)
{
    const QPointF local = face + FaceWindow::faceOrigin;
    QMouseEvent event(type, local, w->mapToGlobal(local), button, buttons, modifiers);
    // Each event a millisecond after the last, as a real pointer's would be.
    static ulong time = 1000;
    event.setTimestamp(at ? at : ++time);
    QCoreApplication::sendEvent(w, &event);
}

constexpr QPoint bell(40, 110); // on the alarm button

void moveTo(FaceWindow *w, QPoint face, Qt::MouseButtons buttons = Qt::NoButton,
            Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    mouse(w, QEvent::MouseMove, face, Qt::NoButton, buttons, modifiers);
}

void press(FaceWindow *w, QPoint face)
{
    mouse(w, QEvent::MouseButtonPress, face, Qt::LeftButton, Qt::LeftButton);
}

QStringList childNames(QAccessibleInterface *face)
{
    QStringList names;
    for (int i = 0; i < face->childCount(); ++i)
        names.append(face->child(i)->text(QAccessible::Name));
    return names;
}

void sendToolTipEvent(FaceWindow *w, QPoint face)
{
    const QPoint local = face + FaceWindow::faceOrigin;
    QHelpEvent event(QEvent::ToolTip, local, w->mapToGlobal(local));
    QCoreApplication::sendEvent(w, &event);
}

// Which of the face's dialogs a modal window is: "alarms", "options", "logo" or "".
QString dialogKind(QWidget *modal)
{
    if (qobject_cast<AlarmSetDialog *>(modal))
        return QStringLiteral("alarms");
    if (dynamic_cast<OptionsSheet *>(modal))
        return QStringLiteral("options");
    if (dynamic_cast<LogoDialog *>(modal))
        return QStringLiteral("logo");
    return {};
}

// Runs f on the modal dialog that the next press opens, then lets the press return.
void onModal(std::function<void(QWidget *)> f)
{
    QTimer::singleShot(0, [f] {
        QWidget *modal = QApplication::activeModalWidget();
        QVERIFY(modal);
        f(modal);
        if (modal->isVisible())
            static_cast<QDialog *>(modal)->reject();
    });
}

} // namespace

class TestFaceWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void backBuffersAfterCreation_data()
    {
        QTest::addColumn<int>("buffer"); // 0 normal, 1 ringing, 2 normal in English
        QTest::addColumn<QRect>("place");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QPoint>("sourceAt"); // (-1, -1): the place must be black
        // 8 December 2026, 17:45, a Tuesday.
        QTest::newRow("day tens 0")
            << 0 << QRect(dayTensAt, smallDigitSize) << "smalldigits.png" << smallDigit(0);
        QTest::newRow("day units 8")
            << 0 << QRect(dayUnitsAt, smallDigitSize) << "smalldigits.png" << smallDigit(8);
        QTest::newRow("month 1") << 0 << QRect(monthTensAt, smallDigitSize) << "smalldigits.png"
                                 << smallDigit(1);
        QTest::newRow("month 2") << 0 << QRect(monthUnitsAt, smallDigitSize) << "smalldigits.png"
                                 << smallDigit(2);
        QTest::newRow("century 2")
            << 0 << QRect(centuryHighAt, smallDigitSize) << "smalldigits.png" << smallDigit(2);
        QTest::newRow("century 0")
            << 0 << QRect(centuryLowAt, smallDigitSize) << "smalldigits.png" << smallDigit(0);
        QTest::newRow("year 2") << 0 << QRect(yearTensAt, smallDigitSize) << "smalldigits.png"
                                << smallDigit(2);
        QTest::newRow("year 6") << 0 << QRect(yearUnitsAt, smallDigitSize) << "smalldigits.png"
                                << smallDigit(6);
        QTest::newRow("Tuesday") << 0 << QRect(weekdayAt, weekdaySize) << "weekdays.png"
                                 << weekdayRow(2);
        QTest::newRow("Tuesday in English")
            << 2 << QRect(weekdayAt, weekdaySize) << "weekdays_en.png" << weekdayRow(2);
        QTest::newRow("hour 1") << 0 << QRect(hourTensAt, bigDigitSize) << "bigdigits.png"
                                << bigDigit(1);
        QTest::newRow("hour 7") << 0 << QRect(hourUnitsAt, bigDigitSize) << "bigdigits.png"
                                << bigDigit(7);
        QTest::newRow("minute 4") << 0 << QRect(minuteTensAt, bigDigitSize) << "bigdigits.png"
                                  << bigDigit(4);
        QTest::newRow("minute 5") << 0 << QRect(minuteUnitsAt, bigDigitSize) << "bigdigits.png"
                                  << bigDigit(5);
        QTest::newRow("no colon") << 0 << colonRect << "" << QPoint(-1, -1);
        QTest::newRow("no runner") << 0 << runnerStrip << "" << QPoint(-1, -1);
        for (int k = 0; k < 4; ++k)
            QTest::newRow(qPrintable(QStringLiteral("button %1 plain").arg(k)))
                << 0 << QRect(buttonAt(k), buttonSize) << "buttons.png" << buttonCell(k);
        QTest::newRow("stop plain") << 1 << QRect(stopAt, stopSize) << "stop.png" << QPoint(0, 0);
        QTest::newRow("ringing quit plain")
            << 1 << QRect(ringingQuitAt, buttonSize) << "buttons.png" << buttonCell(3);
        // The ringing face shows no digits: the picture is untouched there.
        QTest::newRow("ringing face has no time")
            << 1 << QRect(hourTensAt, bigDigitSize) << "face.png" << hourTensAt;
    }

    void backBuffersAfterCreation()
    {
        QFETCH(int, buffer);
        QFETCH(QRect, place);
        QFETCH(QString, file);
        QFETCH(QPoint, sourceAt);
        Face f;
        f.clock.setLocal(2026, 12, 8, 17, 45, 33);
        f.create(buffer == 2 ? Language::English : Language::Chinese);
        const QImage &face = f.window->buffer(buffer == 1 ? Buffer::Ringing : Buffer::Normal);
        QCOMPARE(face.size(), faceSize);
        if (sourceAt == QPoint(-1, -1)) {
            QVERIFY(allBlack(face, place));
            return;
        }
        const QImage sprite = art(file.toLatin1().constData());
        QVERIFY(!sprite.isNull());
        QCOMPARE(face.copy(place), sprite.copy(QRect(sourceAt, place.size())));
    }

    void ticksRepaintOnlyWhatChanged()
    {
        Face f;
        f.clock.setLocal(2026, 5, 6, 10, 9, 40);
        f.create();
        PaintRecorder recorder;
        f.window->installEventFilter(&recorder);
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
        QTRY_VERIFY(!recorder.regions.isEmpty());
        QTest::qWait(300); // let the first exposure's paints settle
        recorder.regions.clear();

        // 10:09 becomes 10:10: the two minute cells change, nothing else of the time.
        f.clock.setLocal(2026, 5, 6, 10, 10, 5);
        const QRegion allowed = QRegion(colonRect) + runnerStrip +
                                QRect(minuteTensAt, bigDigitSize) +
                                QRect(minuteUnitsAt, bigDigitSize);
        const QRegion minuteCells =
            QRegion(QRect(minuteTensAt, bigDigitSize)) + QRect(minuteUnitsAt, bigDigitSize);
        QRegion painted;
        QTRY_VERIFY_WITH_TIMEOUT((painted =
                                      [&] {
                                          QRegion all;
                                          for (const QRegion &r : recorder.regions)
                                              all += r.translated(-FaceWindow::faceOrigin);
                                          return all;
                                      }())
                                         .intersected(minuteCells) == minuteCells,
                                 3000);
        QVERIFY2((painted - allowed).isEmpty(), "painted outside the changed rectangles");
        // Never a whole-face repaint for a tick.
        const QRegion wholeFace(QRect(FaceWindow::faceOrigin, faceSize));
        for (const QRegion &r : recorder.regions)
            QVERIFY(!(wholeFace - r).isEmpty());
        QCOMPARE(f.window->buffer(Buffer::Normal).copy(QRect(minuteUnitsAt, bigDigitSize)),
                 art("bigdigits.png").copy(QRect(bigDigit(0), bigDigitSize)));
    }

    void ringingShowsTheRingingFace()
    {
        Face f;
        QVERIFY(f.showRinging());
        // The window shows the ringing buffer, the bell swinging in it.
        QTRY_VERIFY(f.window->buffer(Buffer::Ringing).copy(QRect(bellAt, bellSize)) !=
                    art("face.png").copy(QRect(bellAt, bellSize)));
        const QImage shown = f.window->grab(QRect(FaceWindow::faceOrigin, faceSize))
                                 .toImage()
                                 .convertToFormat(QImage::Format_RGB32);
        QCOMPARE(shown.copy(QRect(stopAt, stopSize)), art("stop.png"));
        QCOMPARE(f.sound.requests.value(0).kind, RecordingSound::Kind::Loop);
    }

    void hoverLightsTheButtonUnderAHand()
    {
        Face f;
        QVERIFY(f.createShown());
        moveTo(f.window.get(), {40, 110});
        const QRect place(buttonAt(0), buttonSize);
        QCOMPARE(f.window->buffer(Buffer::Normal).copy(place),
                 art("buttons_lit.png").copy(QRect(buttonCell(0), buttonSize)));
        QCOMPARE(f.window->cursor().shape(), Qt::BitmapCursor);
        QCOMPARE(f.window->cursor().hotSpot(), QPoint(5, 0));
        moveTo(f.window.get(), {40, 50});
        QCOMPARE(f.window->buffer(Buffer::Normal).copy(place),
                 art("buttons.png").copy(QRect(buttonCell(0), buttonSize)));
        QCOMPARE(f.window->cursor().shape(), Qt::ArrowCursor);
    }

    void drag_data()
    {
        QTest::addColumn<bool>("pressFirst");
        QTest::addColumn<QPoint>("pressAt");
        QTest::addColumn<QPoint>("moveTo");
        QTest::addColumn<int>("buttons");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QPoint>("moved");
        const int left = Qt::LeftButton, none = Qt::NoModifier;
        QTest::newRow("left button alone follows")
            << true << QPoint(20, 20) << QPoint(30, 25) << left << none << QPoint(10, 5);
        // Pressed on a button's image with no move before: a press on no button.
        QTest::newRow("a press over a button image with no move first drags")
            << true << QPoint(40, 110) << QPoint(50, 80) << left << none << QPoint(10, -30);
        QTest::newRow("over a normal button's hit range it stays")
            << true << QPoint(40, 100) << QPoint(45, 110) << left << none << QPoint(0, 0);
        QTest::newRow("with Shift it stays") << true << QPoint(20, 20) << QPoint(30, 25) << left
                                             << int(Qt::ShiftModifier) << QPoint(0, 0);
        QTest::newRow("with Ctrl it stays") << true << QPoint(20, 20) << QPoint(30, 25) << left
                                            << int(Qt::ControlModifier) << QPoint(0, 0);
        QTest::newRow("with a second button it stays")
            << true << QPoint(20, 20) << QPoint(30, 25) << int(Qt::LeftButton | Qt::RightButton)
            << none << QPoint(0, 0);
        QTest::newRow("a press that began elsewhere does not drag")
            << false << QPoint(20, 20) << QPoint(30, 25) << left << none << QPoint(0, 0);
    }

    void drag()
    {
        QFETCH(bool, pressFirst);
        QFETCH(QPoint, pressAt);
        QFETCH(QPoint, moveTo);
        QFETCH(int, buttons);
        QFETCH(int, modifiers);
        QFETCH(QPoint, moved);
        Face f;
        f.settings.windowX = 100;
        f.settings.windowY = 100;
        QVERIFY(f.createShown());
        if (pressFirst)
            press(f.window.get(), pressAt);
        QVERIFY(!QApplication::activeModalWidget());
        ::moveTo(f.window.get(), moveTo, Qt::MouseButtons(buttons),
                 Qt::KeyboardModifiers(modifiers));
        QCOMPARE(f.window->pos(), QPoint(100, 100) + moved);
        if (pressFirst) {
            QCOMPARE(QWidget::mouseGrabber(), f.window.get());
            mouse(f.window.get(), QEvent::MouseButtonRelease, moveTo, Qt::LeftButton, Qt::NoButton);
            QCOMPARE(QWidget::mouseGrabber(), nullptr);
        }
        // The end of a drag that moved the clock is saved; one that did not saves nothing.
        QCOMPARE(f.changes, moved.isNull() ? 0 : 1);
    }

    void pressOpensByTheLastMove_data()
    {
        QTest::addColumn<QPoint>("hovered");
        QTest::addColumn<QString>("kind");
        QTest::newRow("bell: alarms") << QPoint(40, 110) << "alarms";
        QTest::newRow("tools: options") << QPoint(60, 110) << "options";
        QTest::newRow("question mark: logo") << QPoint(85, 110) << "logo";
    }

    void pressOpensByTheLastMove()
    {
        QFETCH(QPoint, hovered);
        QFETCH(QString, kind);
        Face f;
        QVERIFY(f.createShown());
        moveTo(f.window.get(), hovered);
        QString opened;
        onModal([&](QWidget *modal) { opened = dialogKind(modal); });
        // The press itself lies elsewhere: what the last move found decides.
        press(f.window.get(), {10, 10});
        QCOMPARE(opened, kind);
        // The button stays lit after the dialog.
        const int k = FaceButtons::hitTest(hovered.x(), hovered.y()).normal;
        QCOMPARE(f.window->buffer(Buffer::Normal).copy(QRect(buttonAt(k), buttonSize)),
                 art("buttons_lit.png").copy(QRect(buttonCell(k), buttonSize)));
        QCOMPARE(f.saves, 0);
    }

    void optionsComeBackOnlyThroughOkOrApply_data()
    {
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("hideFromTaskbar");
        QTest::newRow("OK takes the change") << true << 0;
        QTest::newRow("Cancel takes nothing") << false << 1;
    }

    void optionsComeBackOnlyThroughOkOrApply()
    {
        QFETCH(bool, ok);
        QFETCH(int, hideFromTaskbar);
        Face f;
        QVERIFY(f.createShown());
        moveTo(f.window.get(), {60, 110});
        onModal([&](QWidget *modal) {
            auto *sheet = dynamic_cast<OptionsSheet *>(modal);
            QVERIFY(sheet);
            auto *box = qobject_cast<QAbstractButton *>(sheet->interfacePage.GetDlgItem(1033));
            QVERIFY(box && box->isChecked());
            box->click();
            sheet->tabs()->setCurrentIndex(1); // the page is left: its fields take the change
            sheet->buttons()->button(ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
        });
        press(f.window.get(), {10, 10});
        QCOMPARE(f.window->settings().hideFromTaskbar, hideFromTaskbar);
        QCOMPARE(f.window->settings().alwaysOnTop, 1);
        // What OK took over is saved at once; a Cancel leaves nothing to save.
        QCOMPARE(f.changes, ok ? 1 : 0);
    }

    void everySetAndRemoveInTheAlarmDialogIsSaved()
    {
        Face f;
        QVERIFY(f.createShown());
        moveTo(f.window.get(), {40, 110});
        QList<int> changesSeen;
        onModal([&](QWidget *modal) {
            auto *dialog = qobject_cast<AlarmSetDialog *>(modal);
            QVERIFY(dialog);
            auto button = [dialog](int id) {
                return qobject_cast<QAbstractButton *>(dialog->GetDlgItem(id));
            };
            button(AlarmSetDialog::SetButton)->click();
            changesSeen.append(f.changes);
            qobject_cast<QComboBox *>(dialog->GetDlgItem(AlarmSetDialog::AlarmsList))
                ->setCurrentIndex(0);
            button(AlarmSetDialog::RemoveButton)->click();
            changesSeen.append(f.changes);
            // Remove with nothing chosen changes nothing.
            button(AlarmSetDialog::RemoveButton)->click();
            changesSeen.append(f.changes);
        });
        press(f.window.get(), {10, 10});
        QCOMPARE(changesSeen, (QList<int>{1, 2, 2}));
        QCOMPARE(f.boxes.texts, QStringList{"没有选择!"});
        QCOMPARE(f.alarms.GetSize(), 0);
        QCOMPARE(f.saves, 0);
    }

    void theRingingNotificationFollowsTheRinging()
    {
        Face f;
        f.alarms.SetInOrder(Alarm(7, 15));
        QVERIFY(f.showRinging());
        QVERIFY(f.notifier.ringing);
        QCOMPARE(f.notifier.ringing->summary, QStringLiteral("闹钟 07:30"));
        // "stop" on the notification is the stop button.
        Q_EMIT f.notifier.stopRequested();
        QVERIFY(!f.window->clockwork().isRinging());
        QVERIFY(!f.notifier.ringing);
        QCOMPARE(f.sound.requests.last().kind, RecordingSound::Kind::Stop);
        // Once stopped, a late "stop" does nothing.
        Q_EMIT f.notifier.stopRequested();
        QCOMPARE(f.notifier.ringingShown, 1);
        QVERIFY(f.window->isVisible());
    }

    void messagesShowOneAtATimeWhileTheClockRuns()
    {
        Face f;
        f.alarms.SetInOrder(Alarm(7, 31).message("B"));
        QVERIFY(f.showRinging(Alarm(7, 30).message("A")));
        const auto popups = [&f] { return f.window->findChildren<AlarmMessageDialog *>(); };
        const auto typed = [](AlarmMessageDialog *popup) {
            return popup->findChild<QPlainTextEdit *>()->toPlainText();
        };
        // The stop returns with the popup open: it waits for no user.
        Q_EMIT f.notifier.stopRequested();
        QCOMPARE(popups().size(), 1);
        AlarmMessageDialog *first = popups().first();
        QVERIFY(first->isVisible());
        // The clock runs on under it; a second message waits for the first to close.
        f.clock.setLocal(2026, 5, 6, 7, 31, 0);
        QTRY_VERIFY(f.window->clockwork().isRinging());
        Q_EMIT f.notifier.stopRequested();
        QCOMPARE(popups(), QList<AlarmMessageDialog *>{first});
        QTRY_COMPARE(typed(first), "A");
        // Each popup reads as its own alarm's.
        QCOMPARE(first->accessibleName(), "闹钟 07:30");
        first->reject();
        QTRY_VERIFY(popups().size() == 1 && popups().first() != first);
        QTRY_COMPARE(typed(popups().first()), "B");
        QCOMPARE(popups().first()->accessibleName(), "闹钟 07:31");
        popups().first()->reject();
        QTRY_VERIFY(popups().isEmpty());
    }

    void snoozeRoutes_data()
    {
        QTest::addColumn<QString>("route");
        QTest::addColumn<bool>("ringsOn");
        QTest::addColumn<bool>("snoozed");
        QTest::newRow("right button on stop") << "right stop" << false << true;
        QTest::newRow("S key") << "S" << false << true;
        QTest::newRow("notification's snooze") << "notification" << false << true;
        QTest::newRow("right button on the cross: nothing") << "right cross" << true << false;
        QTest::newRow("Shift+S: nothing") << "shift S" << true << false;
        QTest::newRow("left button on stop: stopped, not snoozed") << "left stop" << false << false;
    }

    void snoozeRoutes()
    {
        QFETCH(QString, route);
        QFETCH(bool, ringsOn);
        QFETCH(bool, snoozed);
        Face f;
        QVERIFY(f.showRinging());
        const QPoint stop(57, 110), cross(110, 110);
        if (route == u"right stop" || route == u"right cross") {
            const QPoint at = route == u"right stop" ? stop : cross;
            moveTo(f.window.get(), at);
            mouse(f.window.get(), QEvent::MouseButtonPress, at, Qt::RightButton, Qt::RightButton);
            mouse(f.window.get(), QEvent::MouseButtonRelease, at, Qt::RightButton, Qt::NoButton);
        } else if (route == u"left stop") {
            moveTo(f.window.get(), stop);
            mouse(f.window.get(), QEvent::MouseButtonPress, stop, Qt::LeftButton, Qt::LeftButton);
            mouse(f.window.get(), QEvent::MouseButtonRelease, stop, Qt::LeftButton, Qt::NoButton);
        } else if (route == u"S") {
            QTest::keyClick(f.window.get(), Qt::Key_S);
        } else if (route == u"shift S") {
            QTest::keyClick(f.window.get(), Qt::Key_S, Qt::ShiftModifier);
        } else {
            Q_EMIT f.notifier.snoozeRequested();
        }
        QCOMPARE(f.window->clockwork().isRinging(), ringsOn);
        QCOMPARE(f.window->clockwork().snoozed().size(), snoozed ? 1 : 0);
        QCOMPARE(bool(f.notifier.ringing), ringsOn);
        if (snoozed) {
            // A late snooze, once nothing rings, does nothing.
            Q_EMIT f.notifier.snoozeRequested();
            QCOMPARE(f.window->clockwork().snoozed().size(), 1);
        }
    }

    void startAtLoginWritesAndRemovesTheAutostartEntry()
    {
        QTemporaryDir config;
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        const QString entry = config.path() + "/autostart/zelka.desktop";
        Face f;
        QVERIFY(f.createShown());
        for (bool on : {true, false}) {
            moveTo(f.window.get(), {10, 10});
            moveTo(f.window.get(), {60, 110});
            bool shownBefore = !on;
            onModal([&](QWidget *modal) {
                auto *sheet = dynamic_cast<OptionsSheet *>(modal);
                QVERIFY(sheet);
                auto *box = qobject_cast<QAbstractButton *>(sheet->interfacePage.GetDlgItem(1035));
                QVERIFY(box);
                shownBefore = box->isChecked();
                box->click();
                sheet->buttons()->button(QDialogButtonBox::Ok)->click();
            });
            press(f.window.get(), {10, 10});
            QCOMPARE(shownBefore, !on);
            QCOMPARE(QFileInfo::exists(entry), on);
        }
        // The settings file knows nothing of it.
        QCOMPARE(f.window->settings(), Settings());
        qunsetenv("XDG_CONFIG_HOME");
    }

    void autostartEntry_data()
    {
        QTest::addColumn<QString>("launcher"); // what started the clock; "" none
        QTest::addColumn<bool>("launcherOnPath");
        QTest::addColumn<QString>("exec");
        QTest::addColumn<QString>("path"); // the entry's Path line; "" none
        QTest::newRow("no launcher: this program in its folder")
            << "" << false << R"(Exec="/opt/my \\"clock\\"/zelka")"
            << "Path=/home/u/.local/share/zelka";
        QTest::newRow("the launcher on PATH: by name, so a moved installation still starts")
            << "bin/zelka" << true << "Exec=zelka"
            << "";
        QTest::newRow("a launcher PATH does not find: by its place")
            << "100%/bin/zelka" << false << "Exec=\"<dir>/100%%/bin/zelka\""
            << "";
    }

    void autostartEntry()
    {
        QFETCH(QString, launcher);
        QFETCH(bool, launcherOnPath);
        QFETCH(QString, exec);
        QFETCH(QString, path);
        QTemporaryDir config;
        QTemporaryDir install;
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        const QByteArray oldPath = qgetenv("PATH");
        if (!launcher.isEmpty()) {
            launcher = install.filePath(launcher);
            QVERIFY(QDir().mkpath(QFileInfo(launcher).absolutePath()));
            QFile script(launcher);
            QVERIFY(script.open(QIODevice::WriteOnly));
            script.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
            if (launcherOnPath)
                qputenv("PATH", QFileInfo(launcher).absolutePath().toUtf8() + ':' + oldPath);
        }
        QVERIFY(Autostart::setEnabled(true, Autostart::command(launcher, "/opt/my \"clock\"/zelka",
                                                               "/home/u/.local/share/zelka")));
        qputenv("PATH", oldPath);
        QFile file(Autostart::entryPath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(file.readAll()).split('\n');
        QCOMPARE(lines.first(), "[Desktop Entry]");
        QStringList execLines = lines.filter(QRegularExpression("^Exec="));
        QCOMPARE(execLines.size(), 1);
        QCOMPARE(execLines.first().replace(install.path(), "<dir>"), exec);
        QCOMPARE(lines.filter(QRegularExpression("^Path=")).join(""), path);
        QVERIFY(Autostart::isEnabled());
        QVERIFY(Autostart::setEnabled(false));
        QVERIFY(!Autostart::isEnabled());
        qunsetenv("XDG_CONFIG_HOME");
    }

    void stopAndQuitWhileRinging()
    {
        Face f;
        f.settings.limitRinging = 1;
        f.settings.maxRingSeconds = 600;
        QVERIFY(f.showRinging());
        // Column 57 is a gap on the normal face but the stop button while ringing.
        moveTo(f.window.get(), {57, 110});
        QCOMPARE(f.window->buffer(Buffer::Ringing).copy(QRect(stopAt, stopSize)),
                 art("stop_lit.png"));
        press(f.window.get(), {57, 110});
        QVERIFY(!f.window->clockwork().isRinging());
        QCOMPARE(f.sound.requests.last().kind, RecordingSound::Kind::Stop);
        // The cross quits and saves.
        moveTo(f.window.get(), {110, 110});
        press(f.window.get(), {110, 110});
        QCOMPARE(f.saves, 1);
        QVERIFY(!f.window->isVisible());
    }

    void buttonTips_data()
    {
        QTest::addColumn<bool>("ringing");
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<QString>("tip"); // "" none
        const char *bell = "设置闹钟\n下一个闹钟：周一 07:30（还有 9 小时 12 分钟）";
        QTest::newRow("bell: the next alarm") << false << QPoint(40, 110) << bell;
        QTest::newRow("bell's last hit column") << false << QPoint(55, 110) << bell;
        QTest::newRow("tools") << false << QPoint(60, 110) << "选项";
        QTest::newRow("question mark") << false << QPoint(85, 110) << "关于";
        QTest::newRow("cross") << false << QPoint(110, 110) << "退出";
        QTest::newRow("between bell and tools") << false << QPoint(57, 110) << "";
        QTest::newRow("above the buttons") << false << QPoint(40, 100) << "";
        QTest::newRow("the time") << false << QPoint(60, 70) << "";
        QTest::newRow("ringing: stop over the normal face's gap")
            << true << QPoint(57, 110) << "停止\n右键或按 S 键：贪睡";
        QTest::newRow("ringing: cross") << true << QPoint(110, 110) << "退出";
        QTest::newRow("ringing: between stop and cross") << true << QPoint(101, 110) << "";
    }

    void buttonTips()
    {
        QFETCH(bool, ringing);
        QFETCH(QPoint, at);
        QFETCH(QString, tip);
        QToolTip::hideText();
        QTRY_VERIFY(!QToolTip::isVisible());
        Face f;
        if (ringing) {
            QVERIFY(f.showRinging());
        } else {
            // Weekdays at 07:30, from Sunday 22:18: the bell counts from the minute shown.
            f.alarms.SetInOrder(Alarm(7, 30).days(0x3E));
            f.clock.setLocal(2026, 12, 13, 22, 18, 40);
            f.create();
            f.window->show();
            QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
        }
        // A tip already up over the cross: a rest elsewhere replaces it or takes it down.
        sendToolTipEvent(f.window.get(), {110, 110});
        // Every tip ends with the keys that reach the buttons.
        const QString keys = QStringLiteral("\n方向键或 Tab 键选择，回车键或空格键按下");
        QTRY_COMPARE(QToolTip::text(), "退出" + keys);
        sendToolTipEvent(f.window.get(), at);
        if (tip.isEmpty()) {
            QTRY_VERIFY(!QToolTip::isVisible());
        } else {
            QVERIFY(QToolTip::isVisible());
            QCOMPARE(QToolTip::text(), tip + keys);
        }
    }

    void theFaceReadsAsAWindowWithItsButtons()
    {
        Face f;
        f.settings.windowX = 200;
        f.settings.windowY = 150;
        f.clock.setLocal(2026, 12, 9, 7, 5, 40);
        QVERIFY(f.createShown());
        QAccessibleInterface *face = QAccessible::queryAccessibleInterface(f.window.get());
        QVERIFY(face);
        QCOMPARE(face->role(), QAccessible::Window);
        QCOMPARE(face->text(QAccessible::Name), "Zelka!");
        QCOMPARE(face->text(QAccessible::Description), "2026年12月9日 星期三 07:05");
        QCOMPARE(childNames(face), (QStringList{"设置闹钟", "选项", "关于", "退出"}));
        for (int k = 0; k < face->childCount(); ++k) {
            QAccessibleInterface *button = face->child(k);
            QCOMPARE(button->role(), QAccessible::PushButton);
            QCOMPARE(button->parent(), face);
            QCOMPARE(face->indexOfChild(button), k);
            const QRect onScreen(f.window->mapToGlobal(FaceWindow::faceOrigin + buttonAt(k)),
                                 buttonSize);
            QCOMPARE(button->rect(), onScreen);
            QCOMPARE(face->childAt(onScreen.center().x(), onScreen.center().y()), button);
            QVERIFY(button->actionInterface());
            QCOMPARE(button->actionInterface()->actionNames(),
                     QStringList{QAccessibleActionInterface::pressAction()});
        }
        const QPoint gap = f.window->mapToGlobal(FaceWindow::faceOrigin + QPoint(57, 110));
        QCOMPARE(face->childAt(gap.x(), gap.y()), nullptr);
    }

    void ringingSwapsTheButtonsAndStopIsPressable()
    {
        Face f;
        QVERIFY(f.showRinging());
        QAccessibleInterface *face = QAccessible::queryAccessibleInterface(f.window.get());
        QCOMPARE(face->text(QAccessible::Description), "2026年5月6日 星期三 07:30");
        QCOMPARE(childNames(face), (QStringList{"停止", "退出"}));
        QCOMPARE(face->child(0)->role(), QAccessible::PushButton);
        QCOMPARE(face->child(0)->rect(),
                 QRect(f.window->mapToGlobal(FaceWindow::faceOrigin + stopAt), stopSize));
        QCOMPARE(face->child(1)->rect(),
                 QRect(f.window->mapToGlobal(FaceWindow::faceOrigin + ringingQuitAt), buttonSize));
        face->child(0)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QTRY_VERIFY(!f.window->clockwork().isRinging());
        QCOMPARE(f.sound.requests.last().kind, RecordingSound::Kind::Stop);
        QVERIFY(!f.notifier.ringing);
        QCOMPARE(childNames(face), (QStringList{"设置闹钟", "选项", "关于", "退出"}));
        QVERIFY(f.window->isVisible());
    }

    void aReadersPressDoesWhatAClickDoes_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("opens"); // "" none: the clock quits
        QTest::newRow("设置闹钟") << int(FaceButtons::alarmButton) << "alarms";
        QTest::newRow("选项") << int(FaceButtons::optionsButton) << "options";
        QTest::newRow("关于") << int(FaceButtons::logoButton) << "logo";
        QTest::newRow("退出") << int(FaceButtons::quitButton) << "";
    }

    void aReadersPressDoesWhatAClickDoes()
    {
        QFETCH(int, button);
        QFETCH(QString, opens);
        Face f;
        QVERIFY(f.createShown());
        QString opened;
        QTimer dialogWatch;
        dialogWatch.callOnTimeout([&] {
            QWidget *modal = QApplication::activeModalWidget();
            if (!modal)
                return;
            opened = dialogKind(modal);
            static_cast<QDialog *>(modal)->reject();
        });
        dialogWatch.start(10);
        QAccessibleInterface *face = QAccessible::queryAccessibleInterface(f.window.get());
        face->child(button)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        if (opens.isEmpty()) {
            QTRY_COMPARE(f.saves, 1);
            QVERIFY(!f.window->isVisible());
        } else {
            QTRY_COMPARE(opened, opens);
            QCOMPARE(f.saves, 0);
            QVERIFY(f.window->isVisible());
        }
        // A press from a reader is no press of the mouse: no drag begins.
        QCOMPARE(QWidget::mouseGrabber(), nullptr);
    }

    void pixelDoubledOnHighDpi()
    {
        Face f;
        f.clock.setLocal(2026, 12, 8, 17, 45, 33);
        QVERIFY(f.createShown());
        const qreal ratio = f.window->devicePixelRatioF();
        if (ratio != 2)
            QSKIP("runs with QT_SCALE_FACTOR=2 (its own ctest entry)");
        const QImage shown = f.window->grab(QRect(FaceWindow::faceOrigin, faceSize))
                                 .toImage()
                                 .convertToFormat(QImage::Format_RGB32);
        QCOMPARE(shown.size(), faceSize * 2);
        // Every face pixel becomes a 2 x 2 block of exactly its colour: no smoothing.
        const QImage &face = f.window->buffer(Buffer::Normal);
        for (int y = 0; y < faceSize.height(); ++y)
            for (int x = 0; x < faceSize.width(); ++x)
                for (int d = 0; d < 4; ++d)
                    if (shown.pixel(2 * x + d % 2, 2 * y + d / 2) != face.pixel(x, y))
                        QFAIL(qPrintable(QStringLiteral("blurred at %1,%2").arg(x).arg(y)));
    }

    void aCloseDuringTheCloseSavesOnce()
    {
        Face f;
        // A signal arrives while the save's failure message is showing.
        f.store.onSave = [&](SavePolicy) { f.window->OnClose(); };
        f.create();
        f.window->OnClose();
        QCOMPARE(f.saves, 1);
        QVERIFY(f.window->isClosed());
    }

    // Only the user's own quit says what it leaves unrung: the face is gone, the notice stays.
    void aQuitTellsOfTheNextAlarm_data()
    {
        QTest::addColumn<bool>("byUser");
        QTest::addColumn<int>("onceFlags");
        QTest::addColumn<QString>("told");
        QTest::newRow("the user quits")
            << true << 0 << QStringLiteral("Zelka! 已退出：下一个闹钟 07:30 不会响");
        QTest::newRow("a signal ends it") << false << 0 << QString();
        QTest::newRow("no alarm ahead") << true << 3 << QString();
    }

    void aQuitTellsOfTheNextAlarm()
    {
        QFETCH(bool, byUser);
        QFETCH(int, onceFlags);
        QFETCH(QString, told);
        Face f;
        f.alarms.SetInOrder(Alarm(7, 30).flags(onceFlags));
        f.clock.setLocal(2026, 5, 6, 6, 0, 0);
        f.create();
        byUser ? f.window->OnClose() : f.window->closeForSystem();
        QStringList summaries;
        for (const Notice &n : f.notifier.informed)
            summaries.append(n.summary);
        QCOMPARE(summaries, told.isEmpty() ? QStringList() : QStringList{told});
    }

    // Qt makes up a move to a press's place when it has not seen the pointer get there,
    // with the press's own time: such a move finds no button for the press. A motion the
    // window system reported before the press is real, even in the press's millisecond.
    void aPressActsOnWhatARealMoveFound_data()
    {
        QTest::addColumn<QPoint>("before"); // a move at 500 ms; (-1, -1) none
        // As reported, in order: m5 a motion at 500 ms, p6 the press at 600; or a tap.
        QTest::addColumn<QString>("reports");
        QTest::addColumn<bool>("opensAlarms");
        const QPoint none(-1, -1), cross(110, 110), time(60, 70);
        QTest::newRow("pointer parked over the bell since start-up: a drag") << none << "" << false;
        QTest::newRow("moved onto the bell, then pressed: the alarms") << bell << "" << true;
        QTest::newRow("reported: parked over the bell, the move to it not: a drag")
            << time << "m5 p6" << false;
        QTest::newRow("reported: a motion after the press in its millisecond: a drag")
            << time << "m5 p6 m6" << false;
        QTest::newRow("reported: from the cross onto the bell in the press's millisecond")
            << cross << "m5 m6 p6" << true;
        QTest::newRow("a tap on the bell: the alarms") << none << "tap" << true;
    }

    void aPressActsOnWhatARealMoveFound()
    {
        QFETCH(QPoint, before);
        QFETCH(QString, reports);
        QFETCH(bool, opensAlarms);
        Face f;
        QVERIFY(f.createShown());
        FaceWindow *w = f.window.get();
        for (const QString &report : reports.split(u' ', Qt::SkipEmptyParts)) {
            const quint64 time = report.mid(1).toUInt() * 100;
            report[0] == u'm' ? w->pointerMotionReported(time) : w->pointerPressReported(time);
        }
        if (before.x() >= 0)
            mouse(w, QEvent::MouseMove, before, Qt::NoButton, Qt::NoButton, Qt::NoModifier, 500);
        bool opened = false;
        QTimer dialogWatch;
        dialogWatch.callOnTimeout([&] {
            if (auto *modal = QApplication::activeModalWidget()) {
                opened = qobject_cast<AlarmSetDialog *>(modal) != nullptr;
                static_cast<QDialog *>(modal)->reject();
            }
        });
        dialogWatch.start(0);
        if (reports == "tap") {
            // Qt turns a touch into a made-up move and a press on every platform.
            static QPointingDevice *screen = QTest::createTouchDevice();
            QTest::touchEvent(w, screen).press(0, bell + FaceWindow::faceOrigin, w);
            QTest::touchEvent(w, screen).release(0, bell + FaceWindow::faceOrigin, w);
            QCOMPARE(opened, opensAlarms);
            return;
        }
        mouse(w, QEvent::MouseMove, bell, Qt::NoButton, Qt::NoButton, Qt::NoModifier, 600);
        mouse(w, QEvent::MouseButtonPress, bell, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier,
              600);
        QCOMPARE(opened, opensAlarms);
        QCOMPARE(QWidget::mouseGrabber() == w, !opensAlarms);
        mouse(w, QEvent::MouseButtonRelease, bell, Qt::LeftButton, Qt::NoButton);
    }

    void closeSavesOnceWithThePosition()
    {
        Face f;
        f.settings.windowX = 40;
        f.settings.windowY = 50;
        QVERIFY(f.createShown());
        f.window->close();
        f.window->OnClose(); // a second request after the close does nothing more
        QCOMPARE(f.saves, 1);
        QCOMPARE(f.window->settings().windowX, 40);
        QCOMPARE(f.window->settings().windowY, 50);
        // The skin is released before the save; painting then draws nothing harmful.
        QVERIFY(f.window->buffer(Buffer::Normal).isNull());
        f.window->repaint();
    }
};

QTEST_MAIN(TestFaceWindow)
#include "tst_facewindow.moc"
