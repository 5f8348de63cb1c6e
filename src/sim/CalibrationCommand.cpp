// quorvex-sim calibration list|show|history|export|import: the headphone calibration profiles
// of this machine's calibration store.
#include "SimCommands.h"

#include "NamedParameterFile.h"
#include "SimOptions.h"

#include "CalibrationReading.h"
#include "CalibrationStore.h"
#include "Csv.h"
#include "NumberFormat.h"
#include "WholeFileSave.h"

#include <CLI/CLI.hpp>

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <map>
#include <memory>

namespace {

struct CalibrationRequest {
    std::string profile;
    std::string file;
    std::string output;
    std::string operatorName;
    CLI::App* list = nullptr;
    CLI::App* show = nullptr;
    CLI::App* history = nullptr;
    CLI::App* exportTo = nullptr;
    CLI::App* import = nullptr;
};

// The store's unreadable files, on standard error; true if there were any.
bool ReportProblems(const CalibrationStore::Listing& listing)
{
    for (const std::string& problem : listing.Problems) {
        std::cerr << "quorvex-sim calibration: not a calibration history: " << problem << '\n';
    }
    return !listing.Problems.empty();
}

std::optional<CalibrationProfile> LoadProfile(const CalibrationStore& store, const std::string& name)
{
    Result<CalibrationProfile> profile = store.Load(name);
    if (!profile) {
        std::cerr << "quorvex-sim calibration: " << profile.Reason() << '\n';
        return std::nullopt;
    }
    return std::move(profile).Value();
}

int List(const CalibrationStore& store)
{
    const CalibrationStore::Listing listing = store.List();
    const QDateTime now = QDateTime::currentDateTime();
    std::cout << CsvRow({"profile", "last_calibrated", "age_days", "interval_days", "overdue", "checked_today",
                         "last_check", "left_points", "right_points", "file"});
    for (const CalibrationProfile& p : listing.Profiles) {
        const CalibrationStanding standing = StandingAt(p, now);
        std::cout << CsvRow({p.Name, p.LastReading ? p.LastReading->Time : "",
                             standing.AgeDays ? std::to_string(*standing.AgeDays) : "", std::to_string(p.IntervalDays),
                             standing.Overdue ? "1" : "0", standing.CheckedToday ? "1" : "0",
                             p.LastCheck ? p.LastCheck->Time : "", std::to_string(p.Response.Points(EarSide::Left).size()),
                             std::to_string(p.Response.Points(EarSide::Right).size()), p.File});
    }
    return ReportProblems(listing) ? 1 : 0;
}

int Show(const CalibrationStore& store, const std::string& name)
{
    const std::optional<CalibrationProfile> profile = LoadProfile(store, name);
    if (!profile) {
        return 1;
    }
    std::cout << "profile: " << profile->Name << '\n'
              << "file: " << profile->File << '\n'
              << "interval: " << profile->IntervalDays << " days\n"
              << "standing: " << DescribeStanding(*profile, QDateTime::currentDateTime()) << '\n';
    // The reading behind each point of the response: the latest at its ear and frequency.
    std::map<std::pair<int, float>, const CalibrationEntry*> readings;
    for (const CalibrationEntry& entry : profile->History) {
        if (entry.Event == CalibrationEvent::Reading) {
            readings[{static_cast<int>(entry.Ear), entry.FreqHz}] = &entry;
        }
    }
    std::cout << "response: " << readings.size() << " points\n";
    if (!readings.empty()) {
        std::cout << "  ear\tfrequency\tcorrection\treading\treference\tcalibrated\toperator\n";
    }
    for (const auto& [key, e] : readings) {
        std::cout << "  " << EarName(e->Ear) << '\t' << FormatShortest(e->FreqHz) << '\t'
                  << FormatShortest(e->CorrectionDb) << '\t' << FormatShortest(e->ReadingDb) << '\t'
                  << FormatShortest(e->ReferenceDb) << '\t' << e->Time << '\t' << e->Operator << '\n';
    }
    for (const ResponsePoint& point : profile->Response.Points(EarSide::Left)) {
        if (const std::string warning = EarDifferenceWarning(profile->Response, point.FreqHz, '.'); !warning.empty()) {
            std::cout << "warning: " << warning << '\n';
        }
    }
    return 0;
}

int History(const CalibrationStore& store, const std::string& name)
{
    std::vector<CalibrationEntry> entries;
    bool unreadable = false;
    if (!name.empty()) {
        const std::optional<CalibrationProfile> profile = LoadProfile(store, name);
        if (!profile) {
            return 1;
        }
        entries = profile->History;
    } else {
        const CalibrationStore::Listing listing = store.List();
        for (const CalibrationProfile& profile : listing.Profiles) {
            entries.insert(entries.end(), profile.History.begin(), profile.History.end());
        }
        std::stable_sort(entries.begin(), entries.end(), [](const CalibrationEntry& a, const CalibrationEntry& b) {
            return ReadCalibrationTime(a.Time) < ReadCalibrationTime(b.Time);
        });
        unreadable = ReportProblems(listing);
    }
    std::cout << CalibrationHistoryHeader();
    for (const CalibrationEntry& entry : entries) {
        std::cout << FormatCalibrationEntry(entry);
    }
    return unreadable ? 1 : 0;
}

int Export(const CalibrationStore& store, const std::string& name, const std::string& output)
{
    const Result<std::string> text = store.Export(name);
    if (!text) {
        std::cerr << "quorvex-sim calibration export: " << text.Reason() << '\n';
        return 1;
    }
    if (output == "-") {
        std::cout << text.Value();
        return 0;
    }
    const QString failure = SaveWholeFile(QString::fromStdString(output), QByteArray::fromStdString(text.Value()));
    if (!failure.isEmpty()) {
        std::cerr << "quorvex-sim calibration export: cannot write '" << output << "': " << failure.toStdString()
                  << '\n';
        return 1;
    }
    return 0;
}

// Who is logged in: the operator an import is recorded under unless --operator names one.
std::string LoginName()
{
    if (const char* user = std::getenv("USER"); user != nullptr && *user != '\0') {
        return user;
    }
    const passwd* entry = ::getpwuid(::getuid());
    return entry != nullptr ? std::string(entry->pw_name) : std::string();
}

int Import(CalibrationStore& store, const std::string& file, const std::string& operatorName)
{
    const Result<std::string> text = ReadNamedFile(file);
    if (!text) {
        return 1;
    }
    const Result<CalibrationProfile> profile = store.Import(
        text.Value(), file, operatorName.empty() ? LoginName() : operatorName, QDateTime::currentDateTime());
    if (!profile) {
        std::cerr << "quorvex-sim calibration import: " << profile.Reason() << '\n';
        return 1;
    }
    const CalibrationProfile& p = profile.Value();
    std::cout << "imported: " << p.Name << " ("
              << p.Response.Points(EarSide::Left).size() + p.Response.Points(EarSide::Right).size() << " points; "
              << DescribeStanding(p, QDateTime::currentDateTime()) << ") into " << p.File << '\n';
    return 0;
}

}  // namespace

SimCommand AddCalibrationCommand(CLI::App& tool)
{
    CLI::App* command =
        tool.add_subcommand("calibration", "list, show, export and import the headphone calibration profiles");
    command->require_subcommand(1);
    command->footer("The calibration store is $QUORVEX_CALIBRATION_DIR, else $XDG_DATA_HOME/quorvex/calibration "
                    "(~/.local/share/quorvex/calibration); --calibration-store DIR moves it for one command. "
                    "Files written: export writes FILE; import writes the profile's history into the store. "
                    "Profiles are made, calibrated and checked in Quorvex's calibration window; see \"Calibration "
                    "profiles\" in docs/hardware.md.");
    const auto request = std::make_shared<CalibrationRequest>();
    request->list = command->add_subcommand("list", "one CSV row per profile: its calibration's age and today's check");
    request->show = command->add_subcommand("show", "a profile's standing and its response, point by point");
    request->history =
        command->add_subcommand("history", "the history of PROFILE (default: of every profile, by time) as CSV");
    request->exportTo = command->add_subcommand("export", "write PROFILE's history to one file for another PC");
    request->import = command->add_subcommand("import", "add the profile of a file that export wrote");
    for (CLI::App* sub : {request->list, request->show, request->history, request->exportTo, request->import}) {
        AddCalibrationStoreOption(*sub);
    }
    request->show->add_option("PROFILE", request->profile, "the profile's name")->type_name("")->required();
    request->history->add_option("PROFILE", request->profile, "the profile's name (default: every profile)")
        ->type_name("");
    request->exportTo->add_option("PROFILE", request->profile, "the profile's name")->type_name("")->required();
    request->exportTo->add_option("-o,--output", request->output, "the file to write ('-': standard output)")
        ->type_name("FILE")
        ->required();
    request->import->add_option("FILE", request->file, "a file that 'calibration export' wrote")
        ->type_name("")
        ->required();
    request->import->add_option("--operator", request->operatorName,
                                "who imports it, for the history (default: the user logged in)")
        ->type_name("NAME");
    request->exportTo->footer("The file is the profile's history as the store keeps it, CSV; nothing else is needed "
                              "to import it elsewhere.");
    request->import->footer("Refused, with the reason, when the file is not a profile's history or the store has a "
                            "profile of that name; the history is kept as it is, and the import is recorded after it.");
    return {command, [request] {
                CalibrationStore store;
                if (request->list->parsed()) {
                    return List(store);
                }
                if (request->show->parsed()) {
                    return Show(store, request->profile);
                }
                if (request->history->parsed()) {
                    return History(store, request->profile);
                }
                if (request->exportTo->parsed()) {
                    return Export(store, request->profile, request->output);
                }
                return Import(store, request->file, request->operatorName);
            }};
}
