#include "TFrmCnt.h"

#include "Artwork.h"
#include "DataModule.h"
#include "Helpers.h"
#include "InputMode.h"
#include "Messages.h"
#include "TCEdit.h"
#include "TImageButton.h"
#include "WindowStyle.h"

#include <QLineEdit>
#include <QPainter>
#include <QValidator>

#include <cmath>

namespace order {

TFrmCnt* FrmCnt = nullptr;

namespace {

    const QColor kLabelPlate(222, 236, 252);
    constexpr int kWidth = 356;
    constexpr int kHeight = 406;
    constexpr int kSide = 10; // frame left, right and bottom
    constexpr int kStrip = 22; // Panel9
    constexpr int kKeyW = 63;
    constexpr int kKeyH = 51;
    constexpr int kKeypadLeft = kSide + (kWidth - 2 * kSide - 4 * kKeyW) / 2;
    constexpr int kKeypadTop = 170;
    // Keypad digits stop before a quantity could no longer be held exactly
    // with its two decimals (a double keeps 15-16 significant digits).
    constexpr double kKeypadLimit = 1e12;

    const char kPrompt[] = "직접 제품명을 입력하십시요";
    const char kNoQuantity[] = "     주문 수량이 없습니다.     \r\r     수량을 입력해 주십시요.";
    const char kNoName[] = "     주문 제품명이 없습니다.     \r\r     제품명 입력해 주십시요.";


    // Latin letters upper-cased as they are typed; everything else (Hangul)
    // stays as it is.
    class UpperLatinValidator : public QValidator {
    public:
        using QValidator::QValidator;
        State validate(QString& input, int&) const override
        {
            for (QChar& c : input)
                if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
                    c = QChar(c.unicode() - 'a' + 'A');
            return Acceptable;
        }
    };

    struct LabelPlate {
        const char* text;
        QRect rect;
    };
    const LabelPlate kLabels[] = {
        { "단위수량", { 16, 62, 70, 24 } },
        { "발주수량", { 16, 92, 70, 26 } },
        { "포장단위", { 192, 92, 66, 26 } },
        { "전달비고", { 16, 124, 70, 24 } },
    };

} // namespace

QString QuantityText(double value)
{
    return DecimalText(value, 4);
}

TFrmCnt::TFrmCnt(QWidget* parent)
    : TDialog(parent, Qt::Dialog | Qt::FramelessWindowHint, "FrmCnt")
{
    KeepIn(FrmCnt);
    FillBackground(kSkyBlue);
    ArrowKeysMoveFocus();
    setWindowTitle(QString::fromUtf8(" 발주수량 입력창"));
    setFont(PixelFont("굴림", 12, false));
    const int width = DialogWidth(kWidth);
    setFixedSize(width, kHeight);

    Panel9 = new QWidget(this);
    Panel9->setObjectName(QStringLiteral("Panel9"));
    Panel9->setGeometry(0, 0, width, kStrip);
    DragBy(Panel9);

    auto* upper = new UpperLatinValidator(this);
    auto makeEdit = [this, upper](const char* name, QRect geometry, int maxLength, QFont font) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        e->setGeometry(geometry);
        e->setMaxLength(maxLength);
        e->setFont(font);
        e->setValidator(upper);
        return e;
    };
    EdtGN = makeEdit("EdtGN", { 16, 30, 324, 26 }, 50, PixelFont("돋움", 15, false));
    EdtGU = makeEdit("EdtGU", { 90, 62, 60, 24 }, 6, PixelFont("굴림", 15, true));
    EdtGU->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    EdtGU->setReadOnly(true);
    EdtGU->setFocusPolicy(Qt::NoFocus);
    EdtGU->setText(QStringLiteral("1"));

    CEdtCnt = new TCEdit(this);
    CEdtCnt->setObjectName(QStringLiteral("CEdtCnt"));
    CEdtCnt->setGeometry(90, 92, 96, 26);
    CEdtCnt->setFont(PixelFont("굴림", 15, true));
    CEdtCnt->SetCurrencyPoint(true);
    CEdtCnt->SetCurrencyNegative(true);
    CEdtCnt->SetCurrencySetdigit(2);
    CEdtCnt->SetCurrencySign(false);
    CEdtCnt->SetMaxLength(4);
    CEdtCnt->setFrame(false);

    EdtGB = makeEdit("EdtGB", { 262, 92, 78, 26 }, 6, PixelFont("굴림", 15, true));
    EdtGB->setText(QStringLiteral("1"));
    EdtNote = makeEdit("EdtNote", { 90, 124, 250, 24 }, 20, PixelFont("굴림", 13, true));
    for (QLineEdit* e : { EdtGN, EdtGB, EdtNote })
        SetInputMode(e, InputMode::Hangul);
    SetInputMode(CEdtCnt, InputMode::Number);

    // Name and packing unit are shown, not typed, except in "NEW".
    for (QLineEdit* e : { EdtGN, EdtGB }) {
        e->setReadOnly(true);
        e->setFocusPolicy(Qt::ClickFocus);
    }
    setTabOrder(EdtGN, EdtGB);
    setTabOrder(EdtGB, CEdtCnt);
    setTabOrder(CEdtCnt, EdtNote);

    auto makeKey = [this](const char* name, const QString& caption, int col, int row, int rows) {
        auto* b = new TImageButton(this);
        b->setObjectName(QString::fromLatin1(name));
        b->SetPictureAlign(paBottom);
        b->SetPictureCount(4);
        b->SetTransparentColor(ArtTransparentColor());
        b->SetPicture(KeypadStrip(caption, kKeyH * rows));
        b->move(kKeypadLeft + col * kKeyW, kKeypadTop + row * kKeyH);
        b->setCursor(Qt::PointingHandCursor);
        return b;
    };
    for (int d = 1; d <= 9; ++d) {
        const QByteArray name = "SB" + QByteArray::number(d);
        SB[d] = makeKey(name.constData(), QString::number(d), (d - 1) % 3, (d - 1) / 3, 1);
    }
    SBP = makeKey("SBP", QStringLiteral("."), 0, 3, 1);
    SB[0] = makeKey("SB0", QStringLiteral("0"), 1, 3, 1);
    SBDel = makeKey("SBDel", QStringLiteral("Del"), 2, 3, 1);
    SBOK = makeKey("SBOK", QStringLiteral("O K"), 3, 0, 3);
    SBEsc = makeKey("SBEsc", QString::fromUtf8("취 소"), 3, 3, 1);
    for (int d = 0; d <= 9; ++d)
        connect(SB[d], &TImageButton::Click, this, [this, d] { DigitClick(d); });
    connect(SBP, &TImageButton::Click, this, &TFrmCnt::SBPClick);
    connect(SBDel, &TImageButton::Click, this, &TFrmCnt::SBDelClick);
    connect(SBOK, &TImageButton::Click, this, &TFrmCnt::SBOKClick);
    connect(SBEsc, &TImageButton::Click, this, &TDialog::reject);
}

void TFrmCnt::SetQuantityText(const QString& text)
{
    // Empty or unreadable starting quantities count as 0.
    CEdtCnt->SetValueText(PlainNumber(ToCurrency(text)));
}

void TFrmCnt::FormActivate()
{
    if (!firstActivate_)
        return;
    firstActivate_ = false;
    if (IsAdd()) {
        EdtGN->setText(GoodName);
        EdtGB->setText(GoodBox);
        EdtGU->setText(GoodUnit == QLatin1String("0") ? QString() : GoodUnit);
        EdtNote->clear();
        SetQuantityText(AddCount);
    } else if (IsNew()) {
        for (QLineEdit* e : { EdtGN, EdtGB }) {
            e->setReadOnly(false);
            e->setFocusPolicy(Qt::StrongFocus);
        }
        EdtGN->setText(QString::fromUtf8(kPrompt));
        CEdtCnt->SetValue(0);
        EdtNote->clear();
        EdtGN->setFocus(Qt::OtherFocusReason);
        EdtGN->selectAll();
        return;
    } else {
        EdtGN->setText(GoodName);
        EdtGB->setText(GoodBox);
        EdtNote->setText(Note);
        // The opener knows no unit quantity here ("0"): shown empty rather
        // than as a made-up 1.
        EdtGU->setText(GoodUnit.isEmpty() || GoodUnit == QLatin1String("0") ? QString() : GoodUnit);
        SetQuantityText(ModiCount);
    }
    CEdtCnt->setFocus(Qt::OtherFocusReason);
    CEdtCnt->selectAll();
}

void TFrmCnt::DigitClick(int digit)
{
    const double current = firstDigit_ ? 0.0 : CEdtCnt->Value();
    firstDigit_ = false;
    const double next = current * 10 + (current < 0 ? -digit : digit);
    if (std::fabs(next) >= kKeypadLimit)
        return;
    CEdtCnt->SetValue(next);
}

void TFrmCnt::SBDelClick()
{
    CEdtCnt->SetValue(0);
}

void TFrmCnt::TakeLine()
{
    if (!DM)
        return;
    DM->LineName = TrimLeft(TrimRight(EdtGN->text()));
    DM->LineUnit = TrimLeft(TrimRight(EdtGB->text()));
    DM->LineQty = QuantityText(CEdtCnt->Value());
    DM->LineNote = TrimRight(EdtNote->text());
}

void TFrmCnt::SBOKClick()
{
    if (CEdtCnt->Value() == 0) {
        ShowMessage(QString::fromUtf8(kNoQuantity));
        return;
    }
    if (!DM)
        return;
    DM->LineName = TrimLeft(TrimRight(EdtGN->text()));
    if (DM->LineName.isEmpty()) {
        ShowMessage(QString::fromUtf8(kNoName));
        return;
    }
    TakeLine();
    // Without an opener to take direct lines, "NEW" hands its line back
    // like the other modes, so that it is never dropped.
    if (!IsNew() || !OnAddDirectLine) {
        done(1);
        return;
    }
    OnAddDirectLine(DM->LineName, DM->LineUnit, DM->LineQty, DM->LineNote);
    if (FrmCnt != this)
        return;
    EdtGN->setFocus(Qt::OtherFocusReason);
    for (QLineEdit* e : { EdtGN, EdtGB, EdtGU, EdtNote })
        e->clear();
    CEdtCnt->SetValue(0);
    DM->LineName.clear();
    DM->LineUnit.clear();
    DM->LineQty.clear();
    DM->LineNote.clear();
}


// Whatever closes the window: OK takes the line from the fields once more
// (an empty name turns it into Cancel); anything else leaves the exchange
// fields empty.
void TFrmCnt::done(int result)
{
    if (result == 1) {
        TakeLine();
        if (!DM || DM->LineName.isEmpty())
            result = 2;
    }
    if (result != 1) {
        result = 2;
        if (DM) {
            DM->LineName.clear();
            DM->LineUnit.clear();
            DM->LineQty.clear();
            DM->LineNote.clear();
        }
    }
    TDialog::done(result);
}

// A field reached by key has its whole text selected, so that the first
// keystroke replaces a design text such as the packing unit's "1".
void TFrmCnt::MoveFocus(bool next)
{
    focusNextPrevChild(next);
    if (auto* edit = qobject_cast<QLineEdit*>(focusWidget()); edit && edit != CEdtCnt && !edit->isReadOnly())
        edit->selectAll();
}

void TFrmCnt::EnterKey(QWidget*)
{
    QWidget* f = focusWidget();
    if (f == CEdtCnt || f == EdtNote)
        SBOKClick();
    else
        MoveFocus(true);
}

void TFrmCnt::showEvent(QShowEvent* event)
{
    TDialog::showEvent(event);
    FormActivate();
}

void TFrmCnt::paintEvent(QPaintEvent* event)
{
    TDialog::paintEvent(event);
    QPainter p(this);
    p.fillRect(QRect(kSide, kStrip, width() - 2 * kSide, height() - kStrip - kSide), Qt::white);
    p.setFont(PixelFont("굴림", 12, true));
    p.setPen(Qt::white);
    p.drawText(QRect(6, 0, width() - 12, kStrip), Qt::AlignLeft | Qt::AlignVCenter, windowTitle());
    p.setRenderHint(QPainter::Antialiasing);
    for (const LabelPlate& l : kLabels) {
        p.setPen(QColor(120, 160, 210));
        p.setBrush(kLabelPlate);
        p.drawRoundedRect(QRectF(l.rect).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
        p.setPen(QColor(20, 40, 90));
        p.drawText(l.rect, Qt::AlignCenter, QString::fromUtf8(l.text));
    }
}

} // namespace order
