// The calibration window's profile, meter reading and listening check: what it records in the
// calibration store.
#include "CalibrationWindow.h"

#include "CalibrationFrequencies.h"
#include "CalibrationReading.h"
#include "Controls.h"
#include "NumberFormat.h"
#include "NumberParse.h"
#include "OneLineValidator.h"
#include "SharedState.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <pwd.h>
#include <unistd.h>

#include <algorithm>

namespace {

// The group boxes' inner margin, and the gap between a caption and its field.
constexpr int Margin = 8;
constexpr int Gap = 4;
constexpr int GroupWidth = 273;

QLabel* MakeCaption(QWidget* parent, const char* name, const QString& text, QWidget* buddy)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->adjustSize();
    label->setBuddy(buddy);
    buddy->setAccessibleName(text);
    return label;
}

// Who is logged in, for an operator's name the window has not been told.
QString LoginName()
{
    const QString user = qEnvironmentVariable("USER");
    if (!user.isEmpty()) {
        return user;
    }
    const passwd* entry = ::getpwuid(::getuid());
    return entry != nullptr ? QString::fromLocal8Bit(entry->pw_name) : QString();
}

QString Text(const std::string& text)
{
    return QString::fromStdString(text);
}

// A correction with its sign: "+2.5 dB", "-1 dB", "0 dB".
QString SignedDb(float db, char separator)
{
    return (db > 0.0f ? "+" : "") + Text(FormatForDisplay(db, separator)) + " dB";
}

}  // namespace

void CalibrationWindow::CreateRecordControls()
{
    auto* profileGroup = new QGroupBox("Calibration profile", this);
    profileGroup->setObjectName("ProfileGroup");
    profileGroup->setGeometry(8, 272, 273, 100);
    ProfileBox = new QComboBox(profileGroup);
    ProfileBox->setObjectName("ProfileBox");
    ProfileBox->setGeometry(8, 20, 185, 24);
    ProfileBox->setAccessibleName("Calibration profile");
    NewProfileButton = MakeButton(profileGroup, "NewProfile", "New…", {200, 20, 65, 24});
    StandingLabel = new QLabel(profileGroup);
    StandingLabel->setObjectName("StandingLabel");
    StandingLabel->setGeometry(8, 48, 257, 48);
    StandingLabel->setWordWrap(true);
    StandingLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto* readingGroup = new QGroupBox("Meter reading", this);
    readingGroup->setObjectName("ReadingGroup");
    readingGroup->setGeometry(8, 378, GroupWidth, 132);
    FrequencyBox = new QComboBox(readingGroup);
    FrequencyBox->setObjectName("FrequencyBox");
    FrequencyBox->setEditable(true);
    FrequencyBox->setInsertPolicy(QComboBox::NoInsert);
    ReadingEdit = new QLineEdit(readingGroup);
    ReadingEdit->setObjectName("ReadingEdit");
    OperatorEdit = new QLineEdit(readingGroup);
    OperatorEdit->setObjectName("OperatorEdit");
    OperatorEdit->setValidator(new OneLineValidator(OperatorEdit));
    const QList<QLabel*> captions = {MakeCaption(readingGroup, "FrequencyLabel", "Frequency (Hz)", FrequencyBox),
                                     MakeCaption(readingGroup, "ReadingLabel", "Meter (dB SPL)", ReadingEdit),
                                     MakeCaption(readingGroup, "OperatorLabel", "Operator", OperatorEdit)};
    ReadingEdit->setAccessibleName("Meter reading (dB SPL)");
    // The fields begin after the widest caption, whatever the font.
    int fieldLeft = 0;
    for (const QLabel* caption : captions) {
        fieldLeft = std::max(fieldLeft, Margin + caption->width() + Gap);
    }
    const int right = GroupWidth - Margin;
    SaveButton = MakeButton(readingGroup, "SaveReading", "Save", {right - 65, 48, 65, 24});
    SaveButton->move(right - SaveButton->width(), SaveButton->y());
    int top = 20;
    for (QWidget* field : std::initializer_list<QWidget*>{FrequencyBox, ReadingEdit, OperatorEdit}) {
        const int fieldRight = field == ReadingEdit ? SaveButton->x() - Gap : right;
        field->setGeometry(fieldLeft, top, fieldRight - fieldLeft, 24);
        captions[static_cast<qsizetype>((top - 20) / 28)]->move(Margin, top + (24 - captions[0]->height()) / 2);
        top += 28;
    }
    CorrectionsLabel = new QLabel(readingGroup);
    CorrectionsLabel->setObjectName("CorrectionsLabel");
    CorrectionsLabel->setGeometry(Margin, 104, right - Margin, 24);
    CorrectionsLabel->setWordWrap(true);

    CheckButton = MakeButton(this, "ListeningCheck", "Listening check: both ears sound right", {8, 516, 273, 25});
    OutcomeLabel = new QLabel(this);
    OutcomeLabel->setObjectName("OutcomeLabel");
    OutcomeLabel->setGeometry(8, 544, 273, 32);
    OutcomeLabel->setWordWrap(true);
    OutcomeLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    connect(ProfileBox, &QComboBox::activated, this, [this] { ProfileChosen(); });
    connect(NewProfileButton, &QPushButton::clicked, this, &CalibrationWindow::NewProfileClick);
    connect(FrequencyBox, &QComboBox::currentTextChanged, this, [this] { FrequencyEdited(); });
    connect(SaveButton, &QPushButton::clicked, this, &CalibrationWindow::SaveClick);
    connect(ReadingEdit, &QLineEdit::returnPressed, this, &CalibrationWindow::SaveClick);
    connect(CheckButton, &QPushButton::clicked, this, &CalibrationWindow::ListeningCheckClick);
}

EarSide CalibrationWindow::EarOfChannel() const
{
    // Channel 1 plays on the left output, to the left earphone; Channel 2 to the right one.
    return CalibrationOutputChannel(procedure_->SelectedChannel()) == 0 ? EarSide::Left : EarSide::Right;
}

std::string CalibrationWindow::OperatorName() const
{
    return OperatorEdit->text().trimmed().toStdString();
}

void CalibrationWindow::OfferFrequencies()
{
    procedure_->FollowToneFrequency();
    const QSignalBlocker quiet(FrequencyBox);
    FrequencyBox->clear();
    if (!state_.HasConditions()) {
        return;
    }
    const char separator = SystemDecimalSeparator();
    for (const float hz : DefaultCalibrationFrequencies(state_.Current())) {
        FrequencyBox->addItem(Text(FormatForDisplay(hz, separator)));
    }
    FrequencyBox->setEditText(Text(FormatForDisplay(state_.Current().ToneF, separator)));
    ShowCorrections();
}

Result<float> CalibrationWindow::ApplyTypedFrequency()
{
    const QString typed = FrequencyBox->currentText().trimmed();
    if (typed.isEmpty()) {
        procedure_->FollowToneFrequency();
        return procedure_->Frequency();
    }
    const Result<float> frequency = ReadCalibrationFrequency(typed.toStdString(), SystemDecimalSeparator());
    if (!frequency) {
        return frequency;
    }
    if (const Result<> chosen = procedure_->SelectFrequency(frequency.Value()); !chosen) {
        return Failure{"The calibration tone cannot be played: " + chosen.Reason() + "."};
    }
    return frequency;
}

void CalibrationWindow::FrequencyEdited()
{
    // A frequency being typed takes effect once it is one; Play and Save say what is wrong.
    static_cast<void>(ApplyTypedFrequency());
    ShowToneDescription();
    ShowCorrections();
}

void CalibrationWindow::ShowProfiles()
{
    const CalibrationStore::Listing listing = store_.List();
    const QSignalBlocker quiet(ProfileBox);
    ProfileBox->clear();
    ProfileBox->addItem("(none: uncalibrated)", QString());
    for (const CalibrationProfile& profile : listing.Profiles) {
        ProfileBox->addItem(Text(profile.Name), Text(profile.Name));
    }
    profile_.reset();
    const std::string& inUse = state_.Calibration.Profile;
    for (const CalibrationProfile& profile : listing.Profiles) {
        if (profile.Name == inUse) {
            profile_ = profile;
            state_.Calibration = CalibrationFor(profile, Now());
        }
    }
    const int index = ProfileBox->findData(Text(profile_ ? profile_->Name : std::string()));
    ProfileBox->setCurrentIndex(index < 0 ? 0 : index);
    ShowStanding();
    if (!listing.Problems.empty()) {
        StandingLabel->setText(StandingLabel->text() + "\nNot read: " + Text(listing.Problems.front()));
    }
    if (OperatorEdit->text().isEmpty()) {
        OperatorEdit->setText(state_.Listener.Examiner.empty() ? LoginName() : Text(state_.Listener.Examiner));
    }
    ShowCorrections();
}

void CalibrationWindow::ShowStanding()
{
    const QString text = profile_ ? Text(DescribeStanding(*profile_, Now()))
                                  : QString("No profile: uncalibrated. Levels follow CalibFactor alone.");
    StandingLabel->setText(text);
    StandingLabel->setAccessibleName("Calibration standing: " + text);
}

void CalibrationWindow::ShowCorrections()
{
    if (!profile_ || !state_.HasConditions()) {
        CorrectionsLabel->clear();
        return;
    }
    const float hz = procedure_->Frequency();
    const char separator = SystemDecimalSeparator();
    const auto ear = [&](EarSide side) -> QString {
        for (const ResponsePoint& point : profile_->Response.Points(side)) {
            if (point.FreqHz == hz) {
                return SignedDb(point.CorrectionDb, separator);
            }
        }
        return "not measured";
    };
    CorrectionsLabel->setText(QString("At %1 Hz: left %2, right %3")
                                  .arg(Text(FormatForDisplay(hz, separator)), ear(EarSide::Left), ear(EarSide::Right)));
}

bool CalibrationWindow::ReloadProfileInUse()
{
    const Result<CalibrationProfile> profile = store_.Load(state_.Calibration.Profile);
    if (!profile) {
        ShowMessage(Text(profile.Reason()));
        return false;
    }
    profile_ = profile.Value();
    state_.Calibration = CalibrationFor(*profile_, Now());
    ShowStanding();
    ShowCorrections();
    return true;
}

void CalibrationWindow::ProfileChosen()
{
    state_.Calibration = CalibrationInUse{};
    profile_.reset();
    const std::string name = ProfileBox->currentData().toString().toStdString();
    if (!name.empty()) {
        state_.Calibration.Profile = name;
        if (!ReloadProfileInUse()) {
            state_.Calibration = CalibrationInUse{};
            ShowProfiles();
            return;
        }
    }
    ShowStanding();
    ShowCorrections();
}

void CalibrationWindow::NewProfileClick()
{
    const std::optional<NewProfileRequest> request = AskNewProfile();
    if (!request) {
        return;
    }
    const Result<CalibrationProfile> made =
        store_.Create(request->Name.toStdString(), OperatorName(), request->IntervalDays, Now());
    if (!made) {
        ShowMessage(Text(made.Reason()));
        return;
    }
    state_.Calibration = CalibrationFor(made.Value(), Now());
    ShowProfiles();
    OutcomeLabel->setText("Made the profile " + request->Name + ". Measure each ear, then save its reading.");
}

void CalibrationWindow::SaveClick()
{
    if (!profile_) {
        ShowMessage("Choose a calibration profile, or make one with New…, before saving a reading: the reading "
                    "belongs to one hardware set-up.");
        return;
    }
    const Result<float> frequency = ApplyTypedFrequency();
    if (!frequency) {
        ShowMessage(Text(frequency.Reason()));
        return;
    }
    const char separator = SystemDecimalSeparator();
    const EarSide ear = EarOfChannel();
    const Result<CalibrationEntry> entry =
        MakeReadingEntry(profile_->Name, OperatorName(), ear, frequency.Value(), state_.Settings.CalibFactor,
                         ReadingEdit->text().toStdString(), separator, Now());
    if (!SaveEntry(entry)) {
        return;
    }
    ReadingEdit->clear();
    if (!ReloadProfileInUse()) {
        return;
    }
    const CalibrationEntry& e = entry.Value();
    OutcomeLabel->setText(QString("Saved: %1 ear at %2 Hz, meter %3 dB SPL, correction %4.")
                              .arg(Text(EarName(ear)), Text(FormatForDisplay(e.FreqHz, separator)),
                                   Text(FormatForDisplay(e.ReadingDb, separator)), SignedDb(e.CorrectionDb, separator)));
    if (const std::string warning = EarDifferenceWarning(profile_->Response, e.FreqHz, separator); !warning.empty()) {
        ShowMessage(Text(warning));
    }
}

void CalibrationWindow::ListeningCheckClick()
{
    if (!profile_) {
        ShowMessage("Choose a calibration profile before recording the listening check: the check belongs to one "
                    "hardware set-up.");
        return;
    }
    const Result<CalibrationEntry> entry = MakeListeningCheck(profile_->Name, OperatorName(), Now());
    if (!SaveEntry(entry)) {
        return;
    }
    if (ReloadProfileInUse()) {
        OutcomeLabel->setText(Text("Listening check recorded: " + entry.Value().Operator
                                   + " heard both ears sound right."));
    }
}

bool CalibrationWindow::SaveEntry(const Result<CalibrationEntry>& entry)
{
    if (!entry) {
        ShowMessage(Text(entry.Reason()));
        return false;
    }
    if (const Result<> saved = store_.Append(entry.Value()); !saved) {
        ShowMessage(Text(saved.Reason()));
        return false;
    }
    return true;
}
