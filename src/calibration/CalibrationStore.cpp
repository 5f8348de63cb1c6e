#include "CalibrationStore.h"

#include "PlainText.h"
#include "WholeFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace {

constexpr std::size_t LongestProfileName = 200;
constexpr std::size_t LongestFileStem = 100;

std::string SystemReason(int error)
{
    return std::generic_category().message(error != 0 ? error : EIO);
}

std::string Quoted(const std::string& name)
{
    return "\"" + name + "\"";
}

std::string Trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t");
    return first == std::string::npos ? std::string() : text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// A history file read whole under a shared lock, so that a block another program is appending
// is read complete or not at all. The read needs no write permission.
Result<std::string> ReadLocked(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return Failure{SystemReason(errno)};
    }
    ::flock(fd, LOCK_SH);
    struct stat status {};
    std::string text;
    int error = 0;
    if (::fstat(fd, &status) != 0) {
        error = errno;
    } else if (!S_ISREG(status.st_mode)) {
        error = EINVAL;
    } else if (static_cast<std::size_t>(status.st_size) > WholeFileLimit) {
        error = EFBIG;
    } else {
        text.resize(static_cast<std::size_t>(status.st_size));
        std::size_t got = 0;
        while (got < text.size()) {
            const ssize_t n = ::read(fd, text.data() + got, text.size() - got);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                error = n < 0 ? errno : 0;
                break;
            }
            got += static_cast<std::size_t>(n);
        }
        text.resize(got);
    }
    ::close(fd);
    if (error != 0) {
        return Failure{error == EINVAL ? "it is not a regular file" : SystemReason(error)};
    }
    return text;
}

long WriteBlock(int descriptor, const char* data, std::size_t size)
{
    return static_cast<long>(::write(descriptor, data, size));
}

}  // namespace

std::string ProfileFileName(const std::string& name)
{
    std::string stem;
    for (const char ch : name) {
        const auto byte = static_cast<unsigned char>(ch);
        if (byte >= 0x80 || std::isalnum(byte) != 0) {
            stem += byte >= 0x80 ? ch : static_cast<char>(std::tolower(byte));
        } else if (!stem.empty() && stem.back() != '-') {
            stem += '-';
        }
    }
    if (stem.size() > LongestFileStem) {
        // Cut between characters, not inside one.
        std::size_t cut = LongestFileStem;
        while (cut > 0 && (static_cast<unsigned char>(stem[cut]) & 0xC0) == 0x80) {
            --cut;
        }
        stem.resize(cut);
    }
    while (!stem.empty() && stem.back() == '-') {
        stem.pop_back();
    }
    return (stem.empty() ? std::string("profile") : stem) + ".csv";
}

Result<> CheckProfileName(const std::string& name)
{
    if (Trimmed(name).empty()) {
        return Failure{"A calibration profile needs a name, such as \"Booth A: RME card, HDA 200\"."};
    }
    if (const Result<> line = CheckOneLine(name); !line) {
        return Failure{"The profile's name holds " + line.Reason() + "; it must be one line."};
    }
    if (name.size() > LongestProfileName) {
        return Failure{"The profile's name is longer than " + std::to_string(LongestProfileName) + " bytes."};
    }
    if (name != Trimmed(name)) {
        return Failure{"The profile's name begins or ends with a blank."};
    }
    return {};
}

Result<> CheckOperatorName(const std::string& name)
{
    if (Trimmed(name).empty()) {
        return Failure{"Type who calibrated or checked: the history records it."};
    }
    if (const Result<> line = CheckOneLine(name); !line) {
        return Failure{"The operator's name holds " + line.Reason() + "; it must be one line."};
    }
    return {};
}

CalibrationStore::CalibrationStore(std::string folder)
    : folder_(std::move(folder))
    , writer_(WriteBlock)
{
}

std::string CalibrationStore::PathOf(const std::string& fileName) const
{
    return (std::filesystem::path(folder_) / fileName).string();
}

CalibrationStore::Listing CalibrationStore::List() const
{
    Listing listing;
    std::error_code error;
    std::filesystem::directory_iterator entries(folder_, error);
    if (error) {
        // A store not made yet holds no profile; any other reason is worth saying.
        if (error != std::errc::no_such_file_or_directory) {
            listing.Problems.push_back("The calibration store " + folder_ + " cannot be read: " + error.message());
        }
        return listing;
    }
    for (const std::filesystem::directory_entry& entry : entries) {
        const std::string fileName = entry.path().filename().string();
        if (fileName.front() == '.' || entry.path().extension() != ".csv") {
            continue;  // a file being made, or not a history
        }
        const Result<std::string> text = ReadLocked(entry.path().string());
        Result<std::vector<CalibrationEntry>> history =
            text ? ParseCalibrationHistory(text.Value()) : Result<std::vector<CalibrationEntry>>(Failure{text.Reason()});
        if (!history) {
            listing.Problems.push_back(entry.path().string() + ": " + history.Reason());
            continue;
        }
        listing.Profiles.push_back(ProfileFromHistory(std::move(history).Value(), entry.path().string()));
    }
    std::sort(listing.Profiles.begin(), listing.Profiles.end(),
              [](const CalibrationProfile& a, const CalibrationProfile& b) { return a.Name < b.Name; });
    std::sort(listing.Problems.begin(), listing.Problems.end());
    return listing;
}

std::vector<std::string> CalibrationStore::Names() const
{
    std::vector<std::string> names;
    for (const CalibrationProfile& profile : List().Profiles) {
        names.push_back(profile.Name);
    }
    return names;
}

Result<CalibrationProfile> CalibrationStore::Load(const std::string& name) const
{
    Listing listing = List();
    for (CalibrationProfile& profile : listing.Profiles) {
        if (profile.Name == name) {
            return std::move(profile);
        }
    }
    std::string known;
    for (const CalibrationProfile& profile : listing.Profiles) {
        known += (known.empty() ? "" : ", ") + Quoted(profile.Name);
    }
    std::string text = "There is no calibration profile " + Quoted(name) + " in the calibration store " + folder_
                       + (known.empty() ? "; it has no profiles yet." : "; its profiles are " + known + ".");
    for (const std::string& problem : listing.Problems) {
        text += " Not read: " + problem + ".";
    }
    return Failure{text};
}

Result<> CalibrationStore::CheckNewName(const std::string& name) const
{
    if (const Result<> check = CheckProfileName(name); !check) {
        return check;
    }
    const std::string fileName = ProfileFileName(name);
    for (const CalibrationProfile& profile : List().Profiles) {
        if (profile.Name == name) {
            return Failure{"The calibration store already has a profile named " + Quoted(name) + " (" + profile.File
                           + ")."};
        }
        if (std::filesystem::path(profile.File).filename() == fileName) {
            return Failure{"The name " + Quoted(name) + " is too like the profile " + Quoted(profile.Name)
                           + ", whose history is " + profile.File + ": choose a name that differs in more than case "
                             "and punctuation."};
        }
    }
    if (std::filesystem::exists(PathOf(fileName))) {
        return Failure{"The calibration store already has a file " + PathOf(fileName)
                       + " that is not a history Quorvex can read; move it away or choose another name."};
    }
    return {};
}

Result<> CalibrationStore::WriteNewFile(const std::string& fileName, const std::string& name, const std::string& block)
{
    const auto cannot = [this](const std::string& reason) {
        return Failure{"The calibration store " + folder_ + " cannot be written: " + reason + "."};
    };
    std::error_code error;
    std::filesystem::create_directories(folder_, error);
    if (error) {
        return cannot(error.message());
    }
    // Written whole under a name of its own, then linked to its real name, which fails if the
    // name is taken: another program's profile of that name is never touched, and no reader ever
    // sees half a file.
    static std::atomic<int> counter{0};
    const std::string part =
        PathOf("." + fileName + "." + std::to_string(::getpid()) + "-" + std::to_string(counter++) + ".part");
    const int fd = ::open(part.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        return cannot(SystemReason(errno));
    }
    int failure = 0;
    for (std::size_t written = 0; written < block.size() && failure == 0;) {
        errno = 0;
        const long count = writer_(fd, block.data() + written, block.size() - written);
        if (count <= 0) {
            failure = count < 0 && errno != 0 ? errno : EIO;
        } else {
            written += static_cast<std::size_t>(count);
        }
    }
    if (failure == 0 && ::fsync(fd) != 0 && errno != EINVAL) {
        failure = errno;
    }
    if (::close(fd) != 0 && failure == 0) {
        failure = errno;
    }
    if (failure == 0 && ::link(part.c_str(), PathOf(fileName).c_str()) != 0) {
        failure = errno;
    }
    ::unlink(part.c_str());
    if (failure == EEXIST) {
        return Failure{"Another program has just made the profile " + Quoted(name) + " or one too like it ("
                       + PathOf(fileName) + "); nothing was written."};
    }
    if (failure != 0) {
        return cannot(SystemReason(failure));
    }
    return {};
}

Result<CalibrationProfile> CalibrationStore::Create(const std::string& name, const std::string& operatorName,
                                                    int intervalDays, const QDateTime& now)
{
    if (const Result<> check = CheckNewName(name); !check) {
        return Failure{check.Reason()};
    }
    if (const Result<> check = CheckOperatorName(operatorName); !check) {
        return Failure{check.Reason()};
    }
    if (intervalDays < 1) {
        return Failure{"The interval for objective calibration must be 1 day or more."};
    }
    CalibrationEntry created;
    created.Time = CalibrationTime(now);
    created.Operator = operatorName;
    created.Profile = name;
    created.Event = CalibrationEvent::Created;
    created.IntervalDays = intervalDays;
    const std::string fileName = ProfileFileName(name);
    if (const Result<> written =
            WriteNewFile(fileName, name, CalibrationHistoryHeader() + FormatCalibrationEntry(created));
        !written) {
        return Failure{written.Reason()};
    }
    return ProfileFromHistory({created}, PathOf(fileName));
}

Result<> CalibrationStore::Append(const CalibrationEntry& entry)
{
    if (const Result<> check = CheckOperatorName(entry.Operator); !check) {
        return check;
    }
    const Result<CalibrationProfile> profile = Load(entry.Profile);
    if (!profile) {
        return Failure{profile.Reason()};
    }
    const std::string& path = profile.Value().File;
    const auto cannot = [&](const std::error_code& error) {
        return Failure{"The calibration of " + Quoted(entry.Profile) + " could not be saved in " + path + ": "
                       + error.message() + ". Nothing was added; its earlier calibrations are kept."};
    };
    LockedTextFile file(path, LockedTextFile::Missing::Leave);
    if (file.OpenError()) {
        return cannot(file.OpenError());
    }
    if (const std::error_code error = file.Append(FormatCalibrationEntry(entry), writer_)) {
        return cannot(error);
    }
    if (const std::error_code error = file.Close()) {
        return cannot(error);
    }
    return {};
}

Result<std::string> CalibrationStore::Export(const std::string& name) const
{
    const Result<CalibrationProfile> profile = Load(name);
    if (!profile) {
        return Failure{profile.Reason()};
    }
    Result<std::string> text = ReadLocked(profile.Value().File);
    if (!text) {
        return Failure{"The history of " + Quoted(name) + " cannot be read from " + profile.Value().File + ": "
                       + text.Reason() + "."};
    }
    return text;
}

Result<CalibrationProfile> CalibrationStore::Import(const std::string& text, const std::string& source,
                                                    const std::string& operatorName, const QDateTime& now)
{
    Result<std::vector<CalibrationEntry>> history = ParseCalibrationHistory(text);
    if (!history) {
        return Failure{source + " is not a calibration profile Quorvex can read: " + history.Reason() + "."};
    }
    const std::string name = history.Value().front().Profile;
    if (const Result<> check = CheckNewName(name); !check) {
        return Failure{"The profile of " + source + " is not imported. " + check.Reason()};
    }
    if (const Result<> check = CheckOperatorName(operatorName); !check) {
        return Failure{check.Reason()};
    }
    CalibrationEntry imported;
    imported.Time = CalibrationTime(now);
    imported.Operator = operatorName;
    imported.Profile = name;
    imported.Event = CalibrationEvent::Imported;
    imported.Note = "from " + WithControlCharactersShown(source);
    std::string block = text;
    if (!block.empty() && block.back() != '\n') {
        block += '\n';
    }
    block += FormatCalibrationEntry(imported);
    const std::string fileName = ProfileFileName(name);
    if (const Result<> written = WriteNewFile(fileName, name, block); !written) {
        return Failure{written.Reason()};
    }
    history.Value().push_back(imported);
    return ProfileFromHistory(std::move(history).Value(), PathOf(fileName));
}

Result<CalibrationInUse> ChooseCalibration(const CalibrationStore& store, const std::string& name,
                                           const QDateTime& now)
{
    if (name.empty()) {
        return CalibrationInUse{};
    }
    const Result<CalibrationProfile> profile = store.Load(name);
    if (!profile) {
        return Failure{profile.Reason()};
    }
    return CalibrationFor(profile.Value(), now);
}
