#include "calc/records.h"

namespace kv {

ConductorType conductorTypeOf(const std::string &tipMO)
{
    if (tipMO == kTipSingleRod)
        return ConductorType::SingleRod;
    if (tipMO == kTipDoubleRod)
        return ConductorType::DoubleRod;
    if (tipMO == kTipCable)
        return ConductorType::Cable;
    if (tipMO == kTipMultiRod)
        return ConductorType::MultiRod;
    return ConductorType::Unknown;
}

} // namespace kv
