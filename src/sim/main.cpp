// quorvex-sim: the measurement logic of Quorvex from the command line.
#include "HelpFormatter.h"
#include "SimCommands.h"

#include "StandardOutput.h"
#include "Version.h"

#include <CLI/CLI.hpp>

#include <exception>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int UsageError = 2;

// The tool's own usage, whichever command was named.
std::string ToolUsage(const CLI::App& tool)
{
    return tool.get_formatter()->make_help(&tool, tool.get_name(), CLI::AppFormatMode::Normal);
}

// The usage of the command being read, or of the tool when none was named.
std::string UsageOf(CLI::App& tool)
{
    const std::vector<CLI::App*> chosen = tool.get_subcommands();
    return chosen.empty() ? ToolUsage(tool) : chosen.front()->help(tool.get_name());
}

// A command line the tool cannot follow: what is wrong, then the usage, on standard error.
int ReportUsageError(CLI::App& tool, const CLI::ParseError& error)
{
    const std::vector<CLI::App*> chosen = tool.get_subcommands();
    const CLI::App& where = chosen.empty() ? tool : *chosen.front();
    std::string problem = error.what();
    // An argument nobody took is the first thing wrong, whatever else the parser missed.
    if (!where.remaining().empty()) {
        const std::string extra = where.remaining().front();
        problem = extra.size() > 1 && extra.front() == '-' ? "unrecognized option '" + extra + "'"
                  : chosen.empty()                         ? "unknown command '" + extra + "'"
                                                           : "unexpected argument '" + extra + "'";
    }
    // An option given twice: the parser's own words ("At Most 1 required") say it poorly.
    if (dynamic_cast<const CLI::ArgumentMismatch*>(&error) != nullptr) {
        for (const CLI::Option* option : where.get_options()) {
            if (option->get_expected_max() == 1 && option->count() > 1) {
                problem = option->get_name() + " given " + std::to_string(option->count())
                          + " times; it takes one value";
            }
        }
    }
    const std::string prefix = chosen.empty() ? tool.get_name() : tool.get_name() + " " + where.get_name();
    std::cerr << prefix << ": " << problem << "\n\n" << UsageOf(tool);
    return UsageError;
}

int RunTool(int argc, char** argv)
{
    CLI::App tool("Quorvex's measurement logic from the command line: inspect test-condition files, sound "
                  "devices and stimuli, stand in for the KC35 attenuator, keep headphone calibration profiles, "
                  "rehearse a session with a virtual listener and analyse results files.",
                  "quorvex-sim");
    tool.formatter(std::make_shared<WrappingFormatter>());  // before the commands, which take it over
    tool.set_version_flag("--version", std::string("quorvex-sim ") + QuorvexVersion,
                          "print the program's version and exit");
    tool.set_help_flag("-h,--help", "print this usage and exit");
    tool.require_subcommand(1, 1);
    tool.footer("Run 'quorvex-sim help COMMAND' or 'quorvex-sim COMMAND --help' for a command's options.");
    tool.get_formatter()->label("SUBCOMMAND", "COMMAND");
    tool.get_formatter()->column_width(24);

    const std::vector<SimCommand> commands = {AddConditionsCommand(tool), AddDevicesCommand(tool),
                                              AddStimulusCommand(tool),   AddRunCommand(tool),
                                              AddSessionCommand(tool),    AddAnalyzeCommand(tool),
                                              AddAttenuatorCommand(tool), AddCalibrationCommand(tool),
                                              AddReportCommand(tool),     AddValidateCommand(tool),
                                              AddStudyCommand(tool)};
    CLI::App* help = tool.add_subcommand("help", "print the usage of COMMAND (or of quorvex-sim) and exit");
    std::string topic;
    help->add_option("COMMAND", topic, "the command to describe")->type_name("");
    for (CLI::App* command : tool.get_subcommands({})) {
        command->group("Commands");
    }

    if (argc < 2) {
        std::cerr << ToolUsage(tool);
        return UsageError;
    }
    try {
        tool.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        if (error.get_exit_code() == 0) {  // --help or --version
            std::cout << (dynamic_cast<const CLI::CallForVersion*>(&error) != nullptr ? std::string(error.what()) + "\n"
                                                                                      : UsageOf(tool));
            return 0;
        }
        return ReportUsageError(tool, error);
    }

    if (*help) {
        if (topic.empty()) {
            std::cout << ToolUsage(tool);
            return 0;
        }
        const std::vector<CLI::App*> named =
            tool.get_subcommands([&topic](CLI::App* command) { return command->get_name() == topic; });
        if (!named.empty()) {
            std::cout << named.front()->help(tool.get_name());
            return 0;
        }
        std::cerr << "quorvex-sim help: unknown command '" << topic << "'\n\n" << ToolUsage(tool);
        return UsageError;
    }
    for (const SimCommand& command : commands) {
        if (*command.Parser) {
            try {
                return command.Run();
            } catch (const std::exception& error) {  // memory or a length the standard library refused
                std::cerr << "quorvex-sim " << command.Parser->get_name() << ": " << error.what() << '\n';
                return 1;
            }
        }
    }
    return UsageError;
}

}  // namespace

int main(int argc, char** argv)
{
    StandardOutputBuffer output;
    std::streambuf* const standard = std::cout.rdbuf(&output);
    const int status = RunTool(argc, argv);
    std::cout.flush();
    std::cout.rdbuf(standard);
    // Output that never arrived (a full disk, a closed pipe) is a failure, as in every GNU tool.
    if (output.Error()) {
        std::cerr << "quorvex-sim: write error: " << output.Error().message() << '\n';
        return 1;
    }
    return status;
}
