#pragma once

#include <QLoggingCategory>

// The one category of the program's own stderr lines: Qt's default message pattern puts
// "zelka: " before each of them.
Q_DECLARE_LOGGING_CATEGORY(zelkaLog)
