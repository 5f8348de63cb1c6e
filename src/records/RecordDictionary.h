#pragma once

#include "HeadphoneResponse.h"
#include "Result.h"

#include <string>
#include <vector>

// The data dictionary beside a session record, "<results name>.json", in the sidecar style of
// behavioural-data archives (BIDS *_beh.json, Psych-DS): every column of the session record and
// of the trial log with its description, unit and allowed values, the program and its version,
// the calibration profile and the sound device of the latest run. An archive takes the CSV
// files with it and needs nothing else to read them.

std::string RecordDictionaryFileName(const std::string& resultsFileName);

// What the dictionary says beyond the columns: of the latest run written.
struct DictionaryFacts {
    CalibrationInUse Calibration;
    std::string SoundDevice;
};

// The dictionary's text for a session record whose header names `recordColumns` and a trial log
// whose header names `trialColumns` (empty: no trial log yet), beside `resultsFileName`.
std::string RecordDictionaryJson(const std::string& resultsFileName, const std::vector<std::string>& recordColumns,
                                 const std::vector<std::string>& trialColumns, const DictionaryFacts& facts);

// Writes the dictionary when it is missing or says something else (the columns or the facts
// changed), replacing the file whole so that a reader never finds half of it. Fails with the
// file's name and the system's reason; the files it describes are not touched.
Result<> UpdateRecordDictionary(const std::string& resultsFileName, const std::vector<std::string>& recordColumns,
                                const std::vector<std::string>& trialColumns, const DictionaryFacts& facts);
