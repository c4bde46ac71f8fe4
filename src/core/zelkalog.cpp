#include "zelkalog.h"

Q_LOGGING_CATEGORY(zelkaLog, "zelka")
