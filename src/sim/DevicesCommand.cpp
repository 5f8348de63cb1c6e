// quorvex-sim devices: the sound output devices as PortAudio sees them, and the one the
// program plays on.
#include "SimCommands.h"

#include "NamedParameterFile.h"
#include "NumberFormat.h"
#include "OutputDeviceList.h"
#include "OutputDeviceStatus.h"

#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace {

int ListDevices(const std::string& iniPath)
{
    std::string wanted;
    if (!iniPath.empty()) {
        const std::optional<ParameterLoad> load = LoadNamedParameterFile("devices", iniPath);
        if (!load) {
            return 1;
        }
        wanted = load->Parameters.Settings.AudioDevice;
    }
    const OutputDeviceList list = ListOutputDevices();
    const OutputDeviceProbes probes = SystemOutputDeviceProbes();
    const OutputDeviceStatus status = AssessOutputDevice(list, wanted, probes);
    std::cout << "index\thost API\tname\toutput channels\tdefault rate\tnote\n";
    for (std::size_t i = 0; i < list.Devices.size(); ++i) {
        const OutputDeviceEntry& d = list.Devices[i];
        if (d.MaxOutputChannels <= 0) {
            continue;
        }
        const int index = static_cast<int>(i);
        std::vector<std::string> notes;
        if (index == list.DefaultIndex) {
            notes.emplace_back("default");
        }
        if (index == status.Index) {
            notes.emplace_back("chosen");
        }
        if (!probes.TakesPlaybackRate(index)) {
            notes.push_back("does not take " + std::to_string(PlaybackRate) + " Hz");
        }
        std::string note;
        for (const std::string& n : notes) {
            note += (note.empty() ? "" : ", ") + n;
        }
        std::cout << index << '\t' << d.HostApiName << '\t' << d.Name << '\t' << d.MaxOutputChannels << '\t'
                  << FormatForResults(d.DefaultSampleRate) << '\t' << note << '\n';
    }
    if (status.Index < 0) {
        std::cerr << "quorvex-sim devices: the program would play on "
                  << DescribeOutputDeviceChoice(list.Devices, list.DefaultIndex, wanted) << '\n';
        if (status.Reason.ends_with(JackServerNotRunning)) {
            std::cerr << "quorvex-sim devices: " << JackServerNotRunning << '\n';
        }
        return 1;
    }
    std::cout << "chosen: " << DescribeOutputDeviceChoice(list.Devices, list.DefaultIndex, wanted) << '\n';
    if (!status.CanPlay) {
        std::cerr << "quorvex-sim devices: " << status.Reason << '\n';
        return 1;
    }
    return 0;
}

}  // namespace

SimCommand AddDevicesCommand(CLI::App& tool)
{
    CLI::App* command =
        tool.add_subcommand("devices", "list the sound output devices and the one the program plays on");
    command->footer("Each device as PortAudio sees it: index, host API, name, output channels and default sample "
                    "rate; the default one is marked, the one chosen with the AudioDevice setting of FILE, and each "
                    "that does not take 44100 Hz, the one rate the program plays at. Exit status 1 when the "
                    "chosen device cannot play, with the reason. No file is written.");
    const auto path = std::make_shared<std::string>();
    command->add_option("FILE", *path, "test-condition file whose AudioDevice is applied (default: none)")
        ->type_name("");
    return {command, [path] { return ListDevices(*path); }};
}
