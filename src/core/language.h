#pragma once

#include <QProcessEnvironment>

// The two languages the clock speaks: its texts' own, and the one translation it carries.
enum class Language { Chinese, English };

// The language of the whole interface, from the user's locale variables. C, POSIX and an
// unset locale keep the original Chinese, and so does a Chinese locale. LANGUAGE, when the
// locale is not C (as the C library reads it), lists the user's languages most wanted
// first: the first Chinese or English one decides, and after it the locale's own
// language. Every other language gets English, which more of its speakers read.
Language interfaceLanguage(const QProcessEnvironment &environment);
