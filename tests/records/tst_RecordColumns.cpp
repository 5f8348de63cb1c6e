// The session record's and the trial log's columns as the writer and the readers take them: each
// named once and described, kept in their order, and what one writes the other reads back.
// (The dictionary's description of every written column: tst_RecordDictionary.)
#include "RecordColumns.h"
#include "RecordedRuns.h"
#include "ScratchFolder.h"
#include "SessionFiles.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <set>

namespace {

class RecordColumnsTest : public testing::Test {
protected:
    void SetUp() override
    {
        ::setenv("XDG_DATA_HOME", scratch.Path("data").c_str(), 1);
        state.Conditions.resize(1);
        TestCondition& c = state.Conditions[0];
        c = {2000.0f, 1000.0f, 3000.0f, 50.0f, 320.0f, 2.0f, 90.0f, 55.0f, 40.0f};
        state.Settings.CalibFactor = 97.5f;
        state.Settings.ToneDuration = 250.0f;
        state.Settings.MaskerDuration = 400.0f;
        state.Settings.ModFreq = 8.0f;
        state.Settings.RiseFall = 15.0f;
        state.Settings.ISI = 350;
        state.Settings.Modulated = 1;
        state.Settings.NormalTipLow = -12.5f;
        state.Settings.NormalTipHigh = 6.5f;
        state.Settings.OffFrequencyShift = 21.0f;
        state.CurrentCondition = 0;
        state.Ear = EarSide::Left;
        state.SweepDirection = Sweep::Down;
        state.SubjectName = "P07";
        state.Listener = {"ID-7", "1961-02-03", "Dr. Ha"};
        state.Calibration.Profile = "Booth B";
        state.Calibration.LastCalibrated = "2026-11-30T08:00:00";
        state.Calibration.Overdue = true;
        state.ResultsFileName = scratch.Path("r.dat").string();
        state.Results.Record(1500.0f, 61.5f);
        state.Results.Record(1550.0f, 63.0f);
        log.Started = std::chrono::system_clock::now();
        log.SoundDevice = "JACK: system";
        log.Listener = SimulatedListenerRecord{42, -3.0f, 1.5f, 2};
        log.Session = SessionMark{"2026-12-01T09:00:00.000+01:00", 2, 5, "measured", "1234", "ab12", false};
        log.Calibration = AppliedCalibration{1.25f, -0.5f, 2.5f, std::nullopt};
        log.ToneSL = 15.0f;
        log.ThresholdRun = "2026-12-01T08:50:00.000+01:00_1";
        log.Trials.push_back(TrialRecord{1, 1500.0f, 40.0f, true, 0, 0, false, 1, 1, 0, -0.5f});
        log.Trials.push_back(TrialRecord{2, 1550.0f, 42.0f, true, 4410, 0, true, 2, -1, 1, 2.5f});
    }

    RecordedRuns ReadBack() const
    {
        return ReadRecordFiles(scratch.Path("r.csv").string(), scratch.Path("r.trials.csv").string());
    }

    const ScratchFolder scratch{ScratchFolder::Mode::Stay};
    SharedState state;
    RunLog log;
};

TEST(RecordColumnTables, NameEveryColumnOnceAndDescribeIt)
{
    std::set<std::string> names;
    for (std::size_t c = 0; c < RecordColumnCount; ++c) {
        const ColumnDefinition definition = Definition(static_cast<RecordColumn>(c));
        SCOPED_TRACE(definition.Name);
        EXPECT_TRUE(names.insert(definition.Name).second);
        EXPECT_NE(std::string(definition.Description), "");
        EXPECT_EQ(RecordColumnNamed(definition.Name), static_cast<RecordColumn>(c));
    }
    names.clear();
    for (std::size_t c = 0; c < TrialColumnCount; ++c) {
        const ColumnDefinition definition = Definition(static_cast<TrialColumn>(c));
        SCOPED_TRACE(definition.Name);
        EXPECT_TRUE(names.insert(definition.Name).second);
        EXPECT_NE(std::string(definition.Description), "");
        EXPECT_EQ(TrialColumnNamed(definition.Name), static_cast<TrialColumn>(c));
    }
}

// Analysis programs read the files by these columns, and a file begun by this version takes
// rows only under them: they stay as they are, in their order.
TEST(RecordColumnTables, KeepTheFilesColumnsInTheirOrder)
{
    EXPECT_EQ(SessionRecordHeader(),
              "run,date,time,version,subject,ear,direction,condition,ToneF,StartF,EndF,FStep,MaskerBW,SPLstep,"
              "MaxSPL,ToneSPL,MaskStartSPL,CalibFactor,ToneDuration,MaskerDuration,Modulated,ModFreq,ISI,RiseFall,"
              "attenuator,device,listener_seed,listener_criterion,listener_noise,session,session_run,session_runs,"
              "run_status,point,masker_freq,masker_spl,run_points,session_seed,session_plan,session_plan_text,"
              "conditions_file,subject_id,birth_date,examiner,listener_model,normal_tip_low,normal_tip_high,"
              "off_frequency_shift,calibration_profile,calibration_date,tone_correction,masker_correction_min,"
              "masker_correction_max,kc35_residual,flag_calibration_overdue,flag_no_listening_check,run_type,ToneSL,"
              "threshold_run,threshold,threshold_sd,threshold_reversals,threshold_flags\n");
    EXPECT_EQ(TrialLogHeader(),
              "run,trial,masker_freq,masker_spl,played,onset,key,key_changes,recorded,dropout,masker_correction\n");
}

TEST_F(RecordColumnsTest, ARunReadsBackAsItWasWritten)
{
    ASSERT_EQ(WriteSessionFiles(state, log, 2).RecordError, "");
    const RecordedRuns read = ReadBack();
    EXPECT_EQ(read.Problems, std::vector<std::string>{});
    ASSERT_EQ(read.Runs.size(), 1u);
    const RecordedRun& run = read.Runs[0];
    EXPECT_EQ(run.Session, "2026-12-01T09:00:00.000+01:00");
    EXPECT_EQ(run.SessionRun, 2);
    EXPECT_EQ(run.SessionRuns, 5);
    EXPECT_EQ(run.Status, "measured");
    EXPECT_EQ(run.SessionSeed, "1234");
    EXPECT_EQ(run.SessionPlan, "ab12");
    EXPECT_EQ(run.ExpectedPoints, 2);
    EXPECT_FALSE(run.Incomplete);
    EXPECT_TRUE(run.Simulated);
    EXPECT_EQ(run.Subject, "P07");
    EXPECT_EQ(run.Listener, (ListenerDetails{"ID-7", "1961-02-03", "Dr. Ha"}));
    EXPECT_EQ(run.Ear, "left");
    EXPECT_EQ(run.Direction, "down");
    EXPECT_EQ(run.Condition, 1);
    EXPECT_EQ(run.AttenuatorMode, AttenuatorName(state.Settings.Attenuator));
    EXPECT_EQ(run.Device, "JACK: system");
    const TestCondition& p = run.Parameters;
    EXPECT_EQ((std::vector<float>{p.ToneF, p.StartF, p.EndF, p.FStep, p.MaskerBW, p.SPLstep, p.MaxSPL, p.ToneSPL,
                                  p.MaskStartSPL}),
              (std::vector<float>{2000.0f, 1000.0f, 3000.0f, 50.0f, 320.0f, 2.0f, 90.0f, 55.0f, 40.0f}));
    EXPECT_EQ(p.ToneSL, 15.0f);
    const ExperimentSettings& s = run.Settings;
    EXPECT_EQ((std::vector<float>{s.CalibFactor, s.ToneDuration, s.MaskerDuration, s.ModFreq, s.RiseFall,
                                  s.NormalTipLow, s.NormalTipHigh, s.OffFrequencyShift}),
              (std::vector<float>{97.5f, 250.0f, 400.0f, 8.0f, 15.0f, -12.5f, 6.5f, 21.0f}));
    EXPECT_EQ(s.ISI, 350);
    EXPECT_EQ(s.Modulated, 1);
    EXPECT_EQ(run.Calibration.Profile, "Booth B");
    EXPECT_EQ(run.Calibration.LastCalibrated, "2026-11-30T08:00:00");
    EXPECT_EQ(run.Calibration.ToneDb, 1.25f);
    EXPECT_EQ(run.Calibration.MaskerMinDb, -0.5f);
    EXPECT_EQ(run.Calibration.MaskerMaxDb, 2.5f);
    EXPECT_EQ(run.Calibration.Kc35ResidualDb, std::nullopt);
    EXPECT_TRUE(run.Calibration.Overdue);
    EXPECT_TRUE(run.Calibration.NoListeningCheck);
    EXPECT_EQ(run.Kind, RunKind::Ptc);
    EXPECT_EQ(run.ThresholdRun, "2026-12-01T08:50:00.000+01:00_1");
    ASSERT_EQ(run.Points.size(), 2u);
    EXPECT_EQ(run.Points[1].Freq, 1550.0f);
    EXPECT_EQ(run.Points[1].SPL, 63.0f);
    ASSERT_TRUE(run.LoggedTrials.has_value());
    ASSERT_EQ(run.LoggedTrials->size(), 2u);
    const TrialEntry& second = (*run.LoggedTrials)[1];
    EXPECT_EQ(second.Freq, 1550.0f);
    EXPECT_EQ(second.Level, 42.0f);
    ASSERT_TRUE(second.OnsetSeconds.has_value());
    EXPECT_FLOAT_EQ(*second.OnsetSeconds, 0.1);
    EXPECT_TRUE(second.Dropout);
}

TEST_F(RecordColumnsTest, AThresholdRunReadsBackWithItsEstimate)
{
    state.Results.Clear();
    log.Kind = RunKind::Threshold;
    log.Reversals = {40.0f, 36.0f, 38.5f};
    log.Threshold = ThresholdEstimate{38.1667, 2.0207, 3};
    ASSERT_EQ(WriteSessionFiles(state, log, 0).RecordError, "");
    const RecordedRuns read = ReadBack();
    ASSERT_EQ(read.Runs.size(), 1u);
    const RecordedRun& run = read.Runs[0];
    EXPECT_EQ(run.Kind, RunKind::Threshold);
    EXPECT_EQ(run.Reversals, (std::vector<float>{40.0f, 36.0f, 38.5f}));
    ASSERT_TRUE(run.Threshold.has_value());
    EXPECT_NEAR(run.Threshold->Level, 38.167, 1e-4);
    EXPECT_NEAR(run.Threshold->Sd, 2.021, 1e-4);
    EXPECT_EQ(run.Settings.ToneDuration, 250.0f);
}

}  // namespace
