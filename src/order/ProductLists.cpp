// The product lists of the main window: loading with the answer caches,
// showing, typed searches, barcode scans, price look-up, sorting, removing a
// traded product, paging and drawing.

#include "TFrmMain.h"

#include "Bell.h"
#include "DataModule.h"
#include "Helpers.h"
#include "Messages.h"
#include "ServiceCalls.h"
#include "StringGrid.h"
#include "TDialog.h"
#include "TagMessage.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QRadioButton>
#include <QToolButton>

namespace order {

namespace {

    const QString kByName = QStringLiteral("제품명순");
    const QString kByDate = QStringLiteral("거래일순");
    const QString kEmptyHint
        = QStringLiteral("거래된 제품목록에서는 찾을수 없습니다.\r\r전체 제품목록에서 검색해 보십시요.");

    std::string Key()
    {
        return DM ? DM->M_CODE.str() : std::string();
    }

    std::string CustomerCode()
    {
        return DM ? DM->C_CODE.str() : std::string();
    }

} // namespace

TStringGrid* TFrmMain::VisibleList() const
{
    return SGG->isVisibleTo(this) ? SGG : SGA;
}

void TFrmMain::ShowCount(TStringGrid* list)
{
    SBCount->setText(QString::number(std::max(list->Row(), 0) + 1));
}

void TFrmMain::FillTradedList()
{
    FillList(*SGG->Model(), TradedAnswer, GuaOn());
    TradedAnswer.reset(); // the model keeps what it needs
    ShowCount(SGG);
}

void TFrmMain::FillCatalogList()
{
    const long long n = FillList(*SGA->Model(), CatalogAnswer, GuaOn());
    CatalogAnswer.reset();
    if (CatalogPending && n > 0) {
        SGB->Model()->Assign(*SGA->Model());
        CatalogPending = false;
    }
    if (SGA->isVisibleTo(this))
        ShowCount(SGA);
}

bool TFrmMain::LoadTradedList(const std::string& order)
{
    bool ok = false;
    if (!DM->TradedCache.empty()) {
        TradedAnswer = DM->TradedCache.Shared();
        FillTradedList();
        ok = true;
    } else {
        std::string answer;
        ListTradedProducts(Key(), TradedListRequest(CustomerCode(), order), answer);
        DM->TradedCache = std::move(answer);
        const bool success = IsSuccess(DM->TradedCache.str());
        if (!success) {
            ShowMessage(QStringLiteral("전체 읽기 오류입니다\r\r다시 시도하십시요."));
            DM->TradedCache.clear();
        } else if (RecordCount(DM->TradedCache.str()) == 0) {
            DM->TradedCache.clear();
            TradedAnswer.reset();
        } else {
            TradedAnswer = DM->TradedCache.Shared();
            FillTradedList();
            ok = true;
        }
    }
    SGG->SetRow(0);
    return ok;
}

bool TFrmMain::LoadCatalog()
{
    if (CatalogPending) {
        std::string answer;
        ListGroupProducts(Key(), CatalogRequest(CustomerCode(), DM->C_MGU.toStdString()), answer);
        DM->CatalogCache = std::move(answer);
        const bool success = IsSuccess(DM->CatalogCache.str());
        if (!success || RecordCount(DM->CatalogCache.str()) == 0) {
            if (!success)
                ShowMessage(QStringLiteral("전체 제품 읽기 오류입니다\r\r다시 시도하십시요."));
            DM->CatalogCache.clear();
            CatalogAnswer.reset();
            SGA->SetRow(0);
            return false;
        }
    }
    // The list shares the cached answer: a refill copies nothing.
    CatalogAnswer = DM->CatalogCache.Shared();
    FillCatalogList();
    SGA->SetRow(0);
    return true;
}

void TFrmMain::ShowTradedList()
{
    SGA->hide();
    SGG->show();
    LoadTradedList(SBSDIndex->text() == kByName ? kOrderByDate : kOrderByName);
    SBSDIndex->setEnabled(true);
    SBF8U->setEnabled(true);
}

void TFrmMain::ShowCatalogList()
{
    SGG->hide();
    SGA->show();
    LoadCatalog();
    SGA->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    SBSDIndex->setEnabled(false);
    SBF8U->setEnabled(false);
}

void TFrmMain::EdtGNEnter()
{
    listShown_ = true;
    FromSearch = false;
    if (RdBtnOnly->isChecked())
        ShowTradedList();
    else if (RdBtnAll->isChecked())
        ShowCatalogList();
}

// Puts the focus into the search box. When the box did not have it, the list
// chosen by the radio buttons is shown again, as on entering the box.
void TFrmMain::FocusSearchBox()
{
    if (focusWidget() == EdtGN) {
        EdtGN->setFocus(Qt::OtherFocusReason);
        // The platform may have put the focus there when the window was
        // activated, which is no entry; the first list still has to come.
        if (!listShown_)
            EdtGNEnter();
        return;
    }
    if (isActiveWindow()) {
        EdtGN->setFocus(Qt::OtherFocusReason); // the focus-in event shows the list
    } else {
        // An inactive window gets no focus-in until it is activated again.
        EdtGN->setFocus(Qt::OtherFocusReason);
        EdtGNEnter();
    }
}

void TFrmMain::RdBtnOnlyClick()
{
    if (focusWidget() == EdtGN)
        ShowTradedList();
    else
        FocusSearchBox();
}

void TFrmMain::RdBtnAllClick()
{
    if (focusWidget() == EdtGN)
        ShowCatalogList();
    else
        FocusSearchBox();
}

// A hand scanner types a barcode and Enter. When neither the list nor the
// search knows the code, the shop, looking at the goods and not at the
// screen, hears it; nothing else changes.
void TFrmMain::RingForUnknownCode(const QString& text)
{
    const QString code = Trimmed(text);
    if (!code.isEmpty() && IsDigitsOnly(code))
        RingBell();
}

bool TFrmMain::SearchTraded(const QString& text)
{
    FromSearch = !text.isEmpty();
    std::string answer;
    ListTradedProducts(
        Key(), TradedSearchRequest(CustomerCode(), SearchPattern(text, false), SBSDIndex->text() == kByName), answer);
    if (!IsSuccess(answer)) {
        ShowMessage(QStringLiteral("전체 읽기 오류입니다\r\r인터넷을 확인하십시요."));
        TradedAnswer.reset();
        return false;
    }
    if (RecordCount(answer) == 0) {
        TradedAnswer.reset();
        RingForUnknownCode(text);
        FocusSearchBox();
        return false;
    }
    TradedAnswer = std::make_shared<const std::string>(std::move(answer));
    FillTradedList();
    SGG->SetRow(0);
    SGG->setFocus(Qt::OtherFocusReason);
    return true;
}

bool TFrmMain::SearchCatalog(const QString& text, bool prefix)
{
    FromSearch = !text.isEmpty();
    std::string answer;
    SearchProducts(Key(), CatalogSearchRequest(CustomerCode(), SearchPattern(text, prefix)), answer);
    if (!IsSuccess(answer)) {
        ShowMessage(QStringLiteral("전체 읽기 오류입니다\r\r인터넷을 확인하십시요."));
        CatalogAnswer.reset();
        return false;
    }
    if (RecordCount(answer) == 0) {
        CatalogAnswer.reset();
        RingForUnknownCode(text);
        FocusSearchBox();
        return false;
    }
    CatalogAnswer = std::make_shared<const std::string>(std::move(answer));
    FillCatalogList();
    SGA->SetRow(0);
    SGA->setFocus(Qt::OtherFocusReason);
    return true;
}

void TFrmMain::EdtGNKeyDown(QKeyEvent* event)
{
    const int key = event->key();
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (!enter && key != Qt::Key_F11)
        return;
    event->accept();
    if (SGG->isVisibleTo(this)) {
        if (enter) {
            const QString t = EdtGN->text();
            bool search = true;
            if (!IsNameText(t)) {
                if (ChkBxOCost->isChecked()) {
                    FindPrice(t);
                    search = false;
                } else {
                    search = !ScanBarcode(t);
                }
                if (!search)
                    EdtGN->clear();
            }
            if (search) {
                const QString text = Trimmed(t);
                EdtGN->clear();
                if (!text.isEmpty())
                    SearchTraded(text);
            }
            if (SGG->Cells(0, 0).isEmpty() && EmptyHintPending) {
                EmptyHintPending = false;
                if (!GucOn())
                    ShowMessage(kEmptyHint);
                FocusSearchBox();
            }
        } else {
            // No prefix search in the traded list; only the hint.
            if (SGG->Cells(0, 0).isEmpty() && EmptyHintPending) {
                EmptyHintPending = false;
                ShowMessage(kEmptyHint);
            }
            FocusSearchBox();
        }
        return;
    }
    const QString text = Trimmed(EdtGN->text());
    EdtGN->clear();
    if (!text.isEmpty())
        SearchCatalog(text, !enter);
}

bool TFrmMain::ScanBarcode(const QString& text)
{
    const int row = FindRow(*SGG->Model(), ListColumns.Barcode, text);
    if (row < 0)
        return false;
    const QString code = SGG->Cells(ListColumns.Code, row);
    const QString name = SGG->Cells(ListColumns.Name, row);
    const QString unit = SGG->Cells(ListColumns.Unit, row);
    const QString price = Trimmed(SGG->Cells(ListColumns.Price, row));
    const int line = FindLine(*SGS->Model(), code);
    if (line >= 0) {
        // A typed quantity such as 1.5 is kept: the scan adds one to it.
        const QString qty = IncrementQuantity(SGS->Cells(LineColumns.Qty, line));
        SetLineQuantity(*SGS->Model(), line, qty, GubOn());
        SGS->SetRow(line);
        RefreshTotal();
    } else {
        AddLine(code, name, unit, QStringLiteral("1"), QString(), price);
    }
    return true;
}

bool TFrmMain::FindPrice(const QString& text)
{
    const int row = FindRow(*SGG->Model(), ListColumns.Barcode, text);
    if (row < 0)
        return false;
    SGG->SetRow(row);
    ShowCount(SGG);
    return true;
}

void TFrmMain::SBSDIndexClick()
{
    if (GuaOn())
        return;
    DM->TradedCache.clear();
    if (SBSDIndex->text() == kByDate) {
        LoadTradedList(kOrderByDate);
        SBSDIndex->setText(kByName);
    } else {
        LoadTradedList(kOrderByName);
        SBSDIndex->setText(kByDate);
    }
    FocusSearchBox();
}

void TFrmMain::SBF8UClick()
{
    const int row = SGG->Row();
    const QString name = SGG->Cells(ListColumns.Name, row);
    const QString code = SGG->Cells(ListColumns.Code, row);
    if (name.isEmpty())
        return;
    if (!ConfirmMessage(QStringLiteral("제품: ") + name + QStringLiteral(" 를") + QStringLiteral("\r\r")
            + QStringLiteral("거래된 제품 목록에서 삭제합니다.")))
        return;
    std::string answer;
    RemoveTradedProduct(Key(), CustomerCode(), code.toStdString(), answer);
    if (!IsSuccess(answer)) {
        ShowMessage(QStringLiteral("등록삭제 오류입니다."));
        return;
    }
    DM->TradedCache.clear();
    if (focusWidget() == EdtGN)
        EdtGNEnter(); // the box has the focus already: reload now
    else
        FocusSearchBox();
}

void TFrmMain::SBHomeClick()
{
    PressKey(VisibleList(), Qt::Key_Home);
}

void TFrmMain::SBPgUpClick()
{
    PressKey(VisibleList(), Qt::Key_PageUp);
}

void TFrmMain::SBPgDnClick()
{
    PressKey(VisibleList(), Qt::Key_PageDown);
}

void TFrmMain::SBEndClick()
{
    PressKey(VisibleList(), Qt::Key_End);
}

void TFrmMain::ListClick()
{
    ShowCount(VisibleList());
}

void TFrmMain::DrawListCell(TStringGrid* list, int col, int row, QPainter& p, const QRect& rect)
{
    // Rows without a product show nothing; a price column would otherwise
    // read "0" on every empty row of a shop that has traded nothing yet.
    if (IsEmptyListRow(*list->Model(), row, ListColumns))
        return;
    DrawCellText(p, rect, ListCellDisplay(col, list->Cells(col, row), GuaOn(), list != SGA));
}

} // namespace order
