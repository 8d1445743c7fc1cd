#include "TFrmSecS.h"

#include "Artwork.h"
#include "DataModule.h"
#include "Helpers.h"
#include "IniFile.h"
#include "InputMode.h"
#include "Messages.h"
#include "ServiceCalls.h"
#include "TFrmSecModi.h"
#include "TImageButton.h"
#include "TagMessage.h"
#include "WindowStyle.h"

#include <QApplication>
#include <QFileInfo>
#include <QFrame>
#include <QShowEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QScreen>
#include <QWindow>

namespace order {

TFrmSecS* FrmSecS = nullptr;

namespace {



    QString Field(const std::string& record, const char* name)
    {
        return QString::fromStdString(ExtractTag(name, record));
    }

} // namespace

QValidator::State UpperCaseValidator::validate(QString& input, int&) const
{
    input = input.toUpper();
    return Acceptable;
}

int HashEchoStyle::styleHint(
    StyleHint hint, const QStyleOption* option, const QWidget* widget, QStyleHintReturn* returnData) const
{
    if (hint == SH_LineEdit_PasswordCharacter)
        return '#';
    if (hint == SH_LineEdit_PasswordMaskDelay)
        return 0;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}

void UseHashEcho(QLineEdit* edit)
{
    auto* style = new HashEchoStyle();
    style->setParent(edit);
    edit->setStyle(style);
    edit->setEchoMode(QLineEdit::Password);
    SetInputMode(edit, InputMode::Alphanumeric);
}

QString TrimControls(const QString& s)
{
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && s.at(b).unicode() <= 0x20)
        ++b;
    while (e > b && s.at(e - 1).unicode() <= 0x20)
        --e;
    return s.mid(b, e - b);
}

QString NormaliseId(const QString& typed)
{
    QString id = typed;
    id.remove(QLatin1Char('-'));
    return Trimmed(id);
}

TFrmSecS::TFrmSecS(QWidget* parent)
    : TDialog(parent, Qt::Dialog | Qt::FramelessWindowHint, "FrmSecS")
{
    KeepIn(FrmSecS);
    ArrowKeysMoveFocus();
    setFixedSize(656, 226);
    setFont(GulimFont(12, false));

    ImgL = new QLabel(this);
    ImgL->setObjectName(QStringLiteral("ImgL"));
    ImgL->setGeometry(5, 5, 366, 216);
    ImgL->setPixmap(QPixmap::fromImage(LoginLeftPicture()));
    ImgR = new QLabel(this);
    ImgR->setObjectName(QStringLiteral("ImgR"));
    ImgR->setGeometry(376, 5, 275, 216);
    ImgR->setPixmap(QPixmap::fromImage(LoginRightPicture()));
    DragBy(ImgL);
    DragBy(ImgR);

    MakeFrameBars(this, 1,
        { { 0, 0, 656, 5 }, { 0, 221, 656, 5 }, { 0, 0, 5, 226 }, { 651, 0, 5, 226 }, { 371, 5, 5, 216 },
            { 376, 159, 304, 5 } });

    auto makeEdit = [this](const char* name, QRect geometry, int fontPx, int maxLength) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        e->setGeometry(geometry);
        e->setFrame(false);
        e->setFont(GulimFont(fontPx, true));
        e->setMaxLength(maxLength);
        e->setValidator(new UpperCaseValidator(e));
        e->setTextMargins(0, 0, 0, 0);
        e->setContentsMargins(0, 0, 0, 0);
        return e;
    };
    EdtMID = makeEdit("EdtMID", { 513, 29, 114, 15 }, 15, 13);
    EdtCID = makeEdit("EdtCID", { 513, 76, 114, 15 }, 15, 13);
    MEdtS = makeEdit("MEdtS", { 513, 123, 114, 14 }, 13, 11);
    UseHashEcho(MEdtS);
    SetInputMode(EdtMID, InputMode::Hangul);
    SetInputMode(EdtCID, InputMode::Hangul);
    setTabOrder(EdtMID, EdtCID);
    setTabOrder(EdtCID, MEdtS);

    auto makeButton = [this](const char* name, const QString& caption, QPoint at) {
        auto* b = new TImageButton(this);
        b->setObjectName(QString::fromLatin1(name));
        b->SetPictureAlign(paBottom);
        b->SetPictureCount(4);
        b->SetTransparentColor(ArtTransparentColor());
        b->SetPicture(LoginButtonStrip(caption));
        b->move(at);
        b->setCursor(Qt::PointingHandCursor);
        return b;
    };
    SBEsc = makeButton("SBEsc", QString::fromUtf8("취 소"), { 408, 177 });
    SBLogin = makeButton("SBLogin", QString::fromUtf8("로 그 인"), { 518, 177 });
    connect(SBEsc, &TImageButton::Click, this, &TDialog::reject);
    connect(SBLogin, &TImageButton::Click, this, &TFrmSecS::SBLoginClick);
}

void TFrmSecS::showEvent(QShowEvent* event)
{
    TDialog::showEvent(event);
    if (event->spontaneous())
        return;
    // Centred over the main window, or on the screen while there is none yet.
    QRect area;
    if (QWidget* p = parentWidget(); p && p->isVisible())
        area = p->window()->frameGeometry();
    else if (QScreen* s = screen())
        area = s->availableGeometry();
    if (!area.isEmpty())
        move(area.center() - QPoint(width() / 2, height() / 2));
    FormActivate();
}

void TFrmSecS::FormActivate()
{
    if (!DM)
        return;
    EdtMID->setText(DM->M_ID);
    EdtCID->setText(DM->C_ID);
    if (!EdtMID->text().isEmpty())
        MEdtS->setFocus();
    else
        EdtMID->setFocus();
}

void TFrmSecS::Message(const QString& text)
{
    ShowMessage(text);
    // The message box gave the focus back to this window.
    FormActivate();
}

void TFrmSecS::ShowReadError(const std::string& answer)
{
    Message(QString::fromUtf8("읽기 오류입니다\r\r") + QString::fromStdString(answer) + QStringLiteral("\r\r")
        + QString::fromUtf8("인터넷 사용가능 여부를 확인하십시요."));
}


void TFrmSecS::SBLoginClick()
{
    if (!DM)
        return;
    if (!MemberStep(NormaliseId(EdtMID->text())))
        return;
    if (CustomerStep(NormaliseId(EdtCID->text()))) {
        const QString path = DM->UserIniPath();
        if (QFileInfo::exists(path)) {
            IniFile ini(path.toStdString());
            ini.Load();
            ini.WriteString("MASTER", "ID", EdtMID->text().toStdString());
            ini.WriteString("CUSTOMER", "ID", EdtCID->text().toStdString());
            ini.Save();
        }
        done(1);
        return;
    }
    Message(QString::fromUtf8("확인되지 않은 주문자 아이디입니다.\r\r아이디를 확인하십시요."));
}

bool TFrmSecS::MemberStep(const QString& memberId)
{
    std::string answer;
    LookupMember(BuildTag("SAME_FIELD", "M_ID") + BuildTag("SAME_KEY", memberId.toStdString()), answer);
    if (!IsSuccess(answer)) {
        ShowReadError(answer);
        return false;
    }
    if (RecordCount(answer) == 0) {
        Message(QString::fromUtf8("등록된 거래처 아이디가 아닙니다.\r\r아이디를 확인하십시요."));
        return false;
    }
    const std::string record = ExtractTag(RecordName(0), answer);
    DM->M_CODE = Field(record, "M_CODE");
    DM->M_MGU = Field(record, "M_MGU");
    DM->M_DBTYPE = Field(record, "M_DBTYPE");
    DM->M_NAME = Field(record, "M_NAME");
    DM->M_ID = memberId;
    const QString mgu = DM->M_MGU;
    if (mgu == QLatin1String("0") || mgu == QLatin1String("1"))
        return true;
    Message(QString::fromUtf8("주문을 받을수 없는 거래처 아이디입니다.\r\r아이디를 확인하십시요."));
    return false;
}

bool TFrmSecS::CustomerStep(const QString& customerId)
{
    const QString dbType = DM->M_DBTYPE;
    if (dbType != QLatin1String("0") && dbType != QLatin1String("1")) {
        Message(QString::fromUtf8("주문을 받을수 없는 거래처 아이디입니다.\r\r아이디를 확인하십시요."));
        return false;
    }
    std::string answer;
    LookupCustomer(
        DM->M_CODE.str(), BuildTag("SAME_FIELD", "C_ID") + BuildTag("SAME_KEY", customerId.toStdString()), answer);
    if (!IsSuccess(answer)) {
        ShowReadError(answer);
        return false;
    }
    if (RecordCount(answer) == 0) {
        Message(QString::fromUtf8(
            "등록된 주문자 아이디가 아닙니다.\r\r아이디를 확인하십시요.\r\r아니면 등록을 요청하십시요."));
        return false;
    }
    const std::string record = ExtractTag(RecordName(0), answer);
    DM->C_ID = customerId;
    DM->C_CODE = Field(record, "C_CODE");
    DM->C_NAME = Field(record, "C_NAME");
    DM->C_SS = Field(record, "C_SS");
    DM->C_GUA = Field(record, "C_GUA");
    DM->C_GUB = Field(record, "C_GUB");
    DM->C_GUC = Field(record, "C_GUC");
    DM->C_MSG = Field(record, "C_MSG");
    DM->C_NC = Field(record, "C_NC");
    DM->C_MGU = Trimmed(Field(record, "C_MGU"));
    if (DM->C_MGU.isEmpty() || DM->C_MGU == QLatin1String("1"))
        DM->C_MGU = QStringLiteral("A");

    if (MEdtS->text() != DM->C_SS.get()) {
        Message(QString::fromUtf8("주문자 비밀번호가 틀립니다."));
        MEdtS->clear();
        return false;
    }
    if (!DM->C_SS.isEmpty())
        return true;

    Message(DM->C_NAME.get() + QString::fromUtf8("  주문자님") + QStringLiteral("\r\r") + QString::fromUtf8("딩동주문")
        + QStringLiteral("\r\r") + QString::fromUtf8("주문시스템에 오신것을 환영합니다.") + QStringLiteral("\r\r")
        + QString::fromUtf8("다음 화면에서") + QStringLiteral("\r\r")
        + QString::fromUtf8("사용할 비밀번호를 먼저 등록해주십시요."));
    if (!FrmSecModi)
        new TFrmSecModi(this);
    TFrmSecModi* modi = FrmSecModi;
    modi->move(pos() + QPoint(80, 20));
    modi->Mode = QStringLiteral("NEW");
    const int result = modi->exec(); // deletes itself on close
    FormActivate();
    return result == 1;
}

void TFrmSecS::EnterKey(QWidget* receiver)
{
    if (receiver == MEdtS)
        SBLoginClick();
    else
        MoveFocus(true);
}

} // namespace order
