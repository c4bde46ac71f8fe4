#pragma once

#include "dialogunits.h"

#include <QHash>
#include <QPlainTextEdit>
#include <QWidget>

#include <span>

class QAbstractButton;
class QDialog;
class QKeyEvent;
class QLabel;
class QIcon;
class QLineEdit;
class QToolButton;

// A dialog's controls as data, one row per control in template order, which is also the
// tab order. Positions and sizes are in dialog units.

enum class ControlKind {
    StaticText,
    Edit,
    PushButton,
    DefPushButton,
    CheckBox, // automatic: a click toggles it
    GroupBox,
    DropDownList, // combo box whose only choice is its list
    UpDown,       // arrows that step the integer in a buddy edit; see UpDown
    IconButton,   // push button showing an icon, set by its owner, instead of text
    ToggleButton, // push button that stays down when clicked, up when clicked again
    DateEdit,     // a date, written year-month-day whatever the language, with a calendar
};

namespace ControlStyle {
enum : unsigned {
    Disabled = 1u << 0,
    TabStop = 1u << 1,
    Number = 1u << 2,      // edit: only digits can be typed
    UpperCase = 1u << 3,   // multi-line edit: Latin letters become capitals as they arrive
    MultiLine = 1u << 4,   // edit: wraps and shows several lines; Enter is the dialog's
    AutoHScroll = 1u << 5, // single-line edit: scrolls; without it only what fits is taken
    Centre = 1u << 6,      // edit or static text: centred lines
};
} // namespace ControlStyle

// The identifier of controls nobody looks up: labels, frames.
inline constexpr int noControlId = -1;

struct DialogControl {
    int id;
    ControlKind kind;
    const char *text; // UTF-8 source text, translated in the template's context
    int x, y, w, h;
    unsigned style;
};

struct DialogTemplate {
    int width, height; // client area
    const char *caption;
    std::span<const DialogControl> controls;
    const char *context; // where the texts are found for translation
};

// Builds a template's controls on a dialog and finds them again by identifier. The dialog
// gets the dialog font, the template's caption and its fixed client size.
class DialogItems
{
public:
    DialogItems(QWidget *dialog, const DialogTemplate &dialogTemplate);

    QWidget *item(int id) const { return byId.value(id); }
    template <typename T> T *item(int id) const { return qobject_cast<T *>(item(id)); }
    // Makes the static text with that source text name the control beside it for readers.
    void setBuddy(const char *labelSource, int id) const;

private:
    QWidget *create(QWidget *dialog, const DialogControl &control, const char *context,
                    QObject *enterPresses) const;

    QHash<int, QWidget *> byId;
    QHash<QByteArray, QLabel *> labels; // the static texts, by source text
};

// For dialogs without buttons: Enter ends them as OK, Esc as Cancel; other keys go on.
void closeOnEnterOrEscape(QDialog *dialog, QKeyEvent *event);

// The program's icons by resource number: 131 Play, 134 Stop.
QIcon loadIcon(int resourceId);
// Puts an icon on an icon button at the icon's own size, unscaled.
void setButtonImage(QAbstractButton *button, const QIcon &icon);

// Up and down arrows stepping the decimal integer in a buddy edit by one, within a range
// and without wrapping; the Up and Down keys in the buddy step it too. Attached to its
// buddy, it sits at the buddy's right edge and the buddy narrows to make room.
class UpDown : public QWidget
{
    Q_OBJECT

public:
    explicit UpDown(QWidget *parent);

    void setBuddy(QLineEdit *edit);
    void setRange(int lower, int upper);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void step(int delta);

    QToolButton *up;
    QToolButton *down;
    QLineEdit *buddy = nullptr;
    int lower = 0;
    int upper = 0;
    int position = 0;
};

// The multi-line edit: words wrap, no scroll bars, Tab moves on, Enter is left to the
// dialog and Ctrl+Enter starts a new line.
class MultiLineEdit : public QPlainTextEdit
{
    Q_OBJECT

public:
    MultiLineEdit(QWidget *parent, unsigned style);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void upperCaseArrived(int position, int removed, int added);

    bool converting = false;
};
