#include "combapi.h"

namespace orlanek {

CheckedArray<std::uint8_t, 100> PatternBuffer;
Int16 StepIndex = 0;
Int16 RunMode = 0;

}  // namespace orlanek
