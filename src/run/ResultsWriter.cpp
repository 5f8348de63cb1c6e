#include "ResultsWriter.h"

#include "NumberFormat.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

std::string Failure(const std::string& path, int error)
{
    return "Quorvex could not write the file '" + path + "': " + std::strerror(error)
        + ". The points of this run are still in memory and can be shown with \"Graph Results\".";
}

}  // namespace

std::string AppendText(const std::string& path, const std::string& text)
{
    std::string bytes;
    bytes.reserve(text.size() + text.size() / 8);
    for (char ch : text) {
        if (ch == '\n') {
            bytes += "\r\n";
        } else {
            bytes += ch;
        }
    }
    errno = 0;
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "ab"));
    if (!file) {
        return Failure(path, errno);
    }
    if (std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size() || std::fflush(file.get()) != 0) {
        return Failure(path, errno != 0 ? errno : EIO);
    }
    if (std::fclose(file.release()) != 0) {
        return Failure(path, errno != 0 ? errno : EIO);
    }
    return {};
}

std::string PTCwrite(const SharedState& state, int count)
{
    const TestCondition& c = state.Current();
    std::string block = ";----------------------------------------------------\n";
    block += "; Subject = \t" + state.SubjectName + "\n";
    block += state.Ear == 0 ? "; Ear = left\n" : "; Ear = right\n";
    block += "; Tone Frequency = \t" + FormatForResults(c.ToneF) + "\n";
    block += "; Tone SPL = \t" + FormatForResults(c.ToneSPL) + "\n";
    if (state.Settings.Attenuator == 1) {
        block += "; Attenuator = software\n";
    } else if (state.Settings.Attenuator == 2) {
        block += "; Attenuator = KC35\n";
    }
    const auto& points = state.Results.Points();
    const auto n = static_cast<std::size_t>(std::clamp(count, 0, static_cast<int>(points.size())));
    for (std::size_t i = 0; i < n; ++i) {
        block += FormatForResults(points[i].Freq) + "\t" + FormatForResults(points[i].SPL) + "\n";
    }
    return AppendText(state.ResultsFileName, block);
}

std::string AppendTestLogHeader(const std::string& path)
{
    return AppendText(path, ";------------------------------------------------\n;Subject=\t\n;Ear=\t\n");
}
