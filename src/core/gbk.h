#pragma once

#include <QByteArray>
#include <QString>

// The model keeps text as GBK bytes, as the settings file stores it; Qt shows Unicode.
// Conversion goes through GB18030, which equals GBK for every GBK character and can
// still hold any character a user types or a file name carries.
namespace Gbk {

QString toUnicode(const QByteArray &gbk);
QByteArray fromUnicode(const QString &text);

} // namespace Gbk
