#pragma once

#include <QByteArray>

#include <cstdint>

class MessageBoxes;
class QAbstractButton;
class QLineEdit;
class QPlainTextEdit;
class QWidget;

// One pass of a dialog's data exchange: fields into controls, or controls back into
// fields with validation. The first failure shows its message, gives the failing edit the
// focus with all its text selected, and turns every later call of the pass into nothing,
// so no field after it is stored. An owner's UpdateData runs its DoDataExchange over one
// of these and returns !failed().
class DataExchange
{
public:
    DataExchange(QWidget *dialog, bool saveAndValidate, MessageBoxes &boxes);

    // Integer <-> text. Text that is not an integer fails with "请输入一个整数。".
    void text(QLineEdit *edit, int32_t &value);
    // GBK field <-> text.
    void text(QLineEdit *edit, QByteArray &gbk);
    // GBK field <-> the text of a multi-line edit, whose line breaks the field holds as CR LF.
    void text(QPlainTextEdit *edit, QByteArray &gbk);
    // When storing: a value outside min ... max fails with the range message.
    void minMax(QLineEdit *edit, int32_t value, int32_t min, int32_t max);
    // Check box <-> 0 or 1.
    void check(QAbstractButton *box, int32_t &value);
    // When storing: a rule over several controls; when it does not hold, fails with the
    // message and gives focus the focus.
    void require(bool holds, QWidget *focus, const QString &message);

    bool failed() const { return failure; }

private:
    void fail(QLineEdit *edit, const QString &message);

    QWidget *dialog;
    bool saving;
    MessageBoxes &boxes;
    bool failure = false;
};
