#include "TFrmMain.h"

#include "Artwork.h"
#include "DataModule.h"
#include "InputMode.h"
#include "OrderDraft.h"
#include "Messages.h"
#include "StringGrid.h"
#include "TCEdit.h"
#include "TFrmSecS.h"
#include "TImageButton.h"
#include "WindowStyle.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFile>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>
#include <QWindow>

static void InitBannerResource()
{
    Q_INIT_RESOURCE(order_banner);
}

namespace order {

TFrmMain* FrmMain = nullptr;

namespace {

    constexpr int kWidth = 1008;
    constexpr int kHeight = 675;
    constexpr int kFrame = 5;
    constexpr int kBannerHeight = 78;
    constexpr int kLeftWidth = 588;
    constexpr int kRightWidth = 408;
    constexpr int kBar = 40;

    const QColor kBarColor(236, 244, 252);


    QWidget* Panel(QWidget* parent, int x, int y, int w, int h, const QColor& color)
    {
        auto* p = new QWidget(parent);
        p->setGeometry(x, y, w, h);
        p->setAutoFillBackground(true);
        QPalette pal = p->palette();
        pal.setColor(QPalette::Window, color);
        p->setPalette(pal);
        return p;
    }

    // The bars the controls sit on.
    enum Bar { LeftTop, LeftBar1, LeftBar2, RightTop, RightBottom, kBarCount };
    enum Style { Plain, Teal };

    // A speed button of the window: where it sits, what it shows and what a
    // click runs. Speed buttons never take the focus.
    struct SpeedButtonSpec {
        QToolButton* TFrmMain::*button;
        const char* name;
        Bar bar;
        QRect rect;
        const char* caption;
        Style style;
        void (TFrmMain::*click)();
        const char* hint;
    };

    // clang-format off
    const SpeedButtonSpec kSpeedButtons[] = {
        { &TFrmMain::SBDate,       "SBDate",       LeftTop,     { 2, 6, 46, 28 },    "배송일",   Plain, &TFrmMain::SBDateClick,
            "달력표시" },
        { &TFrmMain::SBExcel,      "SBExcel",      LeftTop,     { 116, 6, 56, 28 },  "Excel",    Plain, &TFrmMain::SBExcelClick,
            "[복사하기]된 엑셀 내용을 [붙여넣기] 합니다." },
        { &TFrmMain::SBF5,         "SBF5",         LeftTop,     { 174, 6, 56, 28 },  "직접입력", Plain, &TFrmMain::SBF5Click,
            "주문할 제품의 품명을 직접 입력합니다. 단축키[F5]" },
        { &TFrmMain::SBF4,         "SBF4",         LeftTop,     { 232, 6, 56, 28 },  "한줄삭제", Plain, &TFrmMain::SBF4Click,
            "선택된 제품의 주문을 삭제합니다.(줄삭제)  단축키[F4] or [Delete]" },
        { &TFrmMain::SBF9,         "SBF9",         LeftTop,     { 290, 6, 56, 28 },  "화면취소", Plain, &TFrmMain::SBF9Click,
            "현제 화면의 내용을 저장,수정 없이 지웁니다. 단축키[F9]" },
        { &TFrmMain::SBF8,         "SBF8",         LeftTop,     { 348, 6, 56, 28 },  "주문삭제", Plain, &TFrmMain::SBF8Click,
            "다시 가져온 주문 내역을 삭제합니다. 단축키[F8]" },
        { &TFrmMain::SBF3,         "SBF3",         LeftTop,     { 406, 6, 56, 28 },  "주문열기", Plain, &TFrmMain::SBF3Click,
            "전송한 주문 내역을 수정이나 삭제를 위해서 불러옵니다. 단축키[F3]" },
        { &TFrmMain::SBF7,         "SBF7",         LeftTop,     { 464, 6, 57, 28 },  "주문전송", Plain, &TFrmMain::SBF7Click,
            "작성한 주문 내역을 전송합니다. 단축키[F7]" },
        { &TFrmMain::SBHelp,       "SBHelp",       LeftTop,     { 523, 6, 62, 28 },  "사용방법", Teal,  &TFrmMain::SBHelpClick,
            "사용방법을 보여 줍니다." },
        { &TFrmMain::SBMessage,    "SBMessage",    LeftBar1,    { 3, 6, 58, 28 },    "공지사항", Plain, &TFrmMain::SBMessageClick,
            "주문처의 공지사항을 확인합니다." },
        { &TFrmMain::SBF3S,        "SBF3S",        LeftBar1,    { 63, 6, 58, 28 },   "샘플열기", Plain, &TFrmMain::SBF3SClick,
            "등록한 샘플 내용을 불러옵니다. 단축키[Ctrl]+[F3]" },
        { &TFrmMain::SBF7S,        "SBF7S",        LeftBar1,    { 123, 6, 58, 28 },  "샘플등록", Plain, &TFrmMain::SBF7SClick,
            "자주 사용하는 내용을 샘플 등록합니다. 단축키[Ctrl]+[F7]" },
        { &TFrmMain::SBF6,         "SBF6",         LeftBar1,    { 183, 6, 59, 28 },  "내용복사", Plain, &TFrmMain::SBF6Click,
            "발주한 내용을 열기하여 복사합니다. 단축키[F6]" },
        { &TFrmMain::SBF11,        "SBF11",        LeftBar1,    { 244, 6, 58, 28 },  "주문인쇄", Plain, &TFrmMain::SBF11Click,
            "주문내역을 인쇄합니다. 단축키[F11]" },
        { &TFrmMain::SBPU,         "SBPU",         LeftBar1,    { 304, 6, 46, 28 },  "PgUp",     Teal,  &TFrmMain::SBPUClick,  "" },
        { &TFrmMain::SBPD,         "SBPD",         LeftBar1,    { 352, 6, 45, 28 },  "PgDn",     Teal,  &TFrmMain::SBPDClick,  "" },
        { &TFrmMain::SpeedButton1, "SpeedButton1", LeftBar2,    { 3, 6, 57, 28 },    "비번변경", Plain, &TFrmMain::SpeedButton1Click,
            "주문처의 공지사항을 확인합니다." },
        { &TFrmMain::SpeedButton3, "SpeedButton3", LeftBar2,    { 62, 6, 60, 28 },   "전달내용", Plain, nullptr,
            "발주처에 전달할 내용을 입력하십시요." },
        { &TFrmMain::SBGPN,        "SBGPN",        RightTop,    { 277, 6, 59, 28 },  "분류검색", Plain, &TFrmMain::SBGPNClick,
            "제품의 분류로 검색합니다. 단축키[F2]" },
        { &TFrmMain::SBSDIndex,    "SBSDIndex",    RightTop,    { 338, 6, 62, 28 },  "거래일순", Plain, &TFrmMain::SBSDIndexClick,
            "제품 목록의 정렬 방법 바꾸기" },
        { &TFrmMain::SBF8U,        "SBF8U",        RightBottom, { 2, 6, 59, 28 },    "등록삭제", Plain, &TFrmMain::SBF8UClick,
            "거래된 제품 목록에서 삭제합니다." },
        { &TFrmMain::SBF11G,       "SBF11G",       RightBottom, { 63, 6, 38, 28 },   "인쇄",     Plain, &TFrmMain::SBF11GClick,
            "거래된 제품목록 인쇄" },
        { &TFrmMain::SBHome,       "SBHome",       RightBottom, { 173, 3, 46, 35 },  "Home",     Teal,  &TFrmMain::SBHomeClick,  "" },
        { &TFrmMain::SBPgUp,       "SBPgUp",       RightBottom, { 219, 3, 46, 35 },  "PgUp",     Teal,  &TFrmMain::SBPgUpClick, "" },
        { &TFrmMain::SBPgDn,       "SBPgDn",       RightBottom, { 265, 3, 46, 35 },  "PgDn",     Teal,  &TFrmMain::SBPgDnClick, "" },
        { &TFrmMain::SBEnd,        "SBEnd",        RightBottom, { 311, 3, 46, 35 },  "End",      Teal,  &TFrmMain::SBEndClick,   "" },
        { &TFrmMain::SBCount,      "SBCount",      RightBottom, { 357, 3, 49, 35 },  "0",        Teal,  nullptr,                 "" },
    };
    // clang-format on

    QLineEdit* Edit(
        QWidget* parent, const char* name, int x, int y, int w, int maxLength, const QString& hint, bool upperCase)
    {
        auto* e = new QLineEdit(parent);
        e->setObjectName(QString::fromLatin1(name));
        e->setGeometry(x, y + 9, w, 22);
        e->setMaxLength(maxLength);
        e->setToolTip(hint);
        if (upperCase) {
            QObject::connect(e, &QLineEdit::textEdited, e, [e](const QString& text) {
                const QString upper = text.toUpper();
                if (upper != text) {
                    const int pos = e->cursorPosition();
                    e->setText(upper);
                    e->setCursorPosition(pos);
                }
            });
        }
        return e;
    }

    // Check boxes take the focus only when clicked: they are no tab stops.
    QCheckBox* CheckBox(QWidget* parent, const char* name, const QRect& rect, const QString& caption, const QString& hint)
    {
        auto* c = new QCheckBox(caption, parent);
        c->setObjectName(QString::fromLatin1(name));
        c->setGeometry(rect);
        c->setFont(PixelFont("굴림", 12));
        c->setToolTip(hint);
        c->setFocusPolicy(Qt::ClickFocus);
        return c;
    }

    void SetupGrid(TStringGrid* g, int cols, int rows, const QString& hint)
    {
        g->SetColCount(cols);
        g->SetRowCount(rows);
        g->SetDefaultRowHeight(19);
        g->SetGridLines(true);
        g->SetRowSelect(true);
        g->setFont(PixelFont("굴림", 12));
        g->setToolTip(hint);
        g->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        g->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        g->setFocusPolicy(Qt::StrongFocus);
    }

} // namespace

TFrmMain::TFrmMain(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
    , draftWriter_(std::make_unique<DraftWriter>())
{
    FrmMain = this;
    InitBannerResource();
    LaunchArguments = QCoreApplication::arguments();
    setObjectName(QStringLiteral("FrmMain"));
    setWindowTitle(QApplication::applicationName());
    setFixedSize(kWidth, kHeight);
    setFont(PixelFont("MS Sans Serif", 11));
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect avail = screen->availableGeometry();
        move(avail.x() + (avail.width() - kWidth) / 2, avail.y() + (avail.height() - kHeight) / 2);
    }
    CreateControls();
    // The controls edit the order on screen: each change goes into Order at
    // once and on to its draft.
    auto linesChanged = [this] {
        Order.Lines = LineItems(*SGS->Model());
        DraftChanged();
    };
    connect(SGS->Model(), &QAbstractItemModel::dataChanged, this, linesChanged);
    connect(SGS->Model(), &QAbstractItemModel::modelReset, this, linesChanged);
    // The text is read from the box: a box that upper-cases what is typed
    // signals the typed text after the upper-cased one.
    connect(EdtDD, &QLineEdit::textChanged, this, [this] {
        Order.DeliveryDate = EdtDD->text();
        DraftChanged();
    });
    connect(EdtNote, &QLineEdit::textChanged, this, [this] {
        Order.Note = EdtNote->text();
        DraftChanged();
    });
    connect(ChkBxIOG, &QCheckBox::toggled, this, [this](bool checked) {
        Order.StillWriting = checked;
        DraftChanged();
    });

    // FormCreate
    ClassLimit = 100;
    FirstActivate = true;
    CatalogPending = true;
    EmptyHintPending = true;
    FromSearch = false;
    RunLogin();
    SGA->hide();
    SGG->show();
    qApp->installEventFilter(this);
}

TFrmMain::~TFrmMain()
{
    qApp->removeEventFilter(this);
    if (FrmMain == this)
        FrmMain = nullptr;
}

void TFrmMain::RunLogin()
{
    if (!FrmSecS)
        new TFrmSecS(this);
    QPointer<TFrmSecS> login = FrmSecS;
    const int result = login->exec();
    loginAccepted_ = result == 1;
}

void TFrmMain::CreateControls()
{
    QPalette pal = palette();
    pal.setColor(QPalette::Window, kSkyBlue);
    setPalette(pal);
    setAutoFillBackground(true);

    // Banner
    QWidget* banner = Panel(this, kFrame, kFrame, kWidth - 2 * kFrame, kBannerHeight, kSkyBlue);
    ImgLeft = new QLabel(banner);
    ImgLeft->setObjectName(QStringLiteral("ImgLeft"));
    ImgLeft->setGeometry(0, 0, banner->width(), kBannerHeight);
    ImgLeft->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    LoadBanner();
    LblTitle = new QLabel(banner);
    LblTitle->setObjectName(QStringLiteral("LblTitle"));
    LblTitle->setFont(PixelFont("돋움", 16, true));
    LblTitle->setTextFormat(Qt::PlainText);
    LblTitle->setAttribute(Qt::WA_TranslucentBackground);
    {
        QPalette lp = LblTitle->palette();
        lp.setColor(QPalette::WindowText, Qt::white);
        LblTitle->setPalette(lp);
    }
    LblTitle->move(629, 53);
    LblTitle->setText(QStringLiteral("상호"));
    LblTitle->adjustSize();
    ImgBtnEsc = new TImageButton(banner);
    ImgBtnEsc->setObjectName(QStringLiteral("ImgBtnEsc"));
    ImgBtnEsc->SetTransparentColor(ArtTransparentColor());
    ImgBtnEsc->SetPictureCount(1);
    ImgBtnEsc->SetPictureAlign(paBottom);
    ImgBtnEsc->SetPicture(MainCloseButton());
    ImgBtnEsc->setGeometry(930, 17, 41, 41);
    ImgBtnEsc->setToolTip(QStringLiteral("업무종료 [ESC]"));
    ImgBtnEsc->setCursor(Qt::PointingHandCursor);
    connect(ImgBtnEsc, &TImageButton::Click, this, &TFrmMain::ImgBtnEscClick);

    const int bodyTop = kFrame + kBannerHeight;
    const int bodyHeight = kHeight - kFrame - bodyTop;
    const int rightX = kWidth - kFrame - kRightWidth;

    QWidget* bars[kBarCount] = {};
    bars[LeftTop] = Panel(this, kFrame, bodyTop, kLeftWidth, kBar, kBarColor);
    bars[LeftBar1] = Panel(this, kFrame, kHeight - kFrame - 2 * kBar, kLeftWidth, kBar, kBarColor);
    bars[LeftBar2] = Panel(this, kFrame, kHeight - kFrame - kBar, kLeftWidth, kBar, kBarColor);
    bars[RightTop] = Panel(this, rightX, bodyTop, kRightWidth, kBar, kBarColor);
    bars[RightBottom] = Panel(this, rightX, kHeight - kFrame - kBar, kRightWidth, kBar, kBarColor);
    for (const SpeedButtonSpec& b : kSpeedButtons) {
        const bool teal = b.style == Teal;
        QToolButton* button = MakeSpeedButton(bars[b.bar], b.name, b.rect, QString::fromUtf8(b.caption),
            QString::fromUtf8(b.hint), teal ? PixelFont("돋움", 13, true) : PixelFont("굴림", 12),
            teal ? kTeal : QColor(Qt::black));
        this->*b.button = button;
        if (b.click)
            connect(button, &QToolButton::clicked, this, [this, click = b.click] { (this->*click)(); });
    }

    // Left half: top bar
    EdtDD = Edit(bars[LeftTop], "EdtDD", 50, 0, 63, 6, QStringLiteral("특별한 배송일을 원할 경우만 적습니다."), false);
    EdtDD->setFont(PixelFont("MS Sans Serif", 15, true));
    EdtDD->setFocusPolicy(Qt::ClickFocus);

    // Left half: order lines
    SGS = new TStringGrid(this);
    SGS->setObjectName(QStringLiteral("SGS"));
    SGS->setGeometry(kFrame, bodyTop + kBar, kLeftWidth, bodyHeight - 3 * kBar);
    SetupGrid(SGS, kLineColCount, kLineRowCount, QStringLiteral("제품수정선택 [Enter] or [더블클릭], 제품삭제[F4]"));
    const int lineWidths[] = { 20, 252, 34, 33, 53, 58, 110, 64, 64, 64 };
    for (int c = 0; c < kLineColCount; ++c)
        SGS->SetColWidth(c, lineWidths[c]);
    // The widths add up to the grid's width with Windows' scroll bar and
    // frame; Qt's are narrower, so the note reaches the edge and the columns
    // after it stay out of sight.
    SGS->FitColumnToRightEdge(6);
    SGS->OnDrawCell
        = [this](int col, int row, QPainter& p, const QRect& rect, bool, bool) { DrawLineCell(col, row, p, rect); };

    // Left half: bar 1
    CEdtSum = new TCEdit(bars[LeftBar1]);
    CEdtSum->setObjectName(QStringLiteral("CEdtSum"));
    CEdtSum->setGeometry(399, 8, 69, 24);
    CEdtSum->SetCurrencyPoint(true);
    CEdtSum->SetCurrencySetdigit(2);
    CEdtSum->SetCurrencyNegative(true);
    CEdtSum->SetMaxLength(9);
    CEdtSum->setReadOnly(true);
    CEdtSum->setFont(PixelFont("MS Sans Serif", 15, true));
    CEdtSum->setFocusPolicy(Qt::ClickFocus);
    ChkBxIOG = CheckBox(bars[LeftBar1], "ChkBxIOG", { 470, 6, 116, 28 }, QStringLiteral("작성중(전송않됨)"),
        QStringLiteral("체크하여 발주를 전송할 경우 발주가  접수되지 않습니다. (수정을 위해서)"));

    // Left half: bar 2
    EdtNote = Edit(bars[LeftBar2], "EdtNote", 124, 0, 455, 98, QStringLiteral("발주처에 전달할 내용을 입력하십시요."), true);
    EdtNote->setFocusPolicy(Qt::ClickFocus);

    // Right half: search bar
    RdBtnOnly = new QRadioButton(QStringLiteral("거래된제품만"), bars[RightTop]);
    RdBtnOnly->setObjectName(QStringLiteral("RdBtnOnly"));
    RdBtnOnly->setGeometry(1, 6, 92, 28);
    RdBtnOnly->setChecked(true);
    RdBtnAll = new QRadioButton(QStringLiteral("모든제품"), bars[RightTop]);
    RdBtnAll->setObjectName(QStringLiteral("RdBtnAll"));
    RdBtnAll->setGeometry(93, 6, 67, 28);
    for (QRadioButton* r : { RdBtnOnly, RdBtnAll }) {
        r->setToolTip(QStringLiteral("변환키 [F1]"));
        r->setFont(PixelFont("굴림", 12));
        r->setFocusPolicy(Qt::StrongFocus);
    }
    connect(RdBtnOnly, &QRadioButton::clicked, this, [this] { RdBtnOnlyClick(); });
    connect(RdBtnAll, &QRadioButton::clicked, this, [this] { RdBtnAllClick(); });
    EdtGN = Edit(
        bars[RightTop], "EdtGN", 161, 0, 114, 30, QStringLiteral("제품검색란 입력후 [Enter] or [F11] 앞 검색"), true);
    EdtGN->setFont(PixelFont("MS Sans Serif", 13, true));
    EdtGN->setFocusPolicy(Qt::StrongFocus);
    SetInputMode(EdtGN, InputMode::Hangul);
    SetInputMode(EdtNote, InputMode::Hangul);

    // Right half: lists
    const QRect listRect(rightX, bodyTop + kBar, kRightWidth, bodyHeight - 2 * kBar);
    const QString listHint = QStringLiteral("제품선택 [Enter] or [더블클릭]  제품 검색란 이동[SpaceBar]");
    const int listWidths[] = { 261, 36, 31, 55, 18 };
    SGG = new TStringGrid(this);
    SGA = new TStringGrid(this);
    for (TStringGrid* g : { SGG, SGA }) {
        g->setGeometry(listRect);
        SetupGrid(g, kListColCount, 25, listHint);
        for (int c = 0; c < kListColCount; ++c)
            g->SetColWidth(c, c < 5 ? listWidths[c] : 64);
        g->OnDrawCell = [this, g](int col, int row, QPainter& p, const QRect& rect, bool, bool) {
            DrawListCell(g, col, row, p, rect);
        };
        connect(g, &TStringGrid::Clicked, this, [this] { ListClick(); });
        connect(g, &TStringGrid::SelectCell, this, [this] { ListClick(); });
        connect(g, &TStringGrid::DblClicked, this, [this] { AddProductLine(); });
    }
    SGG->setObjectName(QStringLiteral("SGG"));
    SGA->setObjectName(QStringLiteral("SGA"));
    connect(SGS, &TStringGrid::DblClicked, this, [this] { EditLine(); });
    SGB = new TStringGrid(this);
    SGB->setObjectName(QStringLiteral("SGB"));
    SGB->SetColCount(kListColCount);
    SGB->SetRowCount(10000);
    SGB->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    SGB->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    SGB->setFocusPolicy(Qt::NoFocus);
    SGB->hide();

    // Right half: bottom bar
    ChkBxOCost = CheckBox(bars[RightBottom], "ChkBxOCost", { 103, 6, 69, 28 }, QStringLiteral("단가검색"),
        QStringLiteral("체크하여 핸드스케너로 스케닝하면 단가검색"));
    ChkBxOCost->hide();

    // Tab order among the tab stops (the speed buttons take no focus).
    setTabOrder(SGS, RdBtnOnly);
    setTabOrder(RdBtnOnly, RdBtnAll);
    setTabOrder(RdBtnAll, EdtGN);
    setTabOrder(EdtGN, SGG);
    setTabOrder(SGG, SGA);
}

void TFrmMain::LoadBanner()
{
    QImageReader reader(QStringLiteral(":/order/Banner.jpg"), "jpeg");
    const QImage banner = reader.read();
    if (!banner.isNull())
        ImgLeft->setPixmap(QPixmap::fromImage(banner));
}

bool TFrmMain::GuaOn() const
{
    return DM && DM->C_GUA.get() == QLatin1String("1");
}

bool TFrmMain::GubOn() const
{
    return DM && DM->C_GUB.get() == QLatin1String("1");
}

bool TFrmMain::GucOn() const
{
    return DM && DM->C_GUC.get() == QLatin1String("1");
}

void TFrmMain::FormActivate()
{
    if (!FirstActivate || activating_)
        return;
    activating_ = true;
    // 1. A supplier may have its own logo beside the program.
    if (DM && DM->M_CODE.get() == QLatin1String("203835")) {
        const QString logo = ProgramDir + QStringLiteral("icon/NURILogo.bmp");
        if (QFile::exists(logo)) {
            const QImage image(logo);
            if (!image.isNull())
                ImgLeft->setPixmap(QPixmap::fromImage(image));
        }
    }
    // 2. Column indexes.
    LineColumns = TLineColumns::ForColumnCount(SGS->ColCount());
    ListColumns = TListColumns::ForColumnCount(SGG->ColCount());
    // 3.
    for (int c = 0; c <= 4; ++c)
        SGA->SetColWidth(c, SGG->ColWidth(c));
    // 4.
    // A plain-text label without a buddy shows "&" as it is; no escaping.
    LblTitle->setText(DM ? DM->M_NAME.get() : QString());
    LblTitle->adjustSize();
    // 5.
    SBF9Click();
    // 6.
    if (GuaOn())
        ChkBxOCost->show();
    if (GucOn()) {
        RdBtnOnly->setEnabled(false);
        RdBtnAll->setEnabled(false);
    }
    // 7. The message a relaunch hands over.
    const QString message = LaunchMessage(LaunchArguments);
    if (!message.isEmpty())
        ShowMessage(message);
    // 8.
    FocusSearchBox();
    FirstActivate = false;
    activating_ = false;
    // The order of the last run, if it was never sent nor dropped.
    OfferDraft();
    SBMessageClick();
}

bool TFrmMain::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate && FirstActivate && !activating_) {
        // Run after the activation has been delivered, so that the message
        // boxes and windows of the first activation open on an active window.
        QTimer::singleShot(0, this, [this] { FormActivate(); });
    }
    return QWidget::event(event);
}

void TFrmMain::closeEvent(QCloseEvent* event)
{
    FlushDraft();
    event->accept();
    if (FrmMain == this)
        FrmMain = nullptr;
}

void DrawCellText(QPainter& p, const QRect& rect, const CellDisplay& d)
{
    if (d.text.isEmpty())
        return;
    const QRect area = d.rightAligned ? rect.adjusted(0, 4, -d.indent, 0) : rect.adjusted(d.indent, 4, 0, 0);
    const int flags = (d.rightAligned ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignTop | Qt::TextSingleLine;
    const int width = p.fontMetrics().horizontalAdvance(d.text);
    if (width > area.width() && width * 85 <= area.width() * 100) {
        const QFont saved = p.font();
        QFont condensed = saved;
        condensed.setStretch(std::max(80, area.width() * 100 / width));
        p.setFont(condensed);
        p.drawText(area, flags, d.text);
        p.setFont(saved);
        return;
    }
    p.drawText(area, flags, d.text);
}

} // namespace order
