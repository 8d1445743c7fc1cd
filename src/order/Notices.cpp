// The supplier's notices, the password change and the exit command of the
// main window.

#include "TFrmMain.h"

#include "DataModule.h"
#include "Helpers.h"
#include "Messages.h"
#include "ServiceCalls.h"
#include "StringGrid.h"
#include "TFrmMessage.h"
#include "TFrmSecModi.h"
#include "TagMessage.h"

namespace order {

bool TFrmMain::LoadNotices()
{
    std::string answer;
    ListNotices(DM->M_CODE.str(), NoticesRequest(), answer);
    DM->NoticeCache = answer;
    if (!IsSuccess(answer)) {
        ShowMessage(QStringLiteral("전체 읽기 오류입니다\r\r다시 시도하십시요."));
        DM->NoticeCache.clear();
        return false;
    }
    if (RecordCount(answer) == 0) {
        DM->NoticeCache.clear();
        return false;
    }
    ReadNotices(DM->NoticeCache, Notices);
    return true;
}

void TFrmMain::SBMessageClick()
{
    if (!LoadNotices())
        return;
    if (!FrmMessage)
        new TFrmMessage(this);
    FrmMessage->Notices = Notices;
    FrmMessage->move(x() + 340, y() + 120);
    FrmMessage->exec();
}

void TFrmMain::SpeedButton1Click()
{
    if (!FrmSecModi)
        new TFrmSecModi(this);
    FrmSecModi->Mode = QStringLiteral("MODI");
    FrmSecModi->move(x() + 180, y() + 180);
    FrmSecModi->exec();
}

void TFrmMain::ImgBtnEscClick()
{
    if (!TrimRight(SGS->Cells(LineColumns.Name, 0)).isEmpty()
        && !ConfirmMessage(QStringLiteral("작성중인 내역이 있습니다 \r\r취소하고 종료하시겠습니까?")))
        return;
    // Leaving with Yes drops the order, and with it its draft.
    RemoveDraft();
    close();
}

} // namespace order
