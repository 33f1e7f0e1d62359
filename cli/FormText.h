// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "CalcTexts.h"
#include "Language.h"
#include "Texts.h"

namespace ohmrada::cli {

// The texts the tables add around the form come from res/CalcTexts.h; the
// form's own labels, units and group captions from its template
// (res/FormTexts.h).
using texts::calc::kBeepsPrefix;
using texts::calc::kDisabledMark;
using texts::calc::kInputPrefix;
using texts::calc::kMainsFrequencyPrefix;
using texts::calc::kMessagePrefix;
using texts::calc::kStandardInputName;
using texts::calc::kStartUpName;

using texts::Tr;

// A field's text as a table shows it: the form's text for a value that is
// not defined in the chosen language, any other as it stands.
std::string ShownValue(const std::string& text);

// A text with its "%1", "%2" ... replaced by the values, in order.
std::string FillIn(std::string_view pattern, std::initializer_list<std::string> values);

}  // namespace ohmrada::cli
