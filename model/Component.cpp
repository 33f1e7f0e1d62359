// SPDX-License-Identifier: GPL-3.0-or-later
#include "Component.h"

namespace ohmrada {

CComponent::~CComponent() = default;

}  // namespace ohmrada
