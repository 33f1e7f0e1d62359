// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Design.h"

namespace ohmrada {

// Variants of a design for the analyses. Each returns a copy with the changed
// values as the model holds them: the new values go through the component's
// own setters, so the floor rule and the transformer's rule that keeps LeerU
// above NennU apply as they would in the form, and a value beyond the largest
// float is held at it, as the form holds a typed one.

// The design at mains factor k. The transformer's EMF follows the mains, its
// copper does not: LeerU becomes k x LeerU while the voltage the copper drops
// at rated current, internal resistance x NennI = LeerU - NennU, and NennI
// stay, so NennU becomes k x LeerU - (LeerU - NennU). All of it is done on
// the whole winding's values the design holds; the internal resistance the
// form shows with the centre tap is that of one half, and its drop at NennI
// is half of the winding's, so the shown pair scales the same way. When
// k x LeerU is not above the drop (only with a transformer that loses more
// than half its voltage at rated current), the rated voltage stops at the
// floor value and the internal resistance shrinks with it.
CDesign AtMainsFactor(const CDesign& design, double factor);

// The design with KondC x factor.
CDesign WithCapacitanceFactor(const CDesign& design, double factor);

// A transformer of the same rating and the same relative regulation with its
// secondary voltage scaled by s: LeerU and NennU x s, NennI / s.
CDesign WithTransformerScale(const CDesign& design, double scale);

// The rated power of the design's transformer (the whole winding's NennU x
// NennI), W, as the transformer computes it for the overload beep.
double RatedPower(const CDesign& design);

}  // namespace ohmrada
