// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// qcustomplot.h uses Qt's keywords (signals, slots, emit, foreach), which
// the program's own code switches off (QT_NO_KEYWORDS); there they stand for
// the macros while the header is read.
#if defined(QT_NO_KEYWORDS)
#define signals Q_SIGNALS
#define slots Q_SLOTS
#define emit Q_EMIT
#define foreach Q_FOREACH
#include <qcustomplot.h>
#undef signals
#undef slots
#undef emit
#undef foreach
#else
#include <qcustomplot.h>
#endif
