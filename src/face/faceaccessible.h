#pragma once

#include <QAccessibleWidget>

#include <array>

class FaceWindow;

// What a screen reader finds in the face: a window named "Zelka!" whose description is the
// date and time shown, with one push button per button of the skin that shows; the bell's
// description is the next alarm. The face has
// no child widgets, so the buttons are interfaces of their own.
class FaceAccessible : public QAccessibleWidget
{
public:
    explicit FaceAccessible(FaceWindow *face);
    ~FaceAccessible() override;

    // Makes Qt build this interface for every face window; once is enough.
    static void install();
    // The shown minute changed: readers hear the new description.
    static void minuteChanged(FaceWindow *face);
    // What rings next may have changed: readers hear the bell's new description.
    static void bellChanged(FaceWindow *face);
    // The face switched between the normal and the ringing skin: other buttons show.
    static void skinSwitched(FaceWindow *face);
    // The keyboard's focus came to another button, or to the face: readers hear which.
    static void focusMoved(FaceWindow *face);

    QString text(QAccessible::Text t) const override;
    int childCount() const override;
    QAccessibleInterface *child(int index) const override;
    int indexOfChild(const QAccessibleInterface *child) const override;
    QAccessibleInterface *childAt(int x, int y) const override;

private:
    FaceWindow *face() const;
    bool ringing() const;
    static size_t slot(bool ringing, int index);
    QAccessibleInterface *button(bool ringing, int index) const;
    void forget(bool ringing);

    // The buttons' interfaces by slot, the normal skin's four first; 0 until asked for.
    mutable std::array<QAccessible::Id, 6> buttons{};
};
