#include "faceaccessible.h"

#include "facelabels.h"
#include "facewindow.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>
#include <QWindow>

namespace {

// One button of one skin; it stays valid while the face lives.
class ButtonAccessible : public QAccessibleInterface, public QAccessibleActionInterface
{
public:
    ButtonAccessible(FaceWindow *face, bool ringing, int index)
        : face(face), ringing(ringing), index(index)
    {}

    bool isValid() const override { return !face.isNull(); }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return face ? face->windowHandle() : nullptr; }
    QAccessibleInterface *parent() const override
    {
        return face ? QAccessible::queryAccessibleInterface(face.data()) : nullptr;
    }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }

    QString text(QAccessible::Text t) const override
    {
        const FaceLabels::Button &b = FaceLabels::button(ringing, index);
        if (t == QAccessible::Description && !ringing && index == FaceButtons::alarmButton)
            return face ? face->bellDescription() : QString();
        return t == QAccessible::Name          ? b.name()
               : t == QAccessible::Description ? b.description()
                                               : QString();
    }
    void setText(QAccessible::Text, const QString &) override {}
    QRect rect() const override
    {
        if (!face)
            return {};
        const QRect sprite = FaceLabels::button(ringing, index).sprite;
        return {face->mapToGlobal(FaceWindow::faceOrigin + sprite.topLeft()), sprite.size()};
    }
    QAccessible::Role role() const override { return QAccessible::PushButton; }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        s.invisible = !face || !face->isVisible() || face->clockwork().isRinging() != ringing;
        s.focusable = true;
        s.focused = face && face->keyFocus().focused(ringing) == index;
        return s;
    }
    void *interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ActionInterface
                   ? static_cast<QAccessibleActionInterface *>(this)
                   : nullptr;
    }

    bool snoozes() const { return ringing && index == FaceButtons::stopButton; }
    QStringList actionNames() const override
    {
        return snoozes() ? QStringList{pressAction(), snoozeAction()} : QStringList{pressAction()};
    }
    QString localizedActionName(const QString &name) const override
    {
        return name == snoozeAction() ? QCoreApplication::translate("FaceLabels", "贪睡")
                                      : QAccessibleActionInterface::localizedActionName(name);
    }
    QString localizedActionDescription(const QString &name) const override
    {
        return name == snoozeAction()
                   ? QCoreApplication::translate("FaceLabels", "停止响铃，稍后再响")
                   : QAccessibleActionInterface::localizedActionDescription(name);
    }
    QStringList keyBindingsForAction(const QString &name) const override
    {
        if (name == pressAction())
            return {QStringLiteral("Return")};
        return name == snoozeAction() && snoozes() ? QStringList{QStringLiteral("S")}
                                                   : QStringList{};
    }
    static QString snoozeAction() { return QStringLiteral("snooze"); }
    void doAction(const QString &name) override
    {
        if (face && snoozes() && name == snoozeAction()) {
            QTimer::singleShot(0, face.data(), [face = face.data()] { face->pressSnooze(); });
            return;
        }
        if (!face || name != pressAction())
            return;
        // After the reader's call has returned: the press may open a modal dialog.
        QTimer::singleShot(0, face.data(), [face = face.data(), ringing = ringing, k = index] {
            // A button of the skin that no longer shows does nothing.
            if (face->clockwork().isRinging() == ringing)
                face->press(FaceButtons::pressAction(ringing, k, k));
        });
    }

private:
    QPointer<FaceWindow> face;
    bool ringing;
    int index;
};

QAccessibleInterface *factory(const QString &className, QObject *object)
{
    if (className == QLatin1String("FaceWindow") && object && object->isWidgetType())
        return new FaceAccessible(static_cast<FaceWindow *>(object));
    return nullptr;
}

void send(QAccessibleInterface *iface, QAccessible::Event type)
{
    QAccessibleEvent event(iface, type);
    QAccessible::updateAccessibility(&event);
}

} // namespace

FaceAccessible::FaceAccessible(FaceWindow *face) : QAccessibleWidget(face, QAccessible::Window) {}

FaceAccessible::~FaceAccessible()
{
    for (QAccessible::Id id : buttons)
        if (id)
            QAccessible::deleteAccessibleInterface(id);
}

void FaceAccessible::install()
{
    static const bool installed = (QAccessible::installFactory(factory), true);
    Q_UNUSED(installed);
}

void FaceAccessible::minuteChanged(FaceWindow *face)
{
    if (!QAccessible::isActive())
        return;
    QAccessibleEvent event(face, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&event);
}

void FaceAccessible::bellChanged(FaceWindow *face)
{
    if (!QAccessible::isActive())
        return;
    if (auto *iface = static_cast<FaceAccessible *>(QAccessible::queryAccessibleInterface(face)))
        send(iface->button(false, FaceButtons::alarmButton), QAccessible::DescriptionChanged);
}

void FaceAccessible::skinSwitched(FaceWindow *face)
{
    if (!QAccessible::isActive())
        return;
    auto *iface = static_cast<FaceAccessible *>(QAccessible::queryAccessibleInterface(face));
    if (!iface)
        return;
    const bool now = iface->ringing();
    // The old skin's buttons go, as removed children, and the new one's come.
    iface->forget(!now);
    for (int k = 0; k < FaceLabels::buttonCount(now); ++k)
        send(iface->button(now, k), QAccessible::ObjectCreated);
    focusMoved(face);
}

void FaceAccessible::focusMoved(FaceWindow *face)
{
    if (!QAccessible::isActive())
        return;
    auto *iface = static_cast<FaceAccessible *>(QAccessible::queryAccessibleInterface(face));
    const bool now = face->clockwork().isRinging();
    const int k = face->keyFocus().focused(now);
    if (iface && k != FaceButtons::none)
        send(iface->button(now, k), QAccessible::Focus);
}

FaceWindow *FaceAccessible::face() const
{
    return static_cast<FaceWindow *>(widget());
}

bool FaceAccessible::ringing() const
{
    return face()->clockwork().isRinging();
}

size_t FaceAccessible::slot(bool ringing, int index)
{
    return size_t(ringing ? FaceLabels::buttonCount(false) + index : index);
}

QAccessibleInterface *FaceAccessible::button(bool ringing, int index) const
{
    QAccessible::Id &id = buttons[slot(ringing, index)];
    if (!id)
        id = QAccessible::registerAccessibleInterface(new ButtonAccessible(face(), ringing, index));
    return QAccessible::accessibleInterface(id);
}

void FaceAccessible::forget(bool ringing)
{
    for (int k = 0; k < FaceLabels::buttonCount(ringing); ++k) {
        QAccessible::Id &id = buttons[slot(ringing, k)];
        if (!id)
            continue;
        send(QAccessible::accessibleInterface(id), QAccessible::ObjectDestroyed);
        QAccessible::deleteAccessibleInterface(id);
        id = 0;
    }
}

QString FaceAccessible::text(QAccessible::Text t) const
{
    switch (t) {
    case QAccessible::Name:
        return face()->windowTitle();
    case QAccessible::Description:
        return FaceLabels::shownTime(face()->clockwork().shownMinute());
    default:
        return QAccessibleWidget::text(t);
    }
}

int FaceAccessible::childCount() const
{
    return FaceLabels::buttonCount(ringing());
}

QAccessibleInterface *FaceAccessible::child(int index) const
{
    if (index < 0 || index >= childCount())
        return nullptr;
    return button(ringing(), index);
}

int FaceAccessible::indexOfChild(const QAccessibleInterface *child) const
{
    const bool now = ringing();
    for (int k = 0; k < FaceLabels::buttonCount(now); ++k) {
        const QAccessible::Id id = buttons[slot(now, k)];
        if (id && QAccessible::accessibleInterface(id) == child)
            return k;
    }
    return -1;
}

QAccessibleInterface *FaceAccessible::childAt(int x, int y) const
{
    const QPoint at = face()->mapFromGlobal(QPoint(x, y)) - FaceWindow::faceOrigin;
    const FaceButtons::Hit hit = FaceButtons::hitTest(at.x(), at.y());
    const bool now = ringing();
    const int k = now ? hit.ringing : hit.normal;
    return k == FaceButtons::none ? nullptr : button(now, k);
}
