// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <iosfwd>
#include <vector>

#include "FormRun.h"

namespace ohmrada::cli {

// The three views of evaluated forms, one entry per input.
//
// Table: for people, the form as text with its German group captions, labels
// and units, the messages and the number of warning beeps.
void WriteFormTable(const std::vector<CFormView>& views, std::ostream& out);

// JSON: an array with an object per input: "input", "fields" (the texts by
// field id), "inputs" (the fourteen inputs by configuration key as the model
// holds them), "results" (the sixteen results by name as numbers, null where
// the form shows "n. def."), the marks of the buttons, "messages", "beeps".
void WriteFormJson(const std::vector<CFormView>& views, std::ostream& out);

// CSV (RFC 4180, CR LF): a header and a record per input; the field texts by
// id, the marks, the counts, then the inputs by key and the results by name.
void WriteFormCsv(const std::vector<CFormView>& views, std::ostream& out);

}  // namespace ohmrada::cli
