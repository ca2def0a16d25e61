#include "app/ui/searchpanel.h"
#include "app/textnumber.h"

#include <cmath>

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>

#include "app/strings/strlib.h"
#include "app/strings/strnames.h"
#include "app/ui/commands.h"
#include "app/ui/frmMain.h"
#include "app/ui/keyboard.h"

namespace qlm {
namespace {

constexpr int kFirstYear = 2003;

// Leading and trailing blanks only, as the panel's reading rule says.
QString TrimBlanks(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == QLatin1Char(' '))
        ++begin;
    while (end > begin && text.at(end - 1) == QLatin1Char(' '))
        --end;
    return text.mid(begin, end - begin);
}

// A list text as a 16-bit number; anything else is 0.
qint16 ListNumber(const QComboBox* list) {
    bool ok = false;
    const int value = TrimBlanks(list->currentText()).toInt(&ok);
    return ok && value >= -32768 && value <= 32767 ? static_cast<qint16>(value) : 0;
}

void FillNumbers(QComboBox* list, int from, int to) {
    for (int n = from; n <= to; ++n)
        list->addItem(QString::number(n));
}

// Selects an item; a list that takes typed text shows the item again.
void Select(QComboBox* list, int index) {
    list->setCurrentIndex(index);
    if (list->isEditable())
        list->setEditText(list->itemText(index));
}

// Selects the item with this text; a missing item leaves the selection.
void SelectText(QComboBox* list, const QString& text) {
    const int index = list->findText(text, Qt::MatchExactly);
    if (index >= 0)
        Select(list, index);
}

void SelectFirst(QComboBox* list) {
    if (list->count() > 0)
        Select(list, 0);
}

QComboBox* MakeList(QWidget* parent, const char* name) {
    auto* list = new QComboBox(parent);
    list->setObjectName(QString::fromLatin1(name));
    list->setMaxVisibleItems(16);
    list->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    return list;
}

QLineEdit* MakeBox(QWidget* parent, const char* name) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& designText) {
    auto* label = new QLabel(designText, parent);
    label->setObjectName(name);
    return label;
}

}  // namespace

int DaysForMonthList(int month, int year) {
    switch (month) {
    case 1:
    case 3:
    case 5:
    case 7:
    case 8:
    case 10:
    case 12:
        return 31;
    case 4:
    case 6:
    case 9:
    case 11:
        return 30;
    case 2: {
        // The calendar's rule, so that 29 February is offered only where it
        // exists (not in 2100) and never makes the search fail.
        const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
        return leap ? 29 : 28;
    }
    default:
        return 0;
    }
}

SearchPanel::SearchPanel(QGroupBox* frame, QPushButton* searchButton) : QObject(frame), frame_(frame) {
    setObjectName(QStringLiteral("searchPanel"));
    comYearF = MakeList(frame, "comYearF");
    comMonthF = MakeList(frame, "comMonthF");
    comDayF = MakeList(frame, "comDayF");
    comHourF = MakeList(frame, "comHourF");
    comMinF = MakeList(frame, "comMinF");
    comSecF = MakeList(frame, "comSecF");
    comYearL = MakeList(frame, "comYearL");
    comMonthL = MakeList(frame, "comMonthL");
    comDayL = MakeList(frame, "comDayL");
    comHourL = MakeList(frame, "comHourL");
    comMinL = MakeList(frame, "comMinL");
    comSecL = MakeList(frame, "comSecL");
    txtCallerID = MakeBox(frame, "txtCallerID");
    txtDialStr = MakeBox(frame, "txtDialStr");
    txtComment = MakeBox(frame, "txtComment");
    comInOut = MakeList(frame, "comInOut");
    comTelMic = MakeList(frame, "comTelMic");
    comSaved = MakeList(frame, "comSaved");
    comSamRate = MakeList(frame, "comSamRate");
    chkMatch = new QCheckBox(QStringLiteral("Match all"), frame);
    chkMatch->setObjectName(QStringLiteral("chkMatch"));
    chkMatch->setChecked(true);

    static const char* const kLabel1[9] = {"Date",        "Time",  "Caller ID",   "Dial String", "In/Out",
                                           "Tel/Mic/Vox", "Saved", "Sample Rate", "Comment"};
    for (int i = 0; i < 9; ++i)
        Label1[i] = MakeLabel(frame, QStringLiteral("Label1_%1").arg(i), QString::fromLatin1(kLabel1[i]));
    for (int i = 0; i < 2; ++i)
        Label2[i] = MakeLabel(frame, QStringLiteral("Label2_%1").arg(i), QStringLiteral("to"));
    static const char* const kLabel3[14] = {"From", "From", "Year", "Month", "Day",  "Year", "Month",
                                            "Day",  "Hour", "Min",  "Sec",   "Hour", "Min",  "Sec"};
    for (int i = 0; i < 14; ++i)
        Label3[i] = MakeLabel(frame, QStringLiteral("Label3_%1").arg(i), QString::fromLatin1(kLabel3[i]));

    BuildLayout(searchButton);

    // Programmatic selections run the handlers as a user's choice does.
    connect(comMonthF, &QComboBox::currentIndexChanged, this, [this] { ApplyMonthDays(PanelSide::F); });
    connect(comMonthL, &QComboBox::currentIndexChanged, this, [this] { ApplyMonthDays(PanelSide::L); });
    connect(comYearF, &QComboBox::currentIndexChanged, this, &SearchPanel::comYearF_Click);
    connect(comYearL, &QComboBox::currentIndexChanged, this, &SearchPanel::comYearL_Click);
    connect(comInOut, &QComboBox::currentIndexChanged, this, &SearchPanel::comInOut_Click);
    connect(comTelMic, &QComboBox::currentIndexChanged, this, &SearchPanel::comTelMic_Click);
}

void SearchPanel::BuildLayout(QPushButton* searchButton) {
    auto* outer = new QVBoxLayout(frame_);
    outer->setContentsMargins(8, 4, 8, 6);
    outer->setSpacing(10);

    // Date and time rows share their columns, so the lists line up.
    auto* range = new QGridLayout;
    range->setHorizontalSpacing(4);
    range->setVerticalSpacing(6);
    const auto addRangeRow = [&](int row, QLabel* title, QLabel* from, QLabel* to, QLabel* const units[6],
                                 QComboBox* const lists[6]) {
        range->addWidget(title, row, 0);
        range->addWidget(from, row, 1);
        int column = 2;
        for (int i = 0; i < 6; ++i) {
            if (i == 3) {
                range->addWidget(to, row, column++, Qt::AlignCenter);
            }
            range->addWidget(units[i], row, column++, Qt::AlignRight | Qt::AlignVCenter);
            range->addWidget(lists[i], row, column++);
        }
    };
    QLabel* const dateUnits[6] = {Label3[2], Label3[3], Label3[4], Label3[5], Label3[6], Label3[7]};
    QComboBox* const dateLists[6] = {comYearF, comMonthF, comDayF, comYearL, comMonthL, comDayL};
    QLabel* const timeUnits[6] = {Label3[8], Label3[9], Label3[10], Label3[11], Label3[12], Label3[13]};
    QComboBox* const timeLists[6] = {comHourF, comMinF, comSecF, comHourL, comMinL, comSecL};
    addRangeRow(0, Label1[0], Label3[0], Label2[0], dateUnits, dateLists);
    addRangeRow(1, Label1[1], Label3[1], Label2[1], timeUnits, timeLists);
    range->setColumnMinimumWidth(8, 24);
    range->setColumnStretch(15, 1);
    outer->addLayout(range);

    // Numbers, choices, comment: label and field pairs in four columns.
    auto* fields = new QGridLayout;
    fields->setHorizontalSpacing(12);  // a label reads as its field's, not the one before
    fields->setVerticalSpacing(6);
    fields->addWidget(Label1[2], 0, 0);
    fields->addWidget(txtCallerID, 0, 1, 1, 3);
    fields->addWidget(Label1[3], 0, 4);
    fields->addWidget(txtDialStr, 0, 5, 1, 3);
    fields->addWidget(Label1[4], 1, 0);
    fields->addWidget(comInOut, 1, 1);
    fields->addWidget(Label1[5], 1, 2);
    fields->addWidget(comTelMic, 1, 3);
    fields->addWidget(Label1[6], 1, 4);
    fields->addWidget(comSaved, 1, 5);
    fields->addWidget(Label1[7], 1, 6);
    fields->addWidget(comSamRate, 1, 7);
    fields->addWidget(Label1[8], 2, 0);
    fields->addWidget(txtComment, 2, 1, 1, 3);
    fields->addWidget(chkMatch, 2, 4, 1, 2);
    searchButton->setMinimumWidth(96);
    searchButton->setDefault(true);
    fields->addWidget(searchButton, 2, 6, 1, 2, Qt::AlignRight);
    for (int column : {1, 3, 5, 7})
        fields->setColumnStretch(column, 1);
    outer->addLayout(fields);
}

void SearchPanel::ApplyTexts() {
    static const int kLabel1[9] = {str::Date,      str::Time,  str::CallerId,   str::DialledNumber, str::InOut,
                                   str::TelMicVox, str::Saved, str::SampleRate, str::Comment};
    static const int kLabel3[14] = {str::From,   str::From,  str::Year,   str::Month, str::Day,
                                    str::Year,   str::Month, str::Day,    str::Hour,  str::Minute,
                                    str::Second, str::Hour,  str::Minute, str::Second};
    for (int i = 0; i < 9; ++i)
        Label1[i]->setText(LibStr(kLabel1[i], Label1[i]->text()));
    for (QLabel* label : Label2)
        label->setText(LibStr(str::To, label->text()));
    for (int i = 0; i < 14; ++i)
        Label3[i]->setText(LibStr(kLabel3[i], Label3[i]->text()));
    chkMatch->setText(LibStr(str::MatchAll, chkMatch->text()));

    QComboBox* const dates[2][6] = {{comYearF, comMonthF, comDayF, comHourF, comMinF, comSecF},
                                    {comYearL, comMonthL, comDayL, comHourL, comMinL, comSecL}};
    for (int side = 0; side < 2; ++side) {
        for (int i = 0; i < 6; ++i) {
            QLabel* row = Label1[i / 3];
            QLabel* end = side == 0 ? Label3[i / 3] : Label2[i / 3];
            QLabel* unit = Label3[2 + (i / 3) * 6 + side * 3 + i % 3];
            SetAccessibleName(dates[side][i], {row->text(), end->text(), unit->text()});
        }
    }
    QWidget* const fields[7] = {txtCallerID, txtDialStr, comInOut, comTelMic, comSaved, comSamRate, txtComment};
    for (int i = 0; i < 7; ++i) {
        SetAccessibleName(fields[i], {Label1[2 + i]->text()});
        Label1[2 + i]->setBuddy(fields[i]);
    }
}

QList<QWidget*> SearchPanel::TabChain() const {
    return {comYearF, comMonthF, comDayF,  comYearL,   comMonthL,  comDayL,     comHourF,
            comMinF,  comSecF,   comHourL, comMinL,    comSecL,    txtCallerID, txtDialStr,
            comInOut, comTelMic, comSaved, comSamRate, txtComment, chkMatch};
}

void SearchPanel::FillSearchPanel() {
    const QDate today = Today();
    {
        // The day rule runs once below, on the full lists, not per item.
        const QSignalBlocker b1(comYearF), b2(comYearL), b3(comMonthF), b4(comMonthL);
        FillNumbers(comYearF, kFirstYear, today.year());
        FillNumbers(comYearL, kFirstYear, today.year());
        SelectFirst(comYearF);
        if (comYearL->count() > 0)
            comYearL->setCurrentIndex(comYearL->count() - 1);
        FillNumbers(comMonthF, 1, 12);
        FillNumbers(comMonthL, 1, 12);
        SelectText(comMonthF, QStringLiteral("1"));
        SelectText(comMonthL, QString::number(today.month()));
    }
    FillNumbers(comDayF, 1, 31);
    FillNumbers(comDayL, 1, 31);
    ApplyMonthDays(PanelSide::F);
    ApplyMonthDays(PanelSide::L);
    SelectText(comDayF, QStringLiteral("1"));
    SelectText(comDayL, QString::number(today.day()));

    for (QComboBox* list : {comHourF, comHourL})
        FillNumbers(list, 0, 23);
    SelectText(comHourF, QStringLiteral("0"));
    SelectText(comHourL, QStringLiteral("23"));
    for (QComboBox* list : {comMinF, comMinL, comSecF, comSecL})
        FillNumbers(list, 0, 59);
    SelectText(comMinF, QStringLiteral("0"));
    SelectText(comMinL, QStringLiteral("59"));
    SelectText(comSecF, QStringLiteral("0"));
    SelectText(comSecL, QStringLiteral("59"));

    const auto fillChoices = [](QComboBox* list, std::initializer_list<int> numbers) {
        const QSignalBlocker blocker(list);
        for (int n : numbers)
            list->addItem(LibStr(n));
        list->insertItem(0, LibStr(str::All));
        list->setCurrentIndex(0);
    };
    fillChoices(comInOut, {str::Incoming, str::Outgoing});
    fillChoices(comTelMic, {str::Telephone, str::Microphone, str::VoiceActivated});
    fillChoices(comSaved, {str::SavedMark, str::NotSaved});
    fillChoices(comSamRate, {str::Rate1200, str::Rate900, str::Rate550});
    comInOut_Click();
    // A list never narrower than its longest item: the layout reads the
    // minimum, which the list itself works out only while empty.
    for (QComboBox* list : frame_->findChildren<QComboBox*>())
        list->setMinimumWidth(list->sizeHint().width());
}

void SearchPanel::ApplyMonthDays(PanelSide side) {
    QComboBox* days = DayList(side);
    const int month = static_cast<int>(ValOf(MonthList(side)->currentText()));
    const int year = static_cast<int>(std::lround(ValOf(YearList(side)->currentText())));
    const int count = DaysForMonthList(month, year);
    if (count > 0) {
        days->clear();
        FillNumbers(days, 1, count);
    }
    SelectText(days, QStringLiteral("1"));
}

void SearchPanel::YearChanged(PanelSide side) {
    // Only February depends on the year.
    if (ValOf(MonthList(side)->currentText()) == 2)
        ApplyMonthDays(side);
    else
        SelectText(DayList(side), QStringLiteral("1"));
}

void SearchPanel::comYearF_Click() { YearChanged(PanelSide::F); }
void SearchPanel::comYearL_Click() { YearChanged(PanelSide::L); }

void SearchPanel::comInOut_Click() {
    txtCallerID->setVisible(true);
    txtDialStr->setVisible(true);
    const QString direction = TrimBlanks(comInOut->currentText());
    if (direction == LibStr(str::Incoming))
        txtDialStr->setVisible(false);
    else if (direction == LibStr(str::Outgoing))
        txtCallerID->setVisible(false);
}

void SearchPanel::comTelMic_Click() {
    // Only line calls have a direction.
    if (comTelMic->currentText() != LibStr(str::Telephone) && comInOut->count() > 0) {
        if (comInOut->currentIndex() == 0)
            comInOut_Click();
        else
            comInOut->setCurrentIndex(0);
    }
}

SearchCriteria SearchPanel::ReadCriteria() const {
    SearchCriteria c;
    c.YearF = ListNumber(comYearF);
    c.MonthF = ListNumber(comMonthF);
    c.DayF = ListNumber(comDayF);
    c.YearL = ListNumber(comYearL);
    c.MonthL = ListNumber(comMonthL);
    c.DayL = ListNumber(comDayL);
    c.HourF = ListNumber(comHourF);
    c.MinF = ListNumber(comMinF);
    c.SecF = ListNumber(comSecF);
    c.HourL = ListNumber(comHourL);
    c.MinL = ListNumber(comMinL);
    c.SecL = ListNumber(comSecL);
    c.CallerID = TrimBlanks(txtCallerID->text());
    c.DialStr = TrimBlanks(txtDialStr->text());
    c.InOut = TrimBlanks(comInOut->currentText());
    c.TelMic = TrimBlanks(comTelMic->currentText());
    c.Saved = TrimBlanks(comSaved->currentText());
    c.SamRate = TrimBlanks(comSamRate->currentText());
    c.Comment = TrimBlanks(txtComment->text());
    c.MatchAll = chkMatch->checkState() != Qt::Unchecked;
    return c;
}

void SearchPanel::Reset() {
    const QDate today = Today();
    for (QComboBox* list : {comYearF, comMonthF, comDayF, comHourF, comMinF, comSecF})
        SelectFirst(list);
    const int yearIndex = today.year() - kFirstYear;
    if (yearIndex >= 0 && yearIndex < comYearL->count())
        Select(comYearL, yearIndex);
    SelectText(comMonthL, QString::number(today.month()));
    SelectText(comDayL, QString::number(today.day()));
    SelectText(comHourL, QStringLiteral("23"));
    SelectText(comMinL, QStringLiteral("59"));
    SelectText(comSecL, QStringLiteral("59"));
    txtCallerID->clear();
    txtDialStr->clear();
    for (QComboBox* list : {comInOut, comTelMic, comSamRate, comSaved})
        SelectFirst(list);
    txtComment->clear();
    chkMatch->setChecked(true);
}

void FillSearchPanel(frmMain& main) {
    main.searchPanel->FillSearchPanel();
    // The window's layout sets the frame's width; its height is the panel's.
    // (tall enough for the option frames beside it, which share its height).
    main.Frame1->resize(main.Frame1->width(), qMax(main.Frame1->sizeHint().height(), 196));
    EnableConvert(main, false);
}

}  // namespace qlm
