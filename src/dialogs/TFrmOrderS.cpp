#include "TFrmOrderS.h"

#include "DataModule.h"
#include "Messages.h"
#include "OrderListLogic.h"
#include "ServiceCalls.h"
#include "StringGrid.h"
#include "TagMessage.h"
#include "WindowStyle.h"

#include <QEvent>
#include <QPainter>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>

namespace order {

TFrmOrderS* FrmOrderS = nullptr;

namespace {

    constexpr int kWidth = 738;
    constexpr int kHeight = 552;
    constexpr int kStrip = 5;
    constexpr int kHeader = 22;
    constexpr int kButtonW = 46;
    constexpr int kButtonH = 38;
    constexpr int kStatusHeight = 21;
    constexpr int kRows = 25;
    const int kColWidths[kOrderListColCount] = { 63, 44, 44, 49, 63, 413, 16, 40 };

    QToolButton* Button(QWidget* parent, const char* name, const QString& caption, const QRect& geometry,
        const QColor& color = Qt::black)
    {
        return MakeSpeedButton(parent, name, geometry, caption, QString(), PixelFont("돋움", 12, true), color);
    }

} // namespace

TFrmOrderS::TFrmOrderS(QWidget* parent)
    : TDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint, "FrmOrderS")
{
    KeepIn(FrmOrderS);
    setWindowTitle(QStringLiteral(" 딩동주문 Ⅲ"));
    setFont(PixelFont("돋움", 12, false));
    // FormCreate
    const int width = DialogWidth(kWidth);
    setFixedSize(width, kHeight);
    firstActivate_ = true;

    const int gridWidth = kWidth - kButtonW;
    PnlLG = new QWidget(this);
    PnlLG->setObjectName(QStringLiteral("PnlLG"));
    PnlLG->setGeometry(0, kStrip, gridWidth, kHeader);
    struct Title {
        QToolButton** button;
        const char* name;
        QString caption;
    };
    const Title titles[] = {
        { &SBGN, "SBGN", QStringLiteral("발주일") },
        { &SpeedButton1, "SpeedButton1", QStringLiteral("시간") },
        { &SpeedButton2, "SpeedButton2", QStringLiteral("수정") },
        { &SpeedButton3, "SpeedButton3", QStringLiteral("상태") },
        { &SBLC, "SBLC", QStringLiteral("배송일") },
        { &SpeedButton4, "SpeedButton4", QStringLiteral("전    달    내    용") },
    };
    int x = 1; // inside the grid's frame
    for (int c = 0; c < 6; ++c) {
        // Each title is as wide as its column and the line after it.
        QToolButton* b = Button(PnlLG, titles[c].name, titles[c].caption, QRect(x, 0, kColWidths[c] + 1, kHeader));
        b->setAutoRaise(true);
        *titles[c].button = b;
        x += kColWidths[c] + 1;
    }

    SGG = new TStringGrid(this);
    SGG->setObjectName(QStringLiteral("SGG"));
    SGG->SetColCount(kOrderListColCount);
    SGG->SetRowCount(kRows);
    SGG->SetDefaultRowHeight(19);
    SGG->SetGridLines(true);
    SGG->SetRowSelect(true);
    for (int c = 0; c < kOrderListColCount; ++c)
        SGG->SetColWidth(c, kColWidths[c]);
    SGG->setFont(PixelFont("굴림", 12, false));
    QPalette gridPal = SGG->palette();
    gridPal.setColor(QPalette::Text, Qt::black);
    SGG->setPalette(gridPal);
    SGG->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    SGG->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    SGG->setToolTip(QStringLiteral("선택 [Enter]  or  더블클릭, 검색란 이동 [SpaceBar]"));
    SGG->setFocusPolicy(Qt::StrongFocus);
    const int gridTop = kStrip + kHeader;
    SGG->setGeometry(0, gridTop, gridWidth, kHeight - kStatusHeight - gridTop);
    SGG->OnDrawCell = [this](int col, int row, QPainter& p, const QRect& rect, bool selected, bool focused) {
        SGGDrawCell(col, row, p, rect, selected, focused);
    };
    connect(SGG, &TStringGrid::SelectCell, this, [this] { SGGClick(); });
    connect(SGG, &TStringGrid::Clicked, this, [this] { SGGClick(); });
    connect(SGG, &TStringGrid::DblClicked, this, [this] { SGGDblClick(); });
    WheelSteps({ SGG });

    const int bx = width - kButtonW;
    int by = kStrip;
    auto next = [&by, bx] {
        const QRect r(bx, by, kButtonW, kButtonH);
        by += kButtonH;
        return r;
    };
    SBEsc = Button(this, "SBEsc", QStringLiteral("Esc"), next(), Qt::red);
    SBEsc->setToolTip(QStringLiteral("닫음"));
    SBHome = Button(this, "SBHome", QStringLiteral("Home"), next());
    SBPgUp = Button(this, "SBPgUp", QStringLiteral("PgUp"), next());
    SBPgDn = Button(this, "SBPgDn", QStringLiteral("PgDn"), next());
    SBEnd = Button(this, "SBEnd", QStringLiteral("End"), next());
    SBEnter = Button(this, "SBEnter", QStringLiteral("Enter"), next());
    SBCount = Button(this, "SBCount", QStringLiteral("1"), next(), kTeal);
    connect(SBEsc, &QToolButton::clicked, this, &TDialog::reject);
    SendsKey(SBHome, SGG, Qt::Key_Home);
    SendsKey(SBPgUp, SGG, Qt::Key_PageUp);
    SendsKey(SBPgDn, SGG, Qt::Key_PageDown);
    SendsKey(SBEnd, SGG, Qt::Key_End);
    connect(SBEnter, &QToolButton::clicked, this, [this] { SBEnterClick(); });

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    StatusBar1->setGeometry(0, kHeight - kStatusHeight, width, kStatusHeight);
}

void TFrmOrderS::FormActivate()
{
    if (!firstActivate_)
        return;
    firstActivate_ = false;
    CodeColumn = SGG->ColCount() - 1;
    SpareColumn = SGG->ColCount() - 2;
    LoadList();
}

void TFrmOrderS::LoadList()
{
    std::string answer;
    ListOrders(DM ? DM->M_CODE.str() : std::string(), OrderListRequest(DM ? DM->C_CODE.str() : std::string()), answer);
    if (!IsSuccess(answer)) {
        ShowMessage(QStringLiteral("발주 읽기 오류입니다\r\r인터넷을 확인하시고 다시 시도하십시요."));
        RecordCount = -1;
        Answer.reset();
    } else {
        RecordCount = ::order::RecordCount(answer);
        const long long rows = RowsForRecords(answer);
        if (rows <= 0) {
            Answer.reset();
        } else {
            Answer = std::make_shared<const std::string>(std::move(answer));
            SGG->Model()->FillFromAnswer(Answer, OrderListFields(), static_cast<int>(rows));
            SGG->setFocus(Qt::OtherFocusReason);
        }
    }
    SGG->SetRow(0);
    SGGClick();
}

void TFrmOrderS::SGGClick()
{
    SBCount->setText(QString::number(std::max(SGG->Row(), 0) + 1));
}

void TFrmOrderS::SGGDblClick()
{
    done(1);
}

void TFrmOrderS::SBEnterClick()
{
    done(1);
}







void TFrmOrderS::SGGDrawCell(int col, int row, QPainter& p, const QRect& rect, bool, bool)
{
    const OrderListCell d = OrderListCellDisplay(col, SGG->Cells(col, row));
    if (d.text.isEmpty())
        return;
    if (d.red)
        p.setPen(Qt::red);
    p.drawText(rect.adjusted(d.indent, 4, 0, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, d.text);
}

// Whatever closes the window: OK hands back the current row's order code
// (no code turns it into Cancel); anything else leaves PickedValue empty.
void TFrmOrderS::done(int result)
{
    QString code;
    if (result == 1)
        code = SGG->Cells(CodeColumn, SGG->Row());
    if (code.isEmpty())
        result = 2;
    if (DM)
        DM->PickedValue = result == 1 ? code : QString();
    TDialog::done(result);
}

void TFrmOrderS::EnterKey(QWidget*)
{
    if (focusWidget() == SGG)
        done(1);
}

bool TFrmOrderS::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate && firstActivate_)
        QTimer::singleShot(0, this, [this] { FormActivate(); });
    return TDialog::event(event);
}

void TFrmOrderS::showEvent(QShowEvent* event)
{
    TDialog::showEvent(event);
    // Loaded once the window is up, so that a failure message opens over it;
    // platforms without window activation (offscreen) load here too.
    if (firstActivate_)
        QTimer::singleShot(0, this, [this] { FormActivate(); });
}

void TFrmOrderS::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    p.fillRect(QRect(0, 0, width(), kStrip), kSkyBlue);
}

} // namespace order
