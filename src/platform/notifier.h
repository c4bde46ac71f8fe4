#pragma once

#include "alarmnotices.h"

#include <QObject>

// Desktop notifications beside the face: one for the alarm that rings, which offers to
// stop or snooze it and goes when the ringing ends, and plain ones that stay until dismissed.
class Notifier : public QObject
{
    Q_OBJECT

public:
    explicit Notifier(QObject *parent = nullptr) : QObject(parent) {}
    // Shows the ringing alarm's notification, replacing an earlier one.
    virtual void showRinging(const Notice &notice) = 0;
    // Adds a line to the ringing alarm's notification, shown or still to show; nothing
    // when no alarm rings.
    virtual void addToRinging(const QString &line) = 0;
    // Withdraws the ringing alarm's notification.
    virtual void endRinging() = 0;
    virtual void inform(const Notice &notice) = 0;
    // Whether a notice is still on its way to the server; settled() says when none is.
    virtual bool busy() const { return false; }

Q_SIGNALS:
    // The user chose "stop" on the ringing alarm's notification.
    void stopRequested();
    // The user chose "snooze" there.
    void snoozeRequested();
    // The last notice on its way has been answered, or given up.
    void settled();
};
