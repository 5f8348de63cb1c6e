#pragma once

#include "CalibrationProfile.h"
#include "CalibrationStoreFolder.h"
#include "Result.h"
#include "TextFileAppend.h"

#include <QDateTime>

#include <string>
#include <vector>

// The calibration store: a folder with one text file per profile, its history
// (CalibrationHistory.h), named after the profile ("booth-a-rme-card-hda-200.csv"). Every change
// is one block appended under the file's lock (LockedTextFile), so that two programs saving at
// once both keep their entry, and a save that fails (a read-only folder, a full disk) leaves the
// file as it was and says why. Reading never creates anything: a store that does not exist yet
// is an empty one.
class CalibrationStore {
public:
    explicit CalibrationStore(std::string folder = CalibrationStoreFolder());

    const std::string& Folder() const { return folder_; }

    // The profiles on file, by name; a file that is not a history the program can read is not
    // one, and is named with its fault in Problems ("FILE: line 3: …").
    struct Listing {
        std::vector<CalibrationProfile> Profiles;
        std::vector<std::string> Problems;
    };
    Listing List() const;
    // The names of List's profiles.
    std::vector<std::string> Names() const;

    // The profile of that name; an unknown name is refused with the names the store has.
    Result<CalibrationProfile> Load(const std::string& name) const;

    // Makes a new profile. Refused with the reason: a name that is empty or not one line, a
    // profile of the same name (in any case) or of the same file name, an operator's name
    // missing, an interval below 1 day, a store that cannot be written.
    Result<CalibrationProfile> Create(const std::string& name, const std::string& operatorName, int intervalDays,
                                      const QDateTime& now);

    // Appends a reading or a listening check to its profile's history. The profile must be
    // in the store; a failure says why and leaves the history as it was.
    Result<> Append(const CalibrationEntry& entry);

    // The text of the profile's history, to be carried to another PC.
    Result<std::string> Export(const std::string& name) const;
    // Adds the profile that an exported history holds, keeping its lines as they are and
    // recording the import after them. `source` names the file in messages and in the history.
    // Refused with the reason: a text that is not a history (naming the line), a profile of the
    // same name or file name already in the store, a store that cannot be written.
    Result<CalibrationProfile> Import(const std::string& text, const std::string& source,
                                      const std::string& operatorName, const QDateTime& now);

    // How blocks reach the files; tests put a failing one in place of write(2).
    void SetWriter(BlockWriter writer) { writer_ = std::move(writer); }

private:
    // Creates `fileName` holding `block`, refusing when another program created it first.
    Result<> WriteNewFile(const std::string& fileName, const std::string& name, const std::string& block);
    Result<> CheckNewName(const std::string& name) const;
    std::string PathOf(const std::string& fileName) const;

    std::string folder_;
    BlockWriter writer_;
};

// The file name a profile's history gets: the name in lower case, with every run of characters
// other than letters and digits made one '-', and ".csv".
std::string ProfileFileName(const std::string& name);

// Whether `name` can name a profile: one line, not empty, at most 200 bytes.
Result<> CheckProfileName(const std::string& name);
// Whether `name` can name who calibrated or checked: one line, not empty.
Result<> CheckOperatorName(const std::string& name);

// The calibration to measure with: none for an empty name, otherwise the named profile's as it
// stands at `now` (CalibrationFor). An unknown name is refused with the names the store has.
Result<CalibrationInUse> ChooseCalibration(const CalibrationStore& store, const std::string& name,
                                           const QDateTime& now);
