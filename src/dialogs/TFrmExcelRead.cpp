#include "TFrmExcelRead.h"

#include "DataModule.h"
#include "Helpers.h"
#include "Messages.h"
#include "StringGrid.h"
#include "TFrmCnt.h"
#include "WindowStyle.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QToolButton>

namespace order {

TFrmExcelRead* FrmExcelRead = nullptr;

namespace {

    constexpr int kWidth = 754;
    constexpr int kHeight = 675;
    constexpr int kFrame = 5;
    constexpr int kStrip = 4;
    constexpr int kTitle = 19;
    constexpr int kLabel = 22;
    constexpr int kHeads = 22;
    constexpr int kButtonW = 56;
    constexpr int kButtonH = 36;
    constexpr int kColWidths[kPasteCols] = { 23, 239, 70, 65, 161, 109, 55, 70, 70, 70 };

    const QString kTooMany = QStringLiteral("엑셀에서 [복사하기]한\r\r자료가 너무 많습니다.\r\r최대 99 제품라인");



    QToolButton* Button(QWidget* parent, const char* name, const QRect& geometry, const QString& caption,
        const QString& hint, const QColor& color = Qt::black, bool bold = false)
    {
        return MakeSpeedButton(parent, name, geometry, caption, hint,
            bold ? PixelFont("돋움", 13, true) : PixelFont("굴림", 12), color);
    }

    void CopyRow(TStringGridModel& grid, int to, int from)
    {
        for (int c = 0; c < grid.ColCount(); ++c)
            grid.SetCell(c, to, grid.Cell(c, from));
    }

    void EmptyRow(TStringGridModel& grid, int row)
    {
        for (int c = 0; c < grid.ColCount(); ++c)
            grid.SetCell(c, row, QString());
    }

} // namespace

QList<QStringList> PasteLines(const QString& text)
{
    QList<QStringList> lines;
    qsizetype start = 0;
    for (;;) {
        const qsizetype lf = text.indexOf(QLatin1Char('\n'), start);
        if (lf < 0)
            break;
        // Only a carriage return is line end; on clipboards with bare line
        // feeds the character before it is the last of the data.
        qsizetype end = lf;
        if (end > start && text.at(end - 1) == QLatin1Char('\r'))
            --end;
        // Every field, the last one too, ends with a tab.
        QStringList fields = (text.mid(start, end - start) + QLatin1Char('\t')).split(QLatin1Char('\t'));
        fields.removeLast();
        lines << fields;
        start = lf + 1;
    }
    return lines;
}

PasteResult PasteText(TStringGridModel& grid, const QString& text)
{
    if (text.isEmpty())
        return PasteResult::Empty;
    const QList<QStringList> lines = PasteLines(text);
    if (lines.size() > grid.RowCount())
        return PasteResult::TooMany;
    for (int i = 0; i < lines.size(); ++i) {
        const QStringList& fields = lines[i];
        // A shorter line over a longer row empties the cells past its last
        // field: a new name must not take the old row's unit and note.
        for (int col = 1; col < grid.ColCount(); ++col) {
            const int j = col - 1;
            if (j >= fields.size())
                grid.SetCell(col, i, QString());
            else
                grid.SetCell(col, i, col == PasteColumns::Qty ? PlainNumber(ParseAmount(fields[j])) : fields[j]);
        }
    }
    RenumberPaste(grid);
    return PasteResult::Pasted;
}

bool PasteRowUsed(const TStringGridModel& grid, int row)
{
    return !Trimmed(grid.Cell(PasteColumns::Name, row)).isEmpty();
}

void RenumberPaste(TStringGridModel& grid)
{
    for (int r = 0; r < grid.RowCount() && PasteRowUsed(grid, r); ++r)
        grid.SetCell(PasteColumns::Number, r, FormatNumberText("00", Currency::FromInt(r + 1)));
}

InsertResult InsertPasteRow(TStringGridModel& grid, int row)
{
    const int last = grid.RowCount() - 1;
    if (row < 0 || row > last || !PasteRowUsed(grid, row))
        return InsertResult::Nothing;
    if (PasteRowUsed(grid, last))
        return InsertResult::Full;
    for (int r = last; r > row; --r)
        CopyRow(grid, r, r - 1);
    EmptyRow(grid, row);
    RenumberPaste(grid);
    return InsertResult::Inserted;
}

void DeletePasteRow(TStringGridModel& grid, int row)
{
    const int last = grid.RowCount() - 1;
    if (row < 0 || row > last)
        return;
    for (int r = row; r < last; ++r)
        CopyRow(grid, r, r + 1);
    EmptyRow(grid, last);
    RenumberPaste(grid);
}

std::vector<PastedRow> PastedRows(const TStringGridModel& grid)
{
    std::vector<PastedRow> rows;
    for (int r = 0; r < grid.RowCount(); ++r) {
        if (!PasteRowUsed(grid, r))
            continue;
        rows.push_back({ grid.Cell(PasteColumns::Name, r), grid.Cell(PasteColumns::Qty, r),
            grid.Cell(PasteColumns::Unit, r), grid.Cell(PasteColumns::Note, r), grid.Cell(PasteColumns::Barcode, r) });
    }
    return rows;
}

CellText PasteCellText(int col, const QString& cell)
{
    CellText t;
    t.text = Trimmed(cell);
    switch (col) {
    case PasteColumns::Name:
    case PasteColumns::Unit:
    case PasteColumns::Note:
        t.indent = 8;
        break;
    case PasteColumns::Qty:
        if (!t.text.isEmpty())
            t.text = FormatNumberText("##,###,##0.##", ToCurrency(t.text));
        t.rightAligned = true;
        break;
    default:
        break;
    }
    return t;
}

TFrmExcelRead::TFrmExcelRead(QWidget* parent)
    : TDialog(parent, Qt::Dialog | Qt::FramelessWindowHint, "FrmExcelRead")
{
    KeepIn(FrmExcelRead);
    FillBackground(kSkyBlue);
    setWindowTitle(QStringLiteral(" Excel 제품 자료 일괄등록"));
    setFont(PixelFont("굴림", 12));
    setFixedSize(kWidth, kHeight);

    Panel4 = new QWidget(this);
    Panel4->setObjectName(QStringLiteral("Panel4"));
    Panel4->setGeometry(0, 0, kWidth, kStrip + kTitle);
    DragBy(Panel4);

    const int inner = kWidth - 2 * kFrame;
    const int gridX = kFrame;
    const int gridWidth = inner - kButtonW - 4;
    auto label = [this](const char* name, const QString& text, int y) {
        auto* l = new QLabel(text, this);
        l->setObjectName(QString::fromLatin1(name));
        l->setGeometry(kFrame, y, kWidth - 2 * kFrame, kLabel);
        l->setFont(PixelFont("굴림", 12, true));
        l->setIndent(8);
        l->setAutoFillBackground(true);
        QPalette pal = l->palette();
        pal.setColor(QPalette::Window, Qt::white);
        pal.setColor(QPalette::WindowText, QColor(0, 0, 128));
        l->setPalette(pal);
        return l;
    };
    const int labelTop = kStrip + kTitle;
    LblTop
        = label("LblTop", QStringLiteral("엑셀에서 [복사하기]후 [붙여넣기] 클릭/ 제품명은 반드시 있어야 함"), labelTop);
    const int headsTop = labelTop + kLabel;
    const int gridTop = headsTop + kHeads;
    const int bottomTop = kHeight - kFrame - kLabel;
    LblBottom = label("LblBottom",
        QStringLiteral("엑셀 자료를 [붙여넣기]후 편집/삭제/추가등을 할 수 있어며, 최대 제품 주문수는 99 라인"),
        bottomTop);

    SGS = new TStringGrid(this);
    SGS->setObjectName(QStringLiteral("SGS"));
    SGS->setGeometry(gridX, gridTop, gridWidth, bottomTop - gridTop);
    SGS->SetColCount(kPasteCols);
    SGS->SetRowCount(kPasteRows);
    SGS->SetDefaultRowHeight(18);
    SGS->SetGridLines(true);
    SGS->SetRowSelect(true);
    SGS->setFont(PixelFont("굴림", 12));
    SGS->setToolTip(QStringLiteral("수정 [Enter] or [더블클릭]"));
    SGS->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    SGS->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    SGS->setFocusPolicy(Qt::StrongFocus);
    for (int c = 0; c < kPasteCols; ++c)
        SGS->SetColWidth(c, kColWidths[c]);
    SGS->OnDrawCell = [this](int col, int row, QPainter& p, const QRect& rect, bool, bool) {
        DrawDialogCell(p, rect, PasteCellText(col, SGS->Cells(col, row)));
    };
    connect(SGS, &TStringGrid::DblClicked, this, &TFrmExcelRead::SBEnterClick);

    // Column titles over the grid's columns; a click pastes, like SBF1.
    auto columnX = [this](int col) { return SGS->x() + SGS->frameWidth() + SGS->columnViewportPosition(col); };
    const struct {
        QToolButton** button;
        const char* name;
        int col;
        int width;
        const char* caption;
    } heads[] = {
        { &SpeedButton1, "SpeedButton1", 0, 262, "제    품    명" },
        { &SpeedButton2, "SpeedButton2", 2, 70, "수 량" },
        { &SpeedButton3, "SpeedButton3", 3, 65, "단 위" },
        { &SpeedButton4, "SpeedButton4", 4, 161, "비    고" },
        { &SpeedButton5, "SpeedButton5", 5, 123, "바  코  드" },
    };
    for (const auto& h : heads) {
        *h.button = Button(this, h.name, QRect(columnX(h.col), headsTop, h.width, kHeads), QString::fromUtf8(h.caption),
            QString(), Qt::black, true);
        connect(*h.button, &QToolButton::clicked, this, &TFrmExcelRead::SBF1Click);
    }

    // Right column
    int y = gridTop - kHeads;
    auto next = [&y](int gap = 2) {
        const QRect r(kWidth - kFrame - kButtonW, y, kButtonW, kButtonH);
        y += kButtonH + gap;
        return r;
    };
    SBEsc = Button(this, "SBEsc", next(12), QStringLiteral("Esc"), QStringLiteral("닫음"), Qt::red, true);
    SBF1 = Button(this, "SBF1", next(), QStringLiteral("붙여넣기"),
        QStringLiteral("엑셀에서 [복사하기]한 내용을 [붙여넣기] 합니다.  단축키[F1]"));
    SBF9 = Button(
        this, "SBF9", next(), QStringLiteral("화면취소"), QStringLiteral("편집중인 내용을 취소 합니다.  단축키[F9]"));
    SBF7 = Button(this, "SBF7", next(12), QStringLiteral("주문저장"),
        QStringLiteral("편집한 주문 내역을 저장합니다. 단축키[F7]"));
    SBHome = Button(this, "SBHome", next(), QStringLiteral("Home"), QString(), kTeal, true);
    SBPgUp = Button(this, "SBPgUp", next(), QStringLiteral("PgUp"), QString(), kTeal, true);
    SBPgDn = Button(this, "SBPgDn", next(), QStringLiteral("PgDn"), QString(), kTeal, true);
    SBEnd = Button(this, "SBEnd", next(12), QStringLiteral("End"), QString(), kTeal, true);
    SBEnter = Button(
        this, "SBEnter", next(), QStringLiteral("편집"), QStringLiteral("주문 내용을 편집 합니다.  단축키[Enter] "));
    SBIns = Button(
        this, "SBIns", next(), QStringLiteral("추가"), QStringLiteral("주문 제품을 추가 합니다.  단축키[Ins] "));
    SBDel = Button(
        this, "SBDel", next(), QStringLiteral("삭제"), QStringLiteral("주문 제품을 삭제 합니다.  단축키[Del] "));

    connect(SBF1, &QToolButton::clicked, this, &TFrmExcelRead::SBF1Click);
    connect(SBF9, &QToolButton::clicked, this, &TFrmExcelRead::SBF9Click);
    connect(SBF7, &QToolButton::clicked, this, &TFrmExcelRead::SBF7Click);
    connect(SBEsc, &QToolButton::clicked, this, &TDialog::reject);
    SendsKey(SBHome, SGS, Qt::Key_Home);
    SendsKey(SBPgUp, SGS, Qt::Key_PageUp);
    SendsKey(SBPgDn, SGS, Qt::Key_PageDown);
    SendsKey(SBEnd, SGS, Qt::Key_End);
    connect(SBEnter, &QToolButton::clicked, this, &TFrmExcelRead::SBEnterClick);
    connect(SBIns, &QToolButton::clicked, this, &TFrmExcelRead::SBInsClick);
    connect(SBDel, &QToolButton::clicked, this, &TFrmExcelRead::SBDelClick);
}

void TFrmExcelRead::SBF1Click()
{
    const QClipboard* clipboard = QGuiApplication::clipboard();
    const QMimeData* mime = clipboard ? clipboard->mimeData() : nullptr;
    if (!mime || !mime->hasText()) {
        AskMessage({ QStringLiteral("Excel 파일에서 [붙여넣기]할 내용을\r\r먼저 [복사하기]해 주십시요."), QString(),
            MessageIcon::Information, MessageButtons::Ok });
        return;
    }
    const PasteResult result = PasteText(*SGS->Model(), clipboard->text());
    if (result == PasteResult::TooMany) {
        ShowMessage(kTooMany);
        return;
    }
    if (result == PasteResult::Pasted)
        SGS->setFocus(Qt::OtherFocusReason);
}

void TFrmExcelRead::SBF7Click()
{
    const std::vector<PastedRow> rows = PastedRows(*SGS->Model());
    if (rows.empty() || !OnSaveOrder)
        return;
    if (OnSaveOrder(rows) && FrmExcelRead == this)
        done(1);
}

void TFrmExcelRead::SBF9Click()
{
    if (ConfirmMessage(QStringLiteral("엑셀에서 [복사하기]한\r\r자료를 초기화 합니다.\r\r실행 하시겠습니까?")))
        SGS->Model()->ClearCells();
}


void TFrmExcelRead::EscKey()
{
    if (PasteRowUsed(*SGS->Model(), 0)
        && !ConfirmMessage(QStringLiteral("작성중인 내역이 있습니다\r\r취소 하시겠습니까?")))
        return;
    done(2);
}

void TFrmExcelRead::SBEnterClick()
{
    if (!FrmCnt)
        new TFrmCnt(this);
    FrmCnt->Mode = QStringLiteral("NEW");
    FrmCnt->OnAddDirectLine = OnAddDirectLine;
    FrmCnt->move(pos() + QPoint(120, 180));
    FrmCnt->exec();
    if (FrmExcelRead == this)
        SGS->setFocus(Qt::OtherFocusReason);
}

void TFrmExcelRead::SBInsClick()
{
    if (InsertPasteRow(*SGS->Model(), SGS->Row()) == InsertResult::Full)
        ShowMessage(QStringLiteral("더 이상 추가 할 수 없습니다\r\r최대 99 제품"));
}

void TFrmExcelRead::SBDelClick()
{
    DeletePasteRow(*SGS->Model(), SGS->Row());
}





bool TFrmExcelRead::FormKeyDown(QWidget* receiver, QKeyEvent* event)
{
    const int key = event->key();
    const bool enterOrEsc = key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape;
    const Qt::KeyboardModifiers mods
        = event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (mods == Qt::AltModifier || mods == Qt::ControlModifier)
        return enterOrEsc; // nothing acts; Enter and Esc are still swallowed
    switch (key) {
    case Qt::Key_F1:
        SBF1Click();
        return true;
    case Qt::Key_F7:
        SBF7Click();
        return true;
    case Qt::Key_F9:
        SBF9Click();
        return true;
    case Qt::Key_Insert:
        SBInsClick();
        return true;
    case Qt::Key_Delete:
        SBDelClick();
        return true;
    default:
        return TDialog::FormKeyDown(receiver, event);
    }
}

void TFrmExcelRead::showEvent(QShowEvent* event)
{
    TDialog::showEvent(event);
    if (firstActivate_) {
        firstActivate_ = false;
        SGS->setFocus(Qt::OtherFocusReason);
    }
}

void TFrmExcelRead::paintEvent(QPaintEvent* event)
{
    TDialog::paintEvent(event);
    QPainter p(this);
    // The title on the strip under the thin top strip.
    p.setPen(Qt::white);
    p.setFont(PixelFont("굴림", 12, true));
    p.drawText(
        QRect(0, kStrip, width(), kTitle), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("    엑셀내역 불러오기"));
}

} // namespace order
