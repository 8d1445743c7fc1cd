// The local draft of the order on screen: written after every change (once
// per event, however many cells the change touched), offered back after the
// next login of the same member and customer, removed by the shop's own
// choices.

#include "TFrmMain.h"

#include "DataModule.h"
#include "Messages.h"
#include "OrderDraft.h"
#include "StringGrid.h"

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QTimer>

namespace order {

QString TFrmMain::DraftFile() const
{
    if (!DM || WorkDir.isEmpty())
        return QString();
    return DraftPath(WorkDir, DM->M_CODE.get(), DM->C_CODE.get());
}

void TFrmMain::DraftChanged()
{
    // Until the draft of the last run was offered, the screen's first clear
    // must not overwrite it.
    if (!draftReady_ || draftPending_)
        return;
    draftPending_ = true;
    QTimer::singleShot(0, this, [this] { WriteDraft(); });
}

void TFrmMain::WriteDraft()
{
    // A removal since the change was noted (a send, a clear) has the last word.
    if (!draftPending_)
        return;
    draftPending_ = false;
    const QString path = DraftFile();
    if (!draftReady_ || path.isEmpty())
        return;
    const TStringGridModel& lines = *SGS->Model();
    const int n = LineCount(lines);
    if (n == 0) {
        // Only an order with lines is worth offering back.
        RemoveDraft();
        return;
    }
    OrderDraft d;
    d.member = DM->M_CODE.get();
    d.customer = DM->C_CODE.get();
    d.code = OrderCode;
    d.date = OrderDate;
    d.time = OrderTime;
    d.state = OrderState;
    d.sendCount = SendCount;
    d.delivery = EdtDD->text();
    d.note = EdtNote->text();
    d.writing = ChkBxIOG->isChecked();
    d.lostSince = LostSendSince;
    for (int r = 0; r < n; ++r)
        d.lines.push_back({ lines.Cell(LineColumns.Code, r), lines.Cell(LineColumns.Name, r),
            lines.Cell(LineColumns.Unit, r), lines.Cell(LineColumns.Qty, r), lines.Cell(LineColumns.Note, r) });
    // Written and flushed on the writer's thread. A draft that cannot be
    // written (full disk, folder gone) must not stop the order being
    // written; the next change tries again.
    draftWriter_->Write(path, FormatDraft(d));
}

void TFrmMain::FlushDraft()
{
    if (draftPending_)
        WriteDraft();
    draftWriter_->Flush();
}

void TFrmMain::RemoveDraft()
{
    draftPending_ = false;
    const QString path = DraftFile();
    if (!draftReady_ || path.isEmpty())
        return;
    draftWriter_->Remove(path);
}

bool TFrmMain::OfferDraft()
{
    const QString path = DraftFile();
    OrderDraft d;
    const bool found = !path.isEmpty() && LoadDraft(path, DM->M_CODE.get(), DM->C_CODE.get(), d) == DraftLoad::Loaded
        && !d.lines.empty();
    draftReady_ = true;
    if (!found)
        return false;
    if (!ConfirmMessage(QStringLiteral("작성중이던 주문이 있습니다.\r\r불러오시겠습니까?"))) {
        RemoveDraft();
        return false;
    }
    OrderCode = d.code;
    OrderDate = d.date;
    OrderTime = d.time;
    OrderState = d.state;
    SendCount = d.sendCount;
    EdtDD->setText(d.delivery);
    EdtNote->setText(d.note);
    ChkBxIOG->setChecked(d.writing);
    LostSendSince = d.lostSince;
    SGS->Model()->ClearCells();
    PutLines(d.lines);
    SGS->SetRow(0);
    RefreshTotal();
    return true;
}

} // namespace order
