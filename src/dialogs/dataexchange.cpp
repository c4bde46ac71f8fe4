#include "dataexchange.h"

#include "gbk.h"
#include "messagebox.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPlainTextEdit>

#include <algorithm>
#include <optional>

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

bool isCSpace(QChar c)
{
    return isBlank(c) || c == u'\n' || c == u'\v' || c == u'\f' || c == u'\r';
}

// The framework's integer scan: blanks and tabs around a C strtol number. A result of 0
// counts only when the text starts with '0', so "+0" and "-0" are refused as there. A
// number beyond 32 bits saturates as strtol's does, so the range check still reports it.
std::optional<int32_t> scanInteger(const QString &text)
{
    const qsizetype end = text.size();
    qsizetype i = 0;
    while (i < end && isBlank(text[i]))
        ++i;
    const QChar first = i < end ? text[i] : QChar();
    while (i < end && isCSpace(text[i]))
        ++i;
    bool negative = false;
    if (i < end && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    const qsizetype digits = i;
    const int64_t limit = int64_t(INT32_MAX) + 1;
    int64_t magnitude = 0;
    for (; i < end && text[i] >= u'0' && text[i] <= u'9'; ++i)
        magnitude = std::min(magnitude * 10 + (text[i].unicode() - u'0'), limit);
    if (i == digits)
        return std::nullopt;
    const int32_t value = int32_t(
        std::clamp(negative ? -magnitude : magnitude, int64_t(INT32_MIN), int64_t(INT32_MAX)));
    if (value == 0 && first != u'0')
        return std::nullopt;
    while (i < end && isBlank(text[i]))
        ++i;
    if (i != end)
        return std::nullopt;
    return value;
}

} // namespace

DataExchange::DataExchange(QWidget *dialog, bool saveAndValidate, MessageBoxes &boxes)
    : dialog(dialog), saving(saveAndValidate), boxes(boxes)
{}

void DataExchange::text(QLineEdit *edit, int32_t &value)
{
    if (failure)
        return;
    if (!saving) {
        edit->setText(QString::number(value));
        return;
    }
    const std::optional<int32_t> scanned = scanInteger(edit->text());
    if (!scanned) {
        fail(edit, QCoreApplication::translate("DataExchange", "请输入一个整数。"));
        return;
    }
    value = *scanned;
}

void DataExchange::text(QLineEdit *edit, QByteArray &gbk)
{
    if (failure)
        return;
    if (saving)
        gbk = Gbk::fromUnicode(edit->text());
    else
        edit->setText(Gbk::toUnicode(gbk));
}

void DataExchange::text(QPlainTextEdit *edit, QByteArray &gbk)
{
    if (failure)
        return;
    // The edit reads CR LF as one line break and gives back LF alone.
    if (saving)
        gbk = Gbk::fromUnicode(edit->toPlainText().replace(u'\n', QStringLiteral("\r\n")));
    else
        edit->setPlainText(Gbk::toUnicode(gbk));
}

void DataExchange::minMax(QLineEdit *edit, int32_t value, int32_t min, int32_t max)
{
    if (failure || !saving)
        return;
    if (value < min || value > max)
        fail(edit,
             QCoreApplication::translate("DataExchange", "请输入一个介于 %1 和 %2 之间的整数。")
                 .arg(QString::number(min), QString::number(max)));
}

void DataExchange::check(QAbstractButton *box, int32_t &value)
{
    if (failure)
        return;
    if (saving) {
        value = box->isChecked() ? 1 : 0;
        return;
    }
    // A switch from a hand-edited file may hold anything: it shows as a clear box, and the
    // field follows so that box and field agree.
    if (value != 0 && value != 1)
        value = 0;
    box->setChecked(value == 1);
}

void DataExchange::require(bool holds, QWidget *focus, const QString &message)
{
    if (!saving || failure || holds)
        return;
    failure = true;
    boxes.warning(dialog, message);
    focus->setFocus();
}

void DataExchange::fail(QLineEdit *edit, const QString &message)
{
    failure = true;
    boxes.warning(dialog, message);
    // After the box, as the user reads it: back to the field to correct, ready to retype.
    edit->setFocus();
    edit->selectAll();
}
