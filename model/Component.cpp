#include "Component.h"

namespace ohmrada {

CComponent::~CComponent() = default;

}  // namespace ohmrada
