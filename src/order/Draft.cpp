// The local draft of the order on screen: written after every change (once
// per event, however many cells the change touched), offered back after the
// next login of the same member and customer, removed by the shop's own
// choices.

#include "TFrmMain.h"

#include "DataModule.h"
#include "Messages.h"
#include "OrderDraft.h"

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
    if (Order.Lines.empty()) {
        // Only an order with lines is worth offering back.
        RemoveDraft();
        return;
    }
    const OrderDraft d { DM->M_CODE.get(), DM->C_CODE.get(), Order };
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
        && !d.order.Lines.empty();
    draftReady_ = true;
    if (!found)
        return false;
    if (!ConfirmMessage(QStringLiteral("작성중이던 주문이 있습니다.\r\r불러오시겠습니까?"))) {
        RemoveDraft();
        return false;
    }
    Order = d.order;
    ShowOrder();
    return true;
}

} // namespace order
