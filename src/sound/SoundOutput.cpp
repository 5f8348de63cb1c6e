#include "SoundOutput.h"

#include "ImmediateSoundStream.h"

std::unique_ptr<SoundStream> SoundOutput::OpenStream(int sampleRate, int channels, int)
{
    return std::make_unique<ImmediateSoundStream>(*this, sampleRate, channels);
}
