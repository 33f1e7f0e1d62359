// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// qcustomplot.h uses Qt's keywords (signals, slots, emit, foreach), which
// this program switches off (QT_NO_KEYWORDS); they stand for the macros here
// while the header is read.
#define signals Q_SIGNALS
#define slots Q_SLOTS
#define emit Q_EMIT
#define foreach Q_FOREACH
#include <qcustomplot.h>
#undef signals
#undef slots
#undef emit
#undef foreach
