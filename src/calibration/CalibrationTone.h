#pragma once

#include "Result.h"
#include "RunChoices.h"

#include <memory>
#include <optional>
#include <string>

class EventDispatcher;
class Kc35Attenuator;
class SoundOutput;
class SoundStream;
class Tone;
class Wave;
struct SharedState;

// The file every repetition of the calibration tone rewrites, in the working directory.
inline constexpr const char* CalibrationWavName = "calib.wav";

// Which channel of "calib.wav" holds the tone (0 left, 1 right; the other is silent). The file
// follows the ear, except that in KC35 mode "Channel 2" writes it to the opposite side.
int CalibrationFileToneChannel(AttenuatorMode attenuator, int selectedChannel, EarSide ear);

// Which output the tone is played on: "Channel 1" the first (left, 0), "Channel 2" the second
// (right, 1), in every mode. The KC35's attenuator channel 1 carries the left output and
// channel 2 the right one.
int CalibrationOutputChannel(int selectedChannel);

// The calibration procedure: a gated 1 s tone at the reference RMS and the current condition's
// ToneF (or the frequency chosen), repeated back to back on the selected channel until it is
// stopped, so that the operator can adjust that headphone channel to read CalibFactor dB SPL on
// a coupler, or note what the meter reads. It runs on the caller's thread and lets pending
// events run once per repetition; that is where Stop and a change of channel, frequency or ear
// take effect.
class CalibrationTone {
public:
    CalibrationTone(SharedState& state, SoundOutput& sound, EventDispatcher& events, Kc35Attenuator& attenuator);

    // 1 "Channel 1" or 2 "Channel 2" (asserted); read at the start of every repetition.
    void SelectChannel(int channel);
    int SelectedChannel() const { return channel_; }
    // The frequency to calibrate at instead of ToneF, read at the start of every repetition;
    // refused with the reason when the tone cannot be played there.
    Result<> SelectFrequency(float hz);
    // The current condition's ToneF again.
    void FollowToneFrequency() { frequency_.reset(); }
    // The frequency the tone plays at: the one chosen, or ToneF (0 before a file is loaded).
    float Frequency() const;

    // Repeats the tone until Stop. In KC35 mode both attenuator channels are first set to
    // -10 dB SPL, then the selected channel to CalibFactor before every repetition. With an
    // attenuator mode other than 1 or 2 nothing is done. A repetition started always plays to
    // its end. Gives the number of repetitions. Play fails, ending the tone, without a loaded
    // test-condition file, with a frequency the tone cannot be played at, with a level the
    // attenuator cannot set, or on a serial failure; a repetition that the sound device could
    // not play ends Play too, with the reason in Problem(). A call made while the tone is already
    // repeating (from an event handler) gives 0 at once.
    Result<int> Play();
    // Ends Play after the repetition in progress.
    void Stop() { stopRequested_ = true; }
    bool Playing() const { return playing_; }
    // How many repetitions of the last Play the device played with a dropout (a gap).
    int Dropouts() const { return dropouts_; }
    // Why the last Play ended without Stop: the sound device's problem, one line; empty otherwise.
    const std::string& Problem() const { return problem_; }

private:
    // Writes the file and queues one repetition; in KC35 mode it first waits for `previous`
    // (then forgotten) to be played and sets the attenuator, so that repetition starts late.
    // Gives the repetition's ticket, or the attenuator's failure with nothing queued.
    Result<int> QueueRepetition(SoundStream& stream, const Wave& tone, const Wave& silence, int& previous);
    // Waits for a repetition to be played and counts a dropout in it; keeps the problem of one not played.
    void Finish(SoundStream& stream, int ticket);
    // The tone at `frequency`; one that cannot be played is refused.
    Result<std::unique_ptr<Tone>> MakeToneAt(float frequency) const;

    SharedState& state_;
    SoundOutput& sound_;
    EventDispatcher& events_;
    Kc35Attenuator& attenuator_;
    int channel_ = 1;
    std::optional<float> frequency_;
    bool stopRequested_ = false;
    bool playing_ = false;
    int dropouts_ = 0;
    std::string problem_;
};

// What the calibration window says about the tone: its frequency (the current condition's
// ToneF), its level (CalibFactor) and where it plays, e.g. "Tone 1000 Hz at 100 dB SPL on
// output 1 (left): the left earphone". Without a loaded condition the frequency is not known.
std::string DescribeCalibrationTone(const SharedState& state, int selectedChannel, char decimalSeparator);
// The same for a tone at `frequencyHz` (unknown: none).
std::string DescribeCalibrationTone(const SharedState& state, int selectedChannel, std::optional<float> frequencyHz,
                                    char decimalSeparator);
