// quorvex-sim devices: the sound output devices as PortAudio sees them, and the one the
// program plays on.
#include "SimCommands.h"

#include "NamedParameterFile.h"
#include "NumberFormat.h"
#include "OutputDeviceList.h"

#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>

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
    const int chosen = ChooseOutputDevice(list.Devices, list.DefaultIndex, wanted);
    std::cout << "index\thost API\tname\toutput channels\tdefault rate\tnote\n";
    for (std::size_t i = 0; i < list.Devices.size(); ++i) {
        const OutputDeviceEntry& d = list.Devices[i];
        if (d.MaxOutputChannels <= 0) {
            continue;
        }
        const int index = static_cast<int>(i);
        std::string note = index == list.DefaultIndex ? "default" : "";
        if (index == chosen) {
            note += std::string(note.empty() ? "" : ", ") + "chosen";
        }
        std::cout << index << '\t' << d.HostApiName << '\t' << d.Name << '\t' << d.MaxOutputChannels << '\t'
                  << FormatForResults(d.DefaultSampleRate) << '\t' << note << '\n';
    }
    const std::string choice = DescribeOutputDeviceChoice(list.Devices, list.DefaultIndex, wanted);
    if (chosen < 0) {
        std::cerr << "quorvex-sim devices: the program would play on " << choice << '\n';
        return 1;
    }
    std::cout << "chosen: " << choice << '\n';
    return 0;
}

}  // namespace

SimCommand AddDevicesCommand(CLI::App& tool)
{
    CLI::App* command =
        tool.add_subcommand("devices", "list the sound output devices and the one the program plays on");
    command->footer("Each device as PortAudio sees it: index, host API, name, output channels and default sample "
                    "rate; the default one is marked, and the one chosen with the AudioDevice setting of FILE. No file is "
                    "written.");
    const auto path = std::make_shared<std::string>();
    command->add_option("FILE", *path, "test-condition file whose AudioDevice is applied (default: none)")
        ->type_name("");
    return {command, [path] { return ListDevices(*path); }};
}
