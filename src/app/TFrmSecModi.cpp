#include "TFrmSecModi.h"

#include "DataModule.h"
#include "Helpers.h"
#include "Messages.h"
#include "ServiceCalls.h"
#include "TFrmSecS.h"
#include "TagMessage.h"
#include "WindowStyle.h"

#include <QFrame>
#include <QShowEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

namespace order {

TFrmSecModi* FrmSecModi = nullptr;

namespace {



    // Beginnings that are too easy to guess.
    const char* const kBannedPrefixes[]
        = { "1000", "2000", "3000", "4000", "5000", "6000", "7000", "8000", "9000", "1001", "1004" };

} // namespace

PasswordVerdict CheckPasswordRules(const QString& password)
{
    PasswordVerdict v;
    const QString prefix = password.left(4);
    if (!IsDigitsOnly(prefix)) {
        v.askLetters = true;
        v.message = QString::fromUtf8(
            "영문자나 특수기호를 사용하면\r\r스마트폰앱에서는 사용할 수 없습니다\r\r등록 하시겠습니까?");
        return v;
    }
    for (const char* banned : kBannedPrefixes) {
        if (prefix == QLatin1String(banned)) {
            v.refused = true;
            v.message = QString::fromUtf8("앞 네자리에\r\r사용할 수 없는 번호입니다.\r\r") + prefix;
            return v;
        }
    }
    if (prefix.left(2) == prefix.mid(2, 2)) {
        v.refused = true;
        v.message = QString::fromUtf8("첫 두자리와 다음 두자리는 같은 번호를\r\r사용할 수 없습니다.\r\r")
            + prefix.left(2) + QStringLiteral("  ") + prefix.mid(2, 2);
        return v;
    }
    const int d1 = prefix.at(0).digitValue();
    const int d2 = prefix.at(1).digitValue();
    const int d3 = prefix.at(2).digitValue();
    const int d4 = prefix.at(3).digitValue();
    if (d4 - d1 == 3 && d2 - d1 == 1 && d4 - d3 == 1) {
        v.refused = true;
        v.message = QString::fromUtf8("앞 네자리는 연번호를\r\r사용할 수 없습니다.\r\r") + prefix;
        return v;
    }
    return v;
}

TFrmSecModi::TFrmSecModi(QWidget* parent)
    : TDialog(parent, Qt::Dialog | Qt::FramelessWindowHint, "FrmSecModi")
{
    KeepIn(FrmSecModi);
    ArrowKeysMoveFocus();
    setFont(GulimFont(12, false));
    const int width = DialogWidth(263);
    setFixedSize(width, 239);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(5, 5, width - 10, 229);
    Panel1->setFrameShape(QFrame::Panel);
    Panel1->setFrameShadow(QFrame::Raised);
    DragBy(Panel1);

    MakeFrameBars(this, 2,
        { { 0, 0, width, 5 }, { 0, 234, width, 5 }, { 0, 0, 5, 239 }, { width - 5, 0, 5, 239 }, { 0, 165, width, 5 } });

    auto makeCaption = [this](const char* name, const QString& text, QRect geometry, bool bold) {
        auto* b = new QToolButton(Panel1);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(geometry);
        b->setAutoRaise(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->setText(text);
        b->setFont(GulimFont(12, bold));
        return b;
    };
    SBSec1 = makeCaption("SBSec1", QString::fromUtf8("변경할 비밀번호"), { 11, 13, 111, 28 }, false);
    SBSec2 = makeCaption("SBSec2", QString::fromUtf8("비밀번호 재입력"), { 11, 51, 111, 28 }, false);

    auto makeEdit = [this](const char* name, QRect geometry) {
        auto* e = new QLineEdit(Panel1);
        e->setObjectName(QString::fromLatin1(name));
        e->setGeometry(geometry);
        e->setFont(GulimFont(13, true));
        e->setMaxLength(11);
        e->setValidator(new UpperCaseValidator(e));
        UseHashEcho(e);
        return e;
    };
    MEdtS = makeEdit("MEdtS", { 129, 17, 115, 20 });
    MEdtV = makeEdit("MEdtV", { 129, 55, 115, 20 });
    setTabOrder(MEdtS, MEdtV);

    auto makeLabel = [this](const char* name, const char* text, int y) {
        auto* l = new QLabel(QString::fromUtf8(text), Panel1);
        l->setObjectName(QString::fromLatin1(name));
        l->move(30, y);
        l->adjustSize();
        return l;
    };
    LblTitle = makeLabel("LblTitle", "스마트폰 앱(딩동주문)을 통해서도", 94);
    Label1 = makeLabel("Label1", "주문을 하시려면 숫자만 사용하세요 ", 112);
    Label2 = makeLabel("Label2", "[Play스토어]에서 [딩동주문] 설치", 132);

    // The bar above the buttons lies at y = 165 of the window, inside the
    // panel's area; the buttons sit below it.
    SBEsc = makeCaption("SBEsc", QString::fromUtf8("취소"), { 58, 174, 69, 43 }, true);
    SBLogin = makeCaption("SBLogin", QString::fromUtf8("등록"), { 131, 173, 69, 43 }, true);
    connect(SBEsc, &QToolButton::clicked, this, &TDialog::reject);
    connect(SBLogin, &QToolButton::clicked, this, &TFrmSecModi::SBLoginClick);
}

void TFrmSecModi::showEvent(QShowEvent* event)
{
    TDialog::showEvent(event);
    if (!event->spontaneous())
        FormActivate();
}

void TFrmSecModi::FormActivate()
{
    SBSec1->setText(IsNew() ? QString::fromUtf8("등록할 비밀번호") : QString::fromUtf8("변경할 비밀번호"));
    SBLogin->setText(IsNew() ? QString::fromUtf8("등록") : QString::fromUtf8("수정"));
    if (!MEdtS->hasFocus() && !MEdtV->hasFocus())
        MEdtS->setFocus();
}


void TFrmSecModi::Refuse()
{
    MEdtS->clear();
    MEdtV->clear();
    MEdtS->setFocus();
}

void TFrmSecModi::SBLoginClick()
{
    const QString password = TrimControls(MEdtS->text());
    const QString again = TrimControls(MEdtV->text());
    if (password.isEmpty() || again.isEmpty())
        return;
    if (password != again) {
        ShowMessage(IsNew() ? QString::fromUtf8("등록할 비밀번호와 재입력한 비밀번호가 일치하지 않습니다.")
                            : QString::fromUtf8("변경할 비밀번호와 재입력한 비밀번호가 일치하지 않습니다."));
        MEdtS->setFocus();
        return;
    }
    if (password.size() < 4) {
        ShowMessage(QString::fromUtf8("비밀번호의 최소 길이는 4자리 이상입니다."));
        Refuse();
        return;
    }
    const PasswordVerdict verdict = CheckPasswordRules(password);
    if (verdict.askLetters) {
        const MessageAnswer a
            = AskMessage({ verdict.message, QStringLiteral("Confirm"), MessageIcon::Question, MessageButtons::YesNo });
        if (a != MessageAnswer::Yes) {
            Refuse();
            return;
        }
    } else if (verdict.refused) {
        ShowMessage(verdict.message);
        Refuse();
        return;
    }

    if (!DM)
        return;
    std::string answer;
    SetCustomerPassword(DM->M_CODE.str(), DM->C_CODE.str(), BuildTag("C_SS", password.toStdString()), answer);
    if (IsSuccess(answer)) {
        DM->C_SS = password;
        done(1);
        return;
    }
    ShowMessage(
        IsNew() ? QString::fromUtf8("비밀번호 등록 오류입니다.") : QString::fromUtf8("비밀번호 수정 오류입니다."));
}

void TFrmSecModi::EnterKey(QWidget* receiver)
{
    if (receiver == MEdtV)
        SBLogin->click();
    else
        MoveFocus(true);
}

} // namespace order
