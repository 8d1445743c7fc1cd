#pragma once

// TFrmCA: the delivery-date calendar. A month calendar in a small tool
// window; a double click (or Enter) on a day hands it back as "yymmdd" in
// DM->PickedValue with result 1, Esc closes with result 2 and leaves
// PickedValue empty.
//
// Opening: the opener creates it with new (unless FrmCA already exists),
// sets InputText to the current delivery-date text, places it (the main
// window puts it at its own Left + 160, Top + 20) and calls exec(). The
// calendar opens on InputText when that is a valid yymmdd date (always in
// the 2000s), otherwise on today. The window deletes itself when it closes.

#include "TDialog.h"

#include <QDate>
#include <QString>

class QCalendarWidget;
class QStatusBar;

namespace order {

// The day the calendar opens on for a delivery-date text: yymmdd read as
// 20yy-mm-dd when the date is valid, otherwise `today`.
QDate CalendarStartDate(const QString& text, const QDate& today);
// "yymmdd" of a date.
QString CalendarDateCode(const QDate& date);
// The month bar's year: "2026년".
QString CalendarYearText(int year);

class TFrmCA : public TDialog {
    Q_OBJECT

public:
    explicit TFrmCA(QWidget* parent = nullptr);

    QString InputText; // set by the opener before exec()

    QCalendarWidget* MCa = nullptr;
    QStatusBar* StatusBar1 = nullptr;

    void FormActivate();
    void MCaDblClick();

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    // The keyboard's way to pick the day a double click picks.
    void EnterKey(QWidget*) override { MCaDblClick(); }

private:
    void ShowYearWithSuffix();

    bool firstActivate_ = true;
};

extern TFrmCA* FrmCA;

} // namespace order
