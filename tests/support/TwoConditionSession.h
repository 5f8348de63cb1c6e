#pragma once

#include "CsvByHeader.h"
#include "FileText.h"
#include "ParameterFile.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <string>
#include <vector>

// A test-condition file PTC.INI in the current folder with two short conditions (11 masker
// frequencies each) and the [Session] given, loaded as the program loads it.
inline ParameterLoad LoadTwoConditionSession(const std::string& session, int attenuator = 1)
{
    std::ofstream("PTC.INI") << "[Settings]\nAttenuator=" << attenuator
                             << "\nMaskerDuration=300\nToneDuration=200\nISI=50\n[Tests]\nN_Cond=2\n"
                                "[Cond1]\nToneF=1000\nStartF=900\nEndF=1100\nFStep=20\nMaskerBW=100\nToneSPL=40\n"
                                "MaskStartSPL=60\n[Cond2]\nToneF=2000\nStartF=1800\nEndF=2200\nFStep=40\n"
                                "MaskerBW=100\nToneSPL=40\nMaskStartSPL=60\n[Session]\n"
                             << session;
    ParameterLoad load = LoadParameterFile("PTC.INI", '.');
    EXPECT_TRUE(load.Session.Runnable()) << load.Session.Refusal;
    return load;
}

// Four runs over both conditions, ears and directions.
inline constexpr const char* FourRuns = "Run1=2,left,down\nRun2=1,right,up\nRun3=1,left,down\nRun4=2,right,up\n";

// The session record's rows of runs as maps from column name to field; the rows that open a
// session with its plan are left out.
inline std::vector<std::map<std::string, std::string>> RecordRows(const std::string& name = "default.csv")
{
    std::vector<std::map<std::string, std::string>> records = CsvRowsByHeader(FileText(name));
    std::erase_if(records, [](const std::map<std::string, std::string>& row) {
        const auto run = row.find("run");
        return run == row.end() || run->second.empty();
    });
    return records;
}
