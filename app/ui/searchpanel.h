// The search panel in Frame1: date range, daily time window, numbers,
// choice lists, comment and the match-all box. It fills its lists, keeps the
// day lists true to month and year, shows the number box that fits the
// direction, reads itself into a SearchCriteria and returns to its defaults.
#pragma once

#include <functional>

#include <QDate>
#include <QObject>

#include "app/catalogue/search.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace qlm {

class frmMain;

// Sides of the date range and the time window: F first, L last.
enum class PanelSide { F, L };

// Days offered for a month of a year: 28 to 31 by the calendar, 0 for a
// month outside 1..12 (the day list is then left as it is).
int DaysForMonthList(int month, int year);

class SearchPanel : public QObject {
    Q_OBJECT
public:
    // Builds the controls inside the frame, around its existing search button.
    SearchPanel(QGroupBox* frame, QPushButton* searchButton);

    // Library texts of the labels and the check box; the controls' accessible
    // names follow from them ("Date From Year", "Caller ID").
    void ApplyTexts();
    // The controls in reading order, row by row, for the Tab key.
    QList<QWidget*> TabChain() const;

    // Fills every list once and selects the defaults (today's date from the
    // clock).
    void FillSearchPanel();
    // The day rule of one side.
    void ApplyMonthDays(PanelSide side);
    void comYearF_Click();
    void comYearL_Click();
    void comInOut_Click();
    void comTelMic_Click();

    // The panel as criteria: texts trimmed, list texts converted, a text that
    // is no number giving 0.
    SearchCriteria ReadCriteria() const;
    // Back to the defaults after a search, through the change handlers.
    void Reset();

    // Today's date; tests set another clock.
    std::function<QDate()> Today = [] { return QDate::currentDate(); };

    QComboBox *comYearF, *comMonthF, *comDayF, *comHourF, *comMinF, *comSecF;
    QComboBox *comYearL, *comMonthL, *comDayL, *comHourL, *comMinL, *comSecL;
    QLineEdit *txtCallerID, *txtDialStr, *txtComment;
    QComboBox *comInOut, *comTelMic, *comSaved, *comSamRate;
    QCheckBox* chkMatch;
    QLabel* Label1[9] = {};
    QLabel* Label2[2] = {};
    QLabel* Label3[14] = {};

private:
    void BuildLayout(QPushButton* searchButton);
    void YearChanged(PanelSide side);
    QComboBox* YearList(PanelSide side) const { return side == PanelSide::F ? comYearF : comYearL; }
    QComboBox* MonthList(PanelSide side) const { return side == PanelSide::F ? comMonthF : comMonthL; }
    QComboBox* DayList(PanelSide side) const { return side == PanelSide::F ? comDayF : comDayL; }

    QGroupBox* frame_;
};

// The load handler's step: fills the panel and switches Convert off.
void FillSearchPanel(frmMain& main);

}  // namespace qlm
