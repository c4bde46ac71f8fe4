// Dialogs built from their templates, with the classic controls Qt has no exact twin of (the
// up-down arrows, the multi-line edit with its own keys): kept together, ~420 lines, since
// every dialog and page uses all of them.
#include "dialogtemplate.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateEdit>
#include <QDialog>
#include <QGroupBox>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyleOptionFrame>
#include <QTextBlock>
#include <QTextCursor>
#include <QToolButton>
#include <QValidator>

#include <algorithm>

namespace {

// A check box that takes a click anywhere in its control rectangle, not only on the box
// and its text, as the templates' wide check boxes promise.
class WholeCheckBox : public QCheckBox
{
public:
    using QCheckBox::QCheckBox;

protected:
    bool hitButton(const QPoint &pos) const override { return rect().contains(pos); }
};

QString textOf(const char *context, const char *text)
{
    return text ? QCoreApplication::translate(context, text) : QString();
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

bool isLowerLatin(QChar c)
{
    return c >= u'a' && c <= u'z';
}

// Capitals for a-z only: accented and non-Latin letters, and all Chinese, stay as typed.
void upperCaseLatin(QString &text)
{
    for (QChar &c : text) {
        if (isLowerLatin(c))
            c = QChar(c.unicode() - u'a' + u'A');
    }
}

// Width a single-line edit has for its text, inside its frame and margins.
int textWidthOf(const QLineEdit *edit)
{
    QStyleOptionFrame option;
    option.initFrom(edit);
    option.rect = edit->rect();
    option.lineWidth = edit->hasFrame()
                           ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit)
                           : 0;
    const QRect contents =
        edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit);
    const QMargins margins = edit->textMargins();
    // QLineEdit keeps two more pixels clear on either side of the text.
    return contents.width() - margins.left() - margins.right() - 2 * 2;
}

// What a single-line edit's styles let the user put in: no more non-digits than it shows,
// and without horizontal scrolling nothing wider than the edit unless narrower than
// before. Text the program sets is shown whatever it holds, and can still be trimmed.
class EditRules : public QValidator
{
public:
    EditRules(QLineEdit *edit, unsigned style) : QValidator(edit), edit(edit), style(style)
    {
        connect(edit, &QLineEdit::textChanged, this, [this](const QString &text) { shown = text; });
    }

    State validate(QString &input, int &) const override
    {
        // Setting the text clears the undo history; only the user's edits have one.
        if (!edit->isUndoAvailable())
            return Acceptable;
        if ((style & ControlStyle::Number) && nonDigits(input) > nonDigits(shown))
            return Invalid;
        if (!(style & ControlStyle::AutoHScroll)) {
            const QFontMetrics metrics = edit->fontMetrics();
            const int width = metrics.horizontalAdvance(input);
            if (width > textWidthOf(edit) && width > metrics.horizontalAdvance(shown))
                return Invalid;
        }
        return Acceptable;
    }

private:
    static qsizetype nonDigits(const QString &text)
    {
        return std::count_if(text.cbegin(), text.cend(), [](QChar c) { return !isDigit(c); });
    }

    QLineEdit *edit;
    unsigned style;
    QString shown;
};

// Enter on a focused push button presses it, as Space does; anywhere else Enter is the
// dialog's.
class EnterPresses : public QObject
{
public:
    using QObject::QObject;

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key != Qt::Key_Return && key != Qt::Key_Enter)
            return false;
        static_cast<QAbstractButton *>(watched)->click();
        return true;
    }
};

QWidget *makeEdit(QWidget *dialog, const DialogControl &control)
{
    if (control.style & ControlStyle::MultiLine)
        return new MultiLineEdit(dialog, control.style);
    // Capitals are needed only by the multi-line message edits.
    Q_ASSERT(!(control.style & ControlStyle::UpperCase));
    auto *edit = new QLineEdit(dialog);
    if (control.style & ControlStyle::Centre)
        edit->setAlignment(Qt::AlignHCenter);
    if ((control.style & ControlStyle::Number) || !(control.style & ControlStyle::AutoHScroll))
        edit->setValidator(new EditRules(edit, control.style));
    return edit;
}

bool takesFocus(ControlKind kind)
{
    switch (kind) {
    case ControlKind::StaticText:
    case ControlKind::GroupBox:
    case ControlKind::UpDown:
        return false;
    default:
        return true;
    }
}

} // namespace

DialogItems::DialogItems(QWidget *dialog, const DialogTemplate &dialogTemplate)
{
    dialog->setFont(DialogUnits::dialogFont());
    const DialogUnits units(dialog->font());
    if (dialogTemplate.caption)
        dialog->setWindowTitle(textOf(dialogTemplate.context, dialogTemplate.caption));
    dialog->setFixedSize(units.size(dialogTemplate.width, dialogTemplate.height));

    auto *enterPresses = new EnterPresses(dialog);
    QList<QWidget *> frames;
    // Created in template order, so Qt's focus chain is the template's tab order.
    for (const DialogControl &control : dialogTemplate.controls) {
        QWidget *widget = create(dialog, control, dialogTemplate.context, enterPresses);
        QRect place = units.rect(control.x, control.y, control.w, control.h);
        if (auto *list = qobject_cast<QComboBox *>(widget)) {
            // The template's height includes the dropped-down list: the closed box is as
            // tall as its font needs, and the rest holds the lines the list shows at once.
            const int closed = list->sizeHint().height();
            list->setMaxVisibleItems(
                std::max(1, (place.height() - closed) / list->fontMetrics().height()));
            place.setHeight(closed);
        }
        widget->setGeometry(place);
        if (takesFocus(control.kind))
            widget->setFocusPolicy((control.style & ControlStyle::TabStop) ? Qt::StrongFocus
                                                                           : Qt::ClickFocus);
        else
            widget->setFocusPolicy(Qt::NoFocus);
        if (control.style & ControlStyle::Disabled)
            widget->setEnabled(false);
        if (control.kind == ControlKind::GroupBox)
            frames.append(widget);
        if (control.kind == ControlKind::StaticText && control.text)
            labels.insert(QByteArray(control.text), static_cast<QLabel *>(widget));
        if (control.id != noControlId) {
            Q_ASSERT(!byId.contains(control.id));
            byId.insert(control.id, widget);
        }
    }
    // A frame comes after the controls it surrounds; it must stay beneath them, for the
    // eye and for the mouse.
    for (QWidget *frame : frames)
        frame->lower();
}

void DialogItems::setBuddy(const char *labelSource, int id) const
{
    QLabel *label = labels.value(QByteArray(labelSource));
    Q_ASSERT(label && item(id));
    label->setBuddy(item(id));
}

QWidget *DialogItems::create(QWidget *dialog, const DialogControl &control, const char *context,
                             QObject *enterPresses) const
{
    const QString text = textOf(context, control.text);
    switch (control.kind) {
    case ControlKind::StaticText: {
        auto *label = new QLabel(dialog);
        label->setTextFormat(Qt::PlainText);
        label->setText(text);
        label->setWordWrap(true);
        label->setAlignment(
            ((control.style & ControlStyle::Centre) ? Qt::AlignHCenter : Qt::AlignLeft) |
            Qt::AlignTop);
        return label;
    }
    case ControlKind::Edit:
        return makeEdit(dialog, control);
    case ControlKind::PushButton:
    case ControlKind::DefPushButton:
    case ControlKind::IconButton: {
        auto *button = new QPushButton(dialog);
        if (control.kind != ControlKind::IconButton)
            button->setText(text);
        // Only a template's own default button is drawn and acts as the default; Qt
        // would otherwise promote the first button. Enter on a focused one presses it.
        button->setAutoDefault(false);
        button->setDefault(control.kind == ControlKind::DefPushButton);
        button->installEventFilter(enterPresses);
        return button;
    }
    case ControlKind::ToggleButton: {
        auto *button = new QPushButton(text, dialog);
        button->setCheckable(true);
        button->setAutoDefault(false);
        // A pressed-in bevel alone reads poorly in a row of them: down is also highlighted.
        button->setStyleSheet(
            QStringLiteral("QPushButton:checked { color: palette(highlighted-text); background: "
                           "palette(highlight);"
                           " border: 1px solid palette(dark); border-radius: 2px; }"
                           " QPushButton:checked:focus { border-color: palette(text); }"));
        return button;
    }
    case ControlKind::CheckBox:
        return new WholeCheckBox(text, dialog);
    case ControlKind::GroupBox:
        return new QGroupBox(text, dialog);
    case ControlKind::DropDownList:
        return new QComboBox(dialog);
    case ControlKind::UpDown:
        return new UpDown(dialog);
    case ControlKind::DateEdit: {
        auto *date = new QDateEdit(dialog);
        date->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        date->setCalendarPopup(true);
        return date;
    }
    }
    Q_UNREACHABLE();
}

QIcon loadIcon(int resourceId)
{
    switch (resourceId) {
    case 131:
        return QIcon(QPixmap(QStringLiteral(":/art/play.png")));
    case 134:
        return QIcon(QPixmap(QStringLiteral(":/art/stop_icon.png")));
    }
    Q_UNREACHABLE();
}

void setButtonImage(QAbstractButton *button, const QIcon &icon)
{
    button->setIcon(icon);
    const QList<QSize> sizes = icon.availableSizes();
    if (!sizes.isEmpty())
        button->setIconSize(sizes.first());
}

UpDown::UpDown(QWidget *parent)
    : QWidget(parent), up(new QToolButton(this)), down(new QToolButton(this))
{
    for (QToolButton *arrow : {up, down}) {
        arrow->setFocusPolicy(Qt::NoFocus);
        arrow->setAutoRepeat(true);
    }
    up->setArrowType(Qt::UpArrow);
    down->setArrowType(Qt::DownArrow);
    // The arrows show no text; a screen reader says what they do.
    up->setAccessibleName(QCoreApplication::translate("UpDown", "增加"));
    down->setAccessibleName(QCoreApplication::translate("UpDown", "减少"));
    connect(up, &QToolButton::clicked, this, [this] { step(1); });
    connect(down, &QToolButton::clicked, this, [this] { step(-1); });
}

void UpDown::setBuddy(QLineEdit *edit)
{
    if (buddy)
        buddy->removeEventFilter(this);
    buddy = edit;
    buddy->installEventFilter(this);
    const QRect field = buddy->geometry();
    buddy->setGeometry(field.adjusted(0, 0, -width(), 0));
    setGeometry(field.right() + 1 - width(), field.y(), width(), field.height());
}

void UpDown::setRange(int lower, int upper)
{
    this->lower = lower;
    this->upper = upper;
    position = std::clamp(position, lower, upper);
}

void UpDown::step(int delta)
{
    // The buddy's text is the position whenever it holds a number in range; an empty
    // buddy counts as 0.
    const QString text = buddy->text().trimmed();
    bool isNumber = true;
    const int typed = text.isEmpty() ? 0 : text.toInt(&isNumber);
    if (isNumber && typed >= lower && typed <= upper)
        position = typed;
    const int next = std::clamp(position + delta, lower, upper);
    if (next == position)
        return;
    position = next;
    buddy->setText(QString::number(position));
}

bool UpDown::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == buddy && event->type() == QEvent::KeyPress && buddy->isEnabled()) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            step(key == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void UpDown::resizeEvent(QResizeEvent *)
{
    const int half = height() / 2;
    up->setGeometry(0, 0, width(), half);
    down->setGeometry(0, half, width(), height() - half);
}

MultiLineEdit::MultiLineEdit(QWidget *parent, unsigned style) : QPlainTextEdit(parent)
{
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTabChangesFocus(true);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    // A word longer than a line, or a run of Chinese, breaks anywhere.
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    if (style & ControlStyle::Centre) {
        QTextOption centred = document()->defaultTextOption();
        centred.setAlignment(Qt::AlignHCenter);
        document()->setDefaultTextOption(centred);
    }
    if (style & ControlStyle::UpperCase)
        connect(document(), &QTextDocument::contentsChange, this, &MultiLineEdit::upperCaseArrived);
}

void MultiLineEdit::keyPressEvent(QKeyEvent *event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && event->modifiers().testFlag(Qt::ControlModifier)) {
        insertPlainText(QStringLiteral("\n"));
        return;
    }
    if (enter) {
        event->ignore();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

// Every way text arrives (typing, input methods, pasting, dropping, setting) ends up
// here, so all of them are converted.
void MultiLineEdit::upperCaseArrived(int position, int, int added)
{
    if (converting)
        return;
    converting = true;
    QTextCursor cursor(document());
    for (int at = position; at < position + added; ++at) {
        QString c(document()->characterAt(at));
        if (!isLowerLatin(c[0]))
            continue;
        upperCaseLatin(c);
        // One undo step with the typing that brought the letter.
        cursor.joinPreviousEditBlock();
        cursor.setPosition(at);
        cursor.setPosition(at + 1, QTextCursor::KeepAnchor);
        cursor.insertText(c);
        cursor.endEditBlock();
    }
    converting = false;
}

void closeOnEnterOrEscape(QDialog *dialog, QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        dialog->accept();
        break;
    case Qt::Key_Escape:
        dialog->reject();
        break;
    default:
        event->ignore();
    }
}
