#include "TFrmHelp.h"

#include "Artwork.h"
#include "DataModule.h"
#include "TImageButton.h"
#include "WindowStyle.h"

#include <QLabel>
#include <QPlainTextEdit>

namespace order {

TFrmHelp* FrmHelp = nullptr;

namespace {

    constexpr int kWidth = 473;
    constexpr int kHeight = 418;
    constexpr int kFrame = 5;
    constexpr int kHeader = 63;


    QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, const QFont& font, const QColor& color)
    {
        auto* l = new QLabel(text, parent);
        l->setObjectName(QString::fromLatin1(name));
        l->setFont(font);
        l->setTextFormat(Qt::PlainText);
        QPalette pal = l->palette();
        pal.setColor(QPalette::WindowText, color);
        l->setPalette(pal);
        l->adjustSize();
        return l;
    }

} // namespace

QStringList HelpLines()
{
    // Line number (1-based) and text; every other line of the 65 is empty.
    static const struct {
        int line;
        const char* text;
    } kLines[] = {
        { 2, " 1. 왼쪽 목록은 주문을 선택한 제품의 목록이고 (장바구니)" },
        { 4, "  오른쪽 목록은 주문처와 한번이라도 거래된 제품의 목록입니다." },
        { 7, " 2. 오른쪽 목록에서 주문할 제품으로 파란색 선택라인을 옮긴후 " },
        { 9, "  [Enter] 또는 [더블클릭]으로 제품을 선택하면 수량 입력창이 나타납니다" },
        { 11, "  여기에 수량을 입력하면 왼쪽 목록(장바구니)에 표시 됩니다." },
        { 14, " 3. 제품 검색란에 검색어 입력후 [Enter]중간단어 포함 검색, [F11] 앞단어 검색" },
        { 17, " 4. 오른쪽 목록의 [모든제품]을 클릭하시면 주문처의 모든 제품 목록이 나타나고" },
        { 19, "  [F1] 키를 누를때마다 제품 목록이 바뀝니다." },
        { 21, "  [F2] 또는 [SpaceBar] 키를 누르시면 제품 검색란으로 이동합니다." },
        { 23, " " },
        { 24, " 5. 주문을 선택한 제품의 수량을 변경하고자 할 경우 왼쪽 목록에서 " },
        { 26, "  제품을 [Enter] 또는 [더블클릭]으로 선택하면 수량 변경창이 나타납니다." },
        { 28, "  목록에서 삭제를 원할 경우 [F4] 또는 [Delete] 키를 누르시면 됩니다." },
        { 31, " 6. [작성중]을 클릭하시여 [주문전송] 하시면 " },
        { 32, " " },
        { 33, "  거래처에서는 볼수가 없습니다" },
        { 35, "  추가나 수정을 위해서 체크하시여 [주문전송]하시고 마지막에 체크를 없에고" },
        { 37, "  [주문전송]하시면 그때 정상 접수가 됩니다." },
        { 40, " 7. 보다 빠른 주문 작성을 위해서 [샘플등록]이 있습니다." },
        { 42, "  작성하고 전송한 내역을 샘플등록 한후 [샘플열기]로 선택하여" },
        { 44, "  제품의 수량수정, 추가,삭제를 하여 신규 주문으로 전송할수 있습니다." },
        { 46, "  샘플을 등록하지 않았더라도 [주문열기]를 하여 주문내역을 선택한후" },
        { 48, "  [내용복사]를 클릭하시여 수정,추가,삭제를 한후 " },
        { 50, "  신규 주문으로 전송할수 있습니다." },
        { 53, " 8. 제품을 어디에서도 찾을수 없을때 [직접입력]을 클릭하시여" },
        { 54, " " },
        { 55, "  제품명을 직접 입력하셔도 됩니다." },
        { 58, " 9. 특별한 배송일을 꼭 원하지않을 경우 배송일은 입력하시지 않아도되며" },
        { 60, "  [배송일]을 클릭하시면 달력이 표시됩니다." },
        { 63, " 10. [등록삭제]를 클릭하시면 거래된 제품 목록에서 삭제되고" },
        { 65, "  [거래일순]을 클릭하시면 제품 목록의 정렬순위가 거래일로 바뀝니다." },
    };
    QStringList lines;
    for (int i = 0; i < 65; ++i)
        lines << QString();
    for (const auto& l : kLines)
        lines[l.line - 1] = QString::fromUtf8(l.text);
    return lines;
}

TFrmHelp::TFrmHelp(QWidget* parent)
    : TDialog(parent, Qt::Dialog | Qt::FramelessWindowHint, "FrmHelp")
{
    KeepIn(FrmHelp);
    FillBackground(kSkyBlue);
    setFont(GulimFont(12));
    const int width = DialogWidth(kWidth);
    setFixedSize(width, kHeight);
    const int inner = width - 2 * kFrame;

    Panel6 = new QWidget(this);
    Panel6->setObjectName(QStringLiteral("Panel6"));
    Panel6->setGeometry(kFrame, kFrame, inner, kHeader);
    Panel6->setAutoFillBackground(true);
    QPalette pal = Panel6->palette();
    pal.setColor(QPalette::Window, Qt::white);
    Panel6->setPalette(pal);
    DragBy(Panel6);
    DragByFrame();

    Label1 = MakeLabel(Panel6, "Label1", QStringLiteral("마루웍스"), GulimFont(13, true), kTeal);
    Label1->move(10, 9);
    Label3 = MakeLabel(Panel6, "Label3", QStringLiteral("Ver 6.02"), GulimFont(12), Qt::black);
    Label3->move(Label1->geometry().right() + 10, 10);
    Label2 = MakeLabel(Panel6, "Label2", QStringLiteral("누리상점 온라인 발주시스템에 오신것을 환영합니다."),
        GulimFont(13, true), kTeal);
    Label2->move(10, 36);

    ImgBtnEsc = new TImageButton(Panel6);
    ImgBtnEsc->setObjectName(QStringLiteral("ImgBtnEsc"));
    ImgBtnEsc->SetPictureAlign(paBottom);
    ImgBtnEsc->SetPictureCount(4);
    ImgBtnEsc->SetTransparentColor(ArtTransparentColor());
    ImgBtnEsc->SetPicture(CloseButtonStrip());
    ImgBtnEsc->setCursor(Qt::PointingHandCursor);
    ImgBtnEsc->move(inner - 41 - 6, (kHeader - 42) / 2);
    connect(ImgBtnEsc, &TImageButton::Click, this, &TDialog::reject);

    Mm = new QPlainTextEdit(this);
    Mm->setObjectName(QStringLiteral("Mm"));
    Mm->setGeometry(kFrame, kFrame + kHeader, inner, kHeight - 2 * kFrame - kHeader);
    Mm->setFont(GulimFont(12));
    Mm->setReadOnly(true);
    Mm->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    Mm->setLineWrapMode(QPlainTextEdit::NoWrap);
    Mm->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Mm->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    Mm->setPlainText(HelpLines().join(QLatin1Char('\n')));
    Mm->setFocus(Qt::OtherFocusReason);
}


} // namespace order
