#include "TFrmGoodPS.h"

#include "DataModule.h"
#include "Helpers.h"
#include "Messages.h"
#include "StringGrid.h"
#include "TFrmCnt.h"
#include "WindowStyle.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>

namespace order {

TFrmGoodPS* FrmGoodPS = nullptr;

namespace {

    const QColor kAccent(40, 96, 160);
    constexpr int kWidth = 654;
    constexpr int kHeight = 675;
    constexpr int kFrame = 5;
    constexpr int kTitle = 41;
    constexpr int kBodyTop = kFrame + kTitle;
    constexpr int kClassWidth = 182;
    constexpr int kBar = 40;
    constexpr int kButtonW = 46;
    constexpr int kButtonH = 38;

    const QString kAll = QStringLiteral("모든제품");
    const QString kTradedOnly = QStringLiteral("거래된제품만");



    QToolButton* Button(QWidget* parent, const char* name, const QRect& geometry, const QString& caption,
        const QString& hint, const QColor& color = Qt::black, bool bold = false)
    {
        return MakeSpeedButton(parent, name, geometry, caption, hint,
            bold ? PixelFont("돋움", 13, true) : PixelFont("굴림", 12), color);
    }

    QPixmap TitlePicture(int width)
    {
        QPixmap pm(width, kTitle);
        pm.fill(kAccent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::white);
        p.setFont(PixelFont("돋움", 18, true));
        p.drawText(
            QRect(16, 0, width - 32, kTitle), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("제품 분류 검색"));
        p.setPen(QPen(QColor(255, 255, 255, 90), 1));
        p.drawLine(0, kTitle - 1, width, kTitle - 1);
        return pm;
    }

} // namespace

int ClassCount(const std::array<FixedText<50>, 100>& names, int limit)
{
    int n = 0;
    while (n < limit && n < static_cast<int>(names.size()) && !names[static_cast<std::size_t>(n)].isEmpty())
        ++n;
    return n;
}

QString ClassFilter(const QString& name)
{
    const QString t = Trimmed(name);
    return t == QStringLiteral("미분류") ? QString() : t;
}

std::vector<int> MatchingProducts(
    const TStringGridModel& products, const GoodColumns& cols, const QString& filter, bool onlyTraded)
{
    std::vector<int> rows;
    for (int r = 0; r < products.RowCount(); ++r) {
        if (Trimmed(products.Cell(cols.Class, r)) != filter)
            continue;
        if (onlyTraded && Trimmed(products.Cell(cols.Trade, r)).isEmpty())
            continue;
        rows.push_back(r);
    }
    return rows;
}

int NextTradedRow(const TStringGridModel& grid, int row, bool down, int tradeCol)
{
    const int last = grid.RowCount() - 1;
    if (row < 0 || last < 0 || (down ? row >= last : row <= 0))
        return -1;
    for (int r = down ? row + 1 : row - 1; down ? r <= last : r >= 0; r += down ? 1 : -1)
        if (!Trimmed(grid.Cell(tradeCol, r)).isEmpty())
            return r;
    return down ? last : 0;
}

void MoveGridRow(TStringGridModel& grid, int from, int to)
{
    const int rows = grid.RowCount();
    if (from == to || from < 0 || to < 0 || from >= rows || to >= rows)
        return;
    QStringList moved;
    for (int c = 0; c < grid.ColCount(); ++c)
        moved << grid.Cell(c, from);
    const int step = to > from ? 1 : -1;
    for (int r = from; r != to; r += step)
        for (int c = 0; c < grid.ColCount(); ++c)
            grid.SetCell(c, r, grid.Cell(c, r + step));
    for (int c = 0; c < grid.ColCount(); ++c)
        grid.SetCell(c, to, moved[c]);
}

CellText GoodCellText(int col, const QString& cell, bool priceInColumn3, const GoodColumns& cols)
{
    const QString text = Trimmed(cell);
    CellText t;
    if (col == cols.Name) {
        t.text = text;
        t.indent = 6;
    } else if (col == cols.UnitQty) {
        const Currency v = ToCurrency(text);
        if (!v.IsZero())
            t.text = FormatNumberText("########", v);
        t.rightAligned = true;
    } else if (col == cols.Trade) {
        if (priceInColumn3) {
            const Currency v = ToCurrency(text);
            if (!v.IsZero())
                t.text = FormatNumberText("##,###,##0.##", v);
            t.rightAligned = true;
        } else if (text.size() == 6) {
            t.text = FormatDateCode(text);
        }
    } else if (col == cols.Unit || col == cols.Price || col == cols.Qty || col == cols.Code) {
        t.text = text;
    }
    return t;
}

TFrmGoodPS::TFrmGoodPS(QWidget* parent)
    : TDialog(parent, Qt::Dialog | Qt::FramelessWindowHint, "FrmGoodPS")
{
    KeepIn(FrmGoodPS);
    FillBackground(kSkyBlue);
    setWindowTitle(QStringLiteral(" 누리상점 딩동주문 Ⅲ"));
    setFont(PixelFont("굴림", 12));
    setFixedSize(kWidth, kHeight);

    ImgLeft = new QLabel(this);
    ImgLeft->setObjectName(QStringLiteral("ImgLeft"));
    ImgLeft->setGeometry(kFrame, kFrame, kWidth - 2 * kFrame, kTitle);
    ImgLeft->setPixmap(TitlePicture(kWidth - 2 * kFrame));
    DragBy(ImgLeft);

    auto setupGrid = [this](TStringGrid* g, const char* name, int cols) {
        g->setObjectName(QString::fromLatin1(name));
        g->SetColCount(cols);
        g->SetRowCount(100);
        g->SetDefaultRowHeight(19);
        g->SetGridLines(true);
        g->SetRowSelect(true);
        g->setFont(PixelFont("굴림", 12));
        g->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        g->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        g->setFocusPolicy(Qt::StrongFocus);
    };

    const int bodyHeight = kHeight - kFrame - kBodyTop;
    SGP = new TStringGrid(this);
    setupGrid(SGP, "SGP", 2);
    SGP->setGeometry(kFrame, kBodyTop, kClassWidth, bodyHeight - kBar);
    SGP->SetColWidth(0, 186);
    SGP->SetColWidth(1, 178);
    SGP->OnDrawCell = [this](int col, int row, QPainter& p, const QRect& rect, bool, bool) {
        if (col == 0)
            DrawDialogCell(p, rect, { Trimmed(SGP->Cells(0, row)), false, 6 });
    };

    const int productsX = kFrame + kClassWidth + 2;
    const int rightX = kWidth - kFrame - kButtonW;
    SGG = new TStringGrid(this);
    setupGrid(SGG, "SGG", 20);
    SGG->setGeometry(productsX, kBodyTop, rightX - 2 - productsX, bodyHeight);
    SGG->setToolTip(QStringLiteral("제품선택 [Enter] or [더블클릭] "));
    const int widths[] = { 256, 35, 31, 55, 18, 17, 17, 57, 131 };
    for (int c = 0; c < SGG->ColCount(); ++c)
        SGG->SetColWidth(c, c < 9 ? widths[c] : 40);
    SGG->OnDrawCell = [this](int col, int row, QPainter& p, const QRect& rect, bool, bool) {
        const bool gua = DM && DM->C_GUA.get() == QLatin1String("1");
        DrawDialogCell(p, rect, GoodCellText(col, SGG->Cells(col, row), gua, Columns));
    };
    WheelSteps({ SGP, SGG });

    // Right column
    int y = kBodyTop;
    auto next = [&y](int gap = 2) {
        const QRect r(kWidth - kFrame - kButtonW, y, kButtonW, kButtonH);
        y += kButtonH + gap;
        return r;
    };
    SBEsc = Button(this, "SBEsc", next(8), QStringLiteral("Esc"), QStringLiteral("닫음"), Qt::red, true);
    SBHome = Button(this, "SBHome", next(), QStringLiteral("Home"), QString(), kTeal, true);
    SBPgUp = Button(this, "SBPgUp", next(), QStringLiteral("PgUp"), QString(), kTeal, true);
    SBPgDn = Button(this, "SBPgDn", next(), QStringLiteral("PgDn"), QString(), kTeal, true);
    SBEnd = Button(this, "SBEnd", next(8), QStringLiteral("End"), QString(), kTeal, true);
    SBEnter = Button(this, "SBEnter", next(8), QStringLiteral("Enter"), QString(), Qt::black, true);
    SBCount = Button(this, "SBCount", next(24), QStringLiteral("1"), QString(), kTeal, true);
    SBUP = Button(this, "SBUP", next(), QStringLiteral("이전"),
        QStringLiteral("거래된 제품중에서 위로 이동합니다. 단축키 [Ins] "));
    SBDN = Button(this, "SBDN", next(), QStringLiteral("다음"),
        QStringLiteral("거래된 제품중에서 아래로 이동합니다. 단축키 [Del] "));

    // Under the classifications
    const int barY = kHeight - kFrame - kBar + 6;
    SBPU = Button(this, "SBPU", QRect(kFrame + 2, barY, 46, 28), QStringLiteral("PgUp"), QString(), kTeal, true);
    SBPD = Button(this, "SBPD", QRect(kFrame + 50, barY, 46, 28), QStringLiteral("PgDn"), QString(), kTeal, true);
    SBOnly = Button(this, "SBOnly", QRect(kFrame + 98, barY, kClassWidth - 98, 28), kAll,
        QStringLiteral("모든제품 또는 거래된제품 선택 단축키[SpaceBar]"));

    connect(SBEsc, &QToolButton::clicked, this, &TDialog::reject);
    SendsKey(SBHome, SGG, Qt::Key_Home);
    SendsKey(SBPgUp, SGG, Qt::Key_PageUp);
    SendsKey(SBPgDn, SGG, Qt::Key_PageDown);
    SendsKey(SBEnd, SGG, Qt::Key_End);
    SendsKey(SBPU, SGP, Qt::Key_PageUp);
    SendsKey(SBPD, SGP, Qt::Key_PageDown);
    connect(SBEnter, &QToolButton::clicked, this, &TFrmGoodPS::SBEnterClick);
    connect(SBUP, &QToolButton::clicked, this, &TFrmGoodPS::SBUPClick);
    connect(SBDN, &QToolButton::clicked, this, &TFrmGoodPS::SBDNClick);
    connect(SBOnly, &QToolButton::clicked, this, &TFrmGoodPS::SBOnlyClick);
    connect(SGP, &TStringGrid::SelectCell, this, [this] { FillProducts(); });
    connect(SGP, &TStringGrid::Clicked, this, [this] { FillProducts(); });
    connect(SGG, &TStringGrid::SelectCell, this, [this](int, int row) { SBCount->setText(QString::number(row + 1)); });
    connect(SGG, &TStringGrid::DblClicked, this, &TFrmGoodPS::SGGDblClick);
}

bool TFrmGoodPS::OnlyTradedShown() const
{
    return SBOnly->text() == kAll;
}

void TFrmGoodPS::FormActivate()
{
    if (!firstActivate_)
        return;
    firstActivate_ = false;
    // The caption names what a click switches to.
    SBOnly->setText(OnlyTraded ? kAll : kTradedOnly);
    const int count = ClassCount(ClassNames, ClassLimit);
    if (count == 0)
        return;
    filling_ = true;
    SGP->SetRowCount(count);
    for (int r = 0; r < count; ++r)
        SGP->SetCells(0, r, ClassNames[static_cast<std::size_t>(r)].get());
    SGP->SetRow(0);
    filling_ = false;
    FillProducts();
    SGG->setFocus(Qt::OtherFocusReason);
}

void TFrmGoodPS::FillProducts()
{
    if (filling_ || firstActivate_ || !Products || SGP->Row() < 0)
        return;
    filling_ = true;
    const QString filter = ClassFilter(SGP->Cells(0, SGP->Row()));
    const std::vector<int> rows = MatchingProducts(*Products, Columns, filter, OnlyTradedShown());
    TStringGridModel& grid = *SGG->Model();
    if (rows.empty()) {
        grid.ClearCells();
        SBCount->setText(QStringLiteral("0"));
        filling_ = false;
        return;
    }
    grid.ClearCells();
    SGG->SetRowCount(static_cast<int>(rows.size()));
    const int copied[]
        = { Columns.Code, Columns.Name, Columns.Unit, Columns.UnitQty, Columns.Trade, Columns.Qty, Columns.Price };
    for (std::size_t i = 0; i < rows.size(); ++i)
        for (int c : copied)
            grid.SetCell(c, static_cast<int>(i), Trimmed(Products->Cell(c, rows[i])));
    SGG->SetRow(0);
    SBCount->setText(QString::number(rows.size()));
    filling_ = false;
}

void TFrmGoodPS::SGGDblClick()
{
    ChooseProduct();
}

void TFrmGoodPS::ChooseProduct()
{
    const int row = SGG->Row();
    const QString code = Trimmed(SGG->Cells(Columns.Code, row));
    const QString name = Trimmed(SGG->Cells(Columns.Name, row));
    const QString unit = Trimmed(SGG->Cells(Columns.Unit, row));
    const QString unitQty = Trimmed(SGG->Cells(Columns.UnitQty, row));
    const QString qty = Trimmed(SGG->Cells(Columns.Qty, row));
    const QString price = Trimmed(SGG->Cells(Columns.Price, row));
    if (row < 0 || code.isEmpty() || name.isEmpty()) {
        ShowMessage(QStringLiteral("선택된 제품이 없습니다."));
        return;
    }
    if (!FrmCnt)
        new TFrmCnt(this);
    FrmCnt->Mode = QStringLiteral("ADD");
    FrmCnt->GoodName = name;
    FrmCnt->GoodBox = unit;
    FrmCnt->GoodUnit = unitQty;
    FrmCnt->AddCount = qty.isEmpty() ? QStringLiteral("0") : qty;
    FrmCnt->move(MainOrigin + QPoint(560, 160));
    if (FrmCnt->exec() == 1 && OnAddLine && DM)
        OnAddLine(code, DM->LineName, DM->LineUnit, DM->LineQty, DM->LineNote, price);
    if (FrmGoodPS == this)
        SGG->setFocus(Qt::OtherFocusReason);
}

void TFrmGoodPS::SBOnlyClick()
{
    SBOnly->setText(SBOnly->text() != kAll ? kAll : kTradedOnly);
    FillProducts();
}

void TFrmGoodPS::SBUPClick()
{
    const int r = NextTradedRow(*SGG->Model(), SGG->Row(), false, Columns.Trade);
    if (r >= 0)
        SGG->SetRow(r);
}

void TFrmGoodPS::SBDNClick()
{
    const int r = NextTradedRow(*SGG->Model(), SGG->Row(), true, Columns.Trade);
    if (r >= 0)
        SGG->SetRow(r);
}








void TFrmGoodPS::SBEnterClick()
{
    done(1);
}


bool TFrmGoodPS::FormKeyDown(QWidget* receiver, QKeyEvent* event)
{
    const bool inProducts = focusWidget() == SGG;
    switch (event->key()) {
    case Qt::Key_Insert:
        if (!inProducts)
            return false;
        SBUPClick();
        return true;
    case Qt::Key_Delete:
        if (!inProducts)
            return false;
        SBDNClick();
        return true;
    case Qt::Key_Space:
        SBOnlyClick();
        return true;
    case Qt::Key_F2:
        return true; // the main window's key; nothing here
    default:
        return TDialog::FormKeyDown(receiver, event);
    }
}

void TFrmGoodPS::EnterKey(QWidget*)
{
    if (focusWidget() == SGG)
        ChooseProduct();
}

bool TFrmGoodPS::eventFilter(QObject* watched, QEvent* event)
{
    // A classification is dragged to its new place, not selected on the way.
    const QEvent::Type type = event->type();
    if (watched == SGP->viewport()
        && (type == QEvent::MouseButtonPress || type == QEvent::MouseMove || type == QEvent::MouseButtonRelease)) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        switch (type) {
        case QEvent::MouseButtonPress:
            if (mouse->button() == Qt::LeftButton)
                dragFrom_ = SGP->rowAt(mouse->position().toPoint().y());
            break;
        case QEvent::MouseMove:
            if (dragFrom_ >= 0 && (mouse->buttons() & Qt::LeftButton))
                return true;
            break;
        case QEvent::MouseButtonRelease:
            if (dragFrom_ >= 0) {
                const int from = dragFrom_;
                dragFrom_ = -1;
                const int to = SGP->rowAt(mouse->position().toPoint().y());
                if (to >= 0 && to != from) {
                    MoveGridRow(*SGP->Model(), from, to);
                    SGP->SetRow(to);
                    FillProducts();
                }
            }
            break;
        default:
            break;
        }
    }
    return TDialog::eventFilter(watched, event);
}

void TFrmGoodPS::showEvent(QShowEvent* event)
{
    TDialog::showEvent(event);
    FormActivate();
}

} // namespace order
