#pragma once

// TFrmMain: the order screen. Left half: the order being written (SGS, the
// delivery date, the note, the total and the order commands); right half: the
// product lists SGG (traded) and SGA (catalogue), with the hidden catalogue
// copy SGB for the classification search.
//
// The window is split by concern: this file's .cpp holds layout, creation,
// activation, dragging and closing; ProductLists.cpp the lists; OrderLines.cpp
// the order lines and the screen clear; OrderCommands.cpp sending, the
// calendar, opening, copying, deleting and samples; Draft.cpp the local
// draft; Keys.cpp the key preview;
// Notices.cpp the notices, the password change and the exit command.

#include "MainLogic.h"
#include "OrderLineLogic.h"
#include "OrderLogic.h"
#include "OrderOnScreen.h"
#include "ProductListLogic.h"

#include <QStringList>
#include <QWidget>

#include <memory>
#include <string>
#include <vector>

class QCheckBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPainter;
class QRadioButton;
class QToolButton;

namespace order {

class DraftWriter;
class TCEdit;
class TFrmCnt;
class TImageButton;
class TStringGrid;

class TFrmMain : public QWidget {
    Q_OBJECT
public:
    // Runs the login (TFrmSecS) before returning. When it was not confirmed
    // the window must not be shown; LoginAccepted() tells.
    explicit TFrmMain(QWidget* parent = nullptr);
    ~TFrmMain() override;

    bool LoginAccepted() const { return loginAccepted_; }

    // Banner
    QLabel* ImgLeft = nullptr;
    QLabel* LblTitle = nullptr;
    TImageButton* ImgBtnEsc = nullptr;
    // Left top bar
    QToolButton* SBDate = nullptr;
    QLineEdit* EdtDD = nullptr;
    QToolButton* SBExcel = nullptr;
    QToolButton* SBF5 = nullptr;
    QToolButton* SBF4 = nullptr;
    QToolButton* SBF9 = nullptr;
    QToolButton* SBF8 = nullptr;
    QToolButton* SBF3 = nullptr;
    QToolButton* SBF7 = nullptr;
    QToolButton* SBHelp = nullptr;
    TStringGrid* SGS = nullptr;
    // Left bottom bars
    QToolButton* SBMessage = nullptr;
    QToolButton* SBF3S = nullptr;
    QToolButton* SBF7S = nullptr;
    QToolButton* SBF6 = nullptr;
    QToolButton* SBF11 = nullptr;
    QToolButton* SBPU = nullptr;
    QToolButton* SBPD = nullptr;
    TCEdit* CEdtSum = nullptr;
    QCheckBox* ChkBxIOG = nullptr;
    QToolButton* SpeedButton1 = nullptr;
    QToolButton* SpeedButton3 = nullptr;
    QLineEdit* EdtNote = nullptr;
    // Right half
    QRadioButton* RdBtnOnly = nullptr;
    QRadioButton* RdBtnAll = nullptr;
    QLineEdit* EdtGN = nullptr;
    QToolButton* SBGPN = nullptr;
    QToolButton* SBSDIndex = nullptr;
    TStringGrid* SGG = nullptr;
    TStringGrid* SGA = nullptr;
    TStringGrid* SGB = nullptr;
    QToolButton* SBF8U = nullptr;
    QToolButton* SBF11G = nullptr;
    QCheckBox* ChkBxOCost = nullptr;
    QToolButton* SBHome = nullptr;
    QToolButton* SBPgUp = nullptr;
    QToolButton* SBPgDn = nullptr;
    QToolButton* SBEnd = nullptr;
    QToolButton* SBCount = nullptr;

    // Window state
    bool FirstActivate = true;
    bool CatalogPending = true;
    bool EmptyHintPending = true;
    bool FromSearch = false;
    // The order on screen. EdtDD, EdtNote, ChkBxIOG and SGS edit it: each
    // change is written back at once. What replaces it is shown with
    // ShowOrder().
    OrderOnScreen Order;
    int ClassLimit = 100;
    // The answers the lists are filled from; the grid models keep sharing
    // them after the fill, so the text is never copied cell by cell.
    std::shared_ptr<const std::string> TradedAnswer;
    std::shared_ptr<const std::string> CatalogAnswer;
    TNotices Notices;
    TLineColumns LineColumns;
    TListColumns ListColumns;
    // The program's arguments as the first activation reads them (set from
    // the command line at construction).
    QStringList LaunchArguments;

    // Product lists
    bool LoadTradedList(const std::string& order);
    bool LoadCatalog();
    void ShowTradedList();
    void ShowCatalogList();
    bool ScanBarcode(const QString& text);
    bool FindPrice(const QString& text);
    void RingForUnknownCode(const QString& text);
    bool SearchTraded(const QString& text);
    bool SearchCatalog(const QString& text, bool prefix);
    TStringGrid* VisibleList() const;
    void SBSDIndexClick();
    void SBF8UClick();
    void SBHomeClick();
    void SBPgUpClick();
    void SBPgDnClick();
    void SBEndClick();
    void RdBtnOnlyClick();
    void RdBtnAllClick();
    void EdtGNEnter();
    void EdtGNKeyDown(QKeyEvent* event);
    void ListClick();

    // Order lines
    void AddProductLine();
    void AddLine(const QString& code, const QString& name, const QString& unit, const QString& qty, const QString& note,
        const QString& price);
    void AddDirectLine(const QString& name, const QString& unit, const QString& qty, const QString& note);
    void EditLine();
    void SBF4Click();
    void SBF5Click();
    void SBF9Click();
    void SBPUClick();
    void SBPDClick();
    void RefreshTotal();

    // Sending, opening, copying, deleting, samples
    static constexpr int kReadOrder = 0;
    static constexpr int kReadSample = 1;
    void SBF7Click();
    void SBDateClick();
    void ReadOrder(int purpose);
    void SBF3Click();
    void SBF3SClick();
    void SBF6Click();
    void SBF8Click();
    void SBF7SClick();

    // Notices, password, exit
    bool LoadNotices();
    void SBMessageClick();
    void SpeedButton1Click();
    void ImgBtnEscClick();

    // Printing (Printing.cpp), classification search (Classes.cpp),
    // spreadsheet paste and help (Commands.cpp)
    void SBF11Click();
    void SBF11GClick();
    bool LoadClasses();
    void SBGPNClick();
    void SBExcelClick();
    void SBHelpClick();

    // The local draft of the order on screen (Draft.cpp): written after
    // every change, offered back after the next login, dropped by the
    // shop's own choices (send, screen clear, delete, exit with Yes).
    void DraftChanged();
    void WriteDraft();
    void RemoveDraft();
    bool OfferDraft(); // true when the draft was put back
    QString DraftFile() const;
    // Waits until the draft writes handed over so far are on disk.
    void FlushDraft();

    // Key preview: true when the key is consumed.
    bool FormKeyDown(QKeyEvent* event);

    // The first-activation steps (run once, on the first activation).
    void FormActivate();

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    TFrmCnt* QuantityWindow(int left, int top);
    void CreateControls();
    void RunLogin();
    void LoadBanner();
    void FillTradedList();
    void FillCatalogList();
    void ShowCount(TStringGrid* list);
    void FocusSearchBox();
    void DrawListCell(TStringGrid* list, int col, int row, QPainter& p, const QRect& rect);
    void DrawLineCell(int col, int row, QPainter& p, const QRect& rect);
    bool ControlKeyDown(QWidget* control, QKeyEvent* event);
    bool GuaOn() const;
    bool GubOn() const;
    bool GucOn() const;
    QString TradedPrice(const QString& code) const;
    void ShowOrder();
    bool ConfirmUnusualQuantities();
    bool FindEarlierSend(QString& time);

    bool loginAccepted_ = false;
    bool activating_ = false;
    bool listShown_ = false; // the search box has been entered at least once
    bool closingConfirmed_ = false;
    bool draftReady_ = false; // the draft was offered (first activation)
    bool draftPending_ = false;
    std::unique_ptr<DraftWriter> draftWriter_;
};

extern TFrmMain* FrmMain;

// Draws a cell's text 4 pixels below the top at its indent. A text that
// overflows its cell by a few pixels (a date or an amount in a narrow
// column: the substitute font is wider than the one the widths were made
// for) is drawn slightly condensed instead of being cut.
void DrawCellText(QPainter& p, const QRect& rect, const CellDisplay& d);

} // namespace order
