#pragma once

#include "Kc35Decoder.h"
#include "RunChoices.h"
#include "SerialLink.h"

#include <optional>
#include <string>
#include <vector>

// The KC35 as the virtual listener's headphones meet it: a serial line that decodes every
// byte the program sends and keeps what the attenuator would now do, the level of each channel
// (1 carries the first, left output; 2 the second, right output) and the ear both are routed
// to. Anything the attenuator would not understand is kept as a problem for the report.
class SimulatedKc35Line final : public SerialLink {
public:
    void Open() override { connected_ = true; }
    int Write(const char* buffer, int count) override;
    void Close() override;
    bool Connected() const override { return connected_; }

    // The level last set on channel 1 or 2 (dB SPL), nothing before the first command.
    std::optional<int> Level(int channel) const;
    // Nothing before a set-up or routing command. The set-up groups hold the right ear's
    // routing commands.
    std::optional<EarSide> RoutedEar() const { return ear_; }
    const std::vector<std::string>& Problems() const { return problems_; }

private:
    void Apply(const std::string& line);

    Kc35Decoder decoder_;
    bool connected_ = false;
    std::optional<int> levels_[2];
    std::optional<EarSide> ear_;
    std::vector<std::string> problems_;
};
