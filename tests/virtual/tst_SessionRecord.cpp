#include "ResultsFileBlocks.h"
#include "ScratchFolder.h"
#include "ListenerConditions.h"
#include "VirtualRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <locale>
#include <sstream>

namespace {

// Makes the process's C and C++ locales German (decimal comma), as the program's application
// object does on a German system, and puts them back afterwards. The locale is compiled into
// the scratch directory, so the machine needs only the locale sources.
class GermanLocale {
public:
    explicit GermanLocale(const std::filesystem::path& dir)
    {
        const std::string command = "localedef -i de_DE -f UTF-8 '" + (dir / "de_DE.UTF-8").string() + "' 2>&1";
        if (std::system(command.c_str()) == 0) {
            ::setenv("LOCPATH", dir.c_str(), 1);
            ready_ = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
        }
        if (ready_) {
            std::locale::global(std::locale("de_DE.UTF-8"));
        }
    }
    ~GermanLocale()
    {
        std::locale::global(std::locale::classic());
        std::setlocale(LC_ALL, "C");
        ::unsetenv("LOCPATH");
    }
    GermanLocale(const GermanLocale&) = delete;
    GermanLocale& operator=(const GermanLocale&) = delete;

    bool Ready() const { return ready_ && std::localeconv()->decimal_point == std::string(","); }

private:
    bool ready_ = false;
};

// The lines a reader in tests/sim prints: `command` is the interpreter and the script.
std::vector<std::vector<std::string>> ReadBy(const std::string& command, const std::string& resultsName)
{
    std::vector<std::vector<std::string>> lines;
    FILE* pipe = ::popen((command + " '" + resultsName + "'").c_str(), "r");
    if (pipe == nullptr) {
        ADD_FAILURE() << "cannot start " << command;
        return lines;
    }
    std::array<char, 4096> buffer{};
    std::string text;
    std::size_t count = 0;
    while ((count = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
        text.append(buffer.data(), count);
    }
    EXPECT_EQ(::pclose(pipe), 0) << command << " failed on the files";
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string>& fields = lines.emplace_back();
        std::istringstream split(line);
        for (std::string field; std::getline(split, field, '\t');) {
            fields.push_back(field);
        }
    }
    return lines;
}

float Number(const std::string& text)
{
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    EXPECT_TRUE(error == std::errc() && end == text.data() + text.size()) << text;
    return static_cast<float>(value);
}

}  // namespace

// Two sessions written in a decimal-comma locale: Python's csv module, pandas and R read back
// exactly the subject, ear, tone and points of each results block, under two run identifiers.
TEST(SessionRecord, ReadsBackToTheResultsFileInACommaLocale)
{
    const ScratchFolder dir;
    const GermanLocale german(dir.Path());
    ASSERT_TRUE(german.Ready()) << "localedef and the de_DE locale source are needed";

    ParameterSet set = ListenerConditions(1000.0f, AttenuatorMode::Software);
    set.Settings.MaskerDuration = 300.0f;
    set.Settings.ToneDuration = 200.0f;
    set.Conditions[0].FStep = 12.5f;
    set.Conditions[0].SPLstep = 2.5f;
    set.Conditions[0].ToneSPL = 47.5f;
    VirtualRunOptions options;
    options.Subject = "Doe, \"J\"";
    options.ResultsName = "session";
    options.Listener.Seed = 3;
    for (const Sweep direction : {Sweep::Up, Sweep::Down}) {
        options.SweepDirection = direction;
        options.Ear = direction == Sweep::Up ? EarSide::Left : EarSide::Right;
        const VirtualRunResult result = RunWithVirtualListener(set, options);
        ASSERT_EQ(result.Refusal + result.Report.RecordError + result.Report.TrialLogError, "");
    }

    std::ifstream in(dir.Path("session.dat"), std::ios::binary);
    std::ostringstream dat;
    dat << in.rdbuf();
    const std::vector<ResultsBlock> blocks = ReadResultsBlocks(dat.str());
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_TRUE(std::any_of(blocks[0].Points.begin(), blocks[0].Points.end(),
                            [](const ResultPoint& p) { return p.Freq != std::floor(p.Freq); }))
        << "no decimal separator to write";

    for (const std::string& reader : {std::string(PYTHON3) + " " + SCRIPTS + "/session_csv.py",
                                      std::string(PYTHON3) + " " + SCRIPTS + "/session_pandas.py",
                                      std::string(RSCRIPT) + " --vanilla " + SCRIPTS + "/session_r.R"}) {
        SCOPED_TRACE(reader);
        const auto lines = ReadBy(reader, dir.Path("session").string());
        std::vector<std::string> runs;
        std::size_t line = 0;
        for (const ResultsBlock& block : blocks) {
            ASSERT_LT(line, lines.size());
            const auto& run = lines[line++];
            ASSERT_EQ(run.size(), 7u);
            EXPECT_EQ(run[0], "run");
            runs.push_back(run[1]);
            EXPECT_EQ(run[2], *block.Subject);
            EXPECT_EQ(run[3], *block.Ear);
            EXPECT_EQ(Number(run[4]), *block.ToneF);
            EXPECT_EQ(Number(run[5]), *block.ToneSPL);
            EXPECT_EQ(run[6], std::to_string(block.Points.size())) << "trial log and points disagree";
            for (const ResultPoint& point : block.Points) {
                ASSERT_LT(line, lines.size());
                const auto& row = lines[line++];
                ASSERT_EQ(row.size(), 3u);
                EXPECT_EQ(Number(row[1]), point.Freq);
                EXPECT_EQ(Number(row[2]), point.SPL);
            }
        }
        EXPECT_EQ(line, lines.size());
        ASSERT_EQ(runs.size(), 2u);
        EXPECT_NE(runs[0], runs[1]);
    }
}
