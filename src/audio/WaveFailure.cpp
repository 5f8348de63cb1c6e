#include "WaveFailure.h"

#include <stdexcept>

void RefuseWaveMisuse(const std::string& message)
{
    throw std::logic_error("A sound could not be made: " + message + ".");
}
