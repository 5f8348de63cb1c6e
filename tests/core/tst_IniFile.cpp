#include "IniFile.h"

#include <gtest/gtest.h>

TEST(IniFile, NamesMatchWithoutRegardToCaseAndFirstOccurrenceWins)
{
    const IniFile ini = IniFile::FromText("[SETTINGS]\r\n  ISI = 250 \r\nisi=300\n[cond1]\ntonef= 2000\n");
    EXPECT_EQ(ini.Value("Settings", "ISI"), "250");
    EXPECT_EQ(ini.ReadInteger("settings", "isi", 20), 250);
    EXPECT_EQ(ini.ReadReal("Cond1", "ToneF", 1000.0f, '.'), 2000.0f);
}

TEST(IniFile, SectionsAreThoseThatHoldAKey)
{
    const IniFile ini = IniFile::FromText("[Grid]\nSPLstep=2\n[Empty]\n[STUDY]\nSeed=1\n[grid]\nFStep=10\n");
    EXPECT_EQ(ini.Sections(), (std::vector<std::string>{"grid", "study"}));
}

TEST(IniFile, MissingOrUnparsableValuesTakeTheDefault)
{
    const IniFile ini = IniFile::FromText("stray=1\n[Tests]\nN_Cond=\nCalibFactor=92.5\nDebug\n[Settings]\nISI=250.5\n");
    EXPECT_FALSE(ini.Value("", "stray").has_value()) << "keys before any section are ignored";
    EXPECT_EQ(ini.ReadInteger("Tests", "N_Cond", 1), 1);
    EXPECT_EQ(ini.ReadInteger("Tests", "CalibFactor", 100), 100);
    EXPECT_EQ(ini.ReadInteger("Settings", "ISI", 20), 20);
    EXPECT_EQ(ini.ReadInteger("Absent", "Key", 7), 7);
}

TEST(IniFile, MissingFileBehavesLikeAnEmptyOne)
{
    const IniFile ini = IniFile::Load("/nonexistent/dir/PTC.INI");
    EXPECT_EQ(ini.ReadInteger("Tests", "N_Cond", 1), 1);
}

TEST(IniFile, ByteOrderMarkIsIgnored)
{
    const IniFile ini = IniFile::FromText("\xEF\xBB\xBF[Tests]\nN_Cond=3\n");
    EXPECT_EQ(ini.ReadInteger("Tests", "N_Cond", 1), 3);
}
