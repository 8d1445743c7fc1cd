#include "TFrmCA.h"

#include "DataModule.h"
#include "FrameTitle.h"
#include "Helpers.h"

#include <QBoxLayout>
#include <QCalendarWidget>
#include <QEvent>
#include <QHeaderView>
#include <QStatusBar>
#include <QTableView>
#include <QTextCharFormat>
#include <QToolButton>
#include <QSpinBox>

#include <algorithm>

namespace order {

TFrmCA* FrmCA = nullptr;

namespace {

    constexpr int kWidth = 241;
    constexpr int kHeight = 369;
    constexpr int kStatusHeight = 19;

} // namespace

QDate CalendarStartDate(const QString& text, const QDate& today)
{
    // An empty text is no date here, whatever the delivery-date field allows.
    if (!CheckDateCode(text, false, false))
        return today;
    const QDate date(2000 + text.mid(0, 2).toInt(), text.mid(2, 2).toInt(), text.mid(4, 2).toInt());
    // The date check allows 29 February in every year divisible by 4, which
    // the calendar of 2100 would not know; such a text opens on today too.
    return date.isValid() ? date : today;
}

QString CalendarDateCode(const QDate& date)
{
    return date.toString(QStringLiteral("yyMMdd"));
}

TFrmCA::TFrmCA(QWidget* parent)
    : TDialog(parent, Qt::Tool, "FrmCA")
{
    KeepIn(FrmCA);
    setWindowTitle(QString());
    // FormCreate
    const int width = DialogWidth(kWidth);
    resize(width, kHeight);
    firstActivate_ = true;
    if (DM)
        DM->PickedValue.clear();

    MCa = new QCalendarWidget(this);
    MCa->setObjectName(QStringLiteral("MCa"));
    MCa->setGeometry(0, 0, width, kHeight - kStatusHeight);
    // A Korean calendar, weeks from Sunday, big day numbers; the month bar
    // keeps a smaller font so that month and year fit the narrow window.
    MCa->setLocale(QLocale(QLocale::Korean, QLocale::SouthKorea));
    MCa->setFirstDayOfWeek(Qt::Sunday);
    MCa->setMinimumSize(1, 1);
    QFont font = MCa->font();
    font.setPixelSize(24);
    MCa->setFont(font);
    if (auto* bar = MCa->findChild<QWidget*>(QStringLiteral("qt_calendar_navigationbar"))) {
        QFont barFont = font;
        barFont.setPixelSize(16);
        barFont.setBold(true);
        for (QWidget* w : bar->findChildren<QWidget*>())
            w->setFont(barFont);
        // Korean readers read the year first: "2026년 12월".
        auto* layout = qobject_cast<QBoxLayout*>(bar->layout());
        auto* month = bar->findChild<QWidget*>(QStringLiteral("qt_calendar_monthbutton"));
        auto* year = bar->findChild<QWidget*>(QStringLiteral("qt_calendar_yearbutton"));
        auto* yearEdit = bar->findChild<QWidget*>(QStringLiteral("qt_calendar_yearedit"));
        if (layout && month && year) {
            layout->removeWidget(month);
            const int at = std::max(layout->indexOf(year), yearEdit ? layout->indexOf(yearEdit) : -1);
            layout->insertWidget(at + 1, month);
        }
        if (auto* edit = qobject_cast<QSpinBox*>(yearEdit))
            connect(edit, &QSpinBox::editingFinished, this, &TFrmCA::ShowYearWithSuffix);
    }
    connect(MCa, &QCalendarWidget::currentPageChanged, this, &TFrmCA::ShowYearWithSuffix);
    MCa->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    MCa->setHorizontalHeaderFormat(QCalendarWidget::ShortDayNames);
    MCa->setGridVisible(false);
    // The table of days takes the clicks; the hand shows over it. Its
    // columns may be narrower than the big font would ask for, so that the
    // whole week fits the window.
    if (auto* days = MCa->findChild<QTableView*>()) {
        days->setCursor(Qt::PointingHandCursor);
        // Two digits 24 pixels high fill a seventh of the window; drawn
        // whole and centred, never shortened to an ellipsis.
        days->setTextElideMode(Qt::ElideNone);
        days->horizontalHeader()->setMinimumSectionSize(1);
        days->verticalHeader()->setMinimumSectionSize(1);
    }
    connect(MCa, &QCalendarWidget::activated, this, [this] { MCaDblClick(); });

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setGeometry(0, kHeight - kStatusHeight, width, kStatusHeight);
    StatusBar1->setSizeGripEnabled(true);
}

QString CalendarYearText(int year)
{
    return QStringLiteral("%1년").arg(year);
}

// The calendar writes the bare year into its year button whenever the page
// or the typed year changes; these run after it.
void TFrmCA::ShowYearWithSuffix()
{
    if (auto* year = MCa->findChild<QToolButton*>(QStringLiteral("qt_calendar_yearbutton")))
        year->setText(CalendarYearText(MCa->yearShown()));
}

void TFrmCA::FormActivate()
{
    if (!firstActivate_)
        return;
    firstActivate_ = false;
    const QDate start = CalendarStartDate(InputText, QDate::currentDate());
    MCa->setCurrentPage(start.year(), start.month());
    MCa->setSelectedDate(start);
    ShowYearWithSuffix();
    MCa->setFocus(Qt::OtherFocusReason);
}

void TFrmCA::MCaDblClick()
{
    if (DM)
        DM->PickedValue = CalendarDateCode(MCa->selectedDate());
    done(1);
}

bool TFrmCA::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate)
        FormActivate();
    return TDialog::event(event);
}

void TFrmCA::showEvent(QShowEvent* event)
{
    // Platforms without window activation (offscreen) still open on the date.
    FormActivate();
    TDialog::showEvent(event);
    ClearFrameTitle(this);
}

} // namespace order
