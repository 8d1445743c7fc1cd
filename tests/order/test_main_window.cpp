// The main window as a whole: login, first activation per customer switch,
// layout, the relaunch message, the title, keys of the window, notices, the
// password window and the exit question.

#include "MainWindowSupport.h"

#include "TCEdit.h"
#include "TFrmSecModi.h"
#include "TImageButton.h"

#include <QCheckBox>
#include <QDir>
#include <QHeaderView>
#include <QImageReader>
#include <QLabel>
#include <QRadioButton>
#include <QScrollBar>
#include <QToolButton>

#include <array>

using namespace order;
using namespace order_test;

namespace {

class MainWindow : public MainWindowTest { };

const char* const kExitQuestion = "작성중인 내역이 있습니다 \r\r취소하고 종료하시겠습니까?";

} // namespace

TEST_F(MainWindow, FirstActivationFollowsTheCustomerSwitches)
{
    for (const Shop* shop : { &kShop01, &kShop02, &kShop03 }) {
        SCOPED_TRACE(shop->id);
        TearDown();
        SetUp();
        TFrmMain* w = Open(*shop);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(noticesShown_, 1);
        EXPECT_EQ(w->LblTitle->text(), QString::fromUtf8("누리식자재 도매센터"));
        EXPECT_EQ(w->ChkBxOCost->isVisible(), shop->gua);
        EXPECT_EQ(w->RdBtnOnly->isEnabled(), !shop->guc);
        EXPECT_EQ(w->RdBtnAll->isEnabled(), !shop->guc);
        EXPECT_TRUE(w->RdBtnOnly->isChecked());
        EXPECT_EQ(w->focusWidget(), w->EdtGN);
        EXPECT_TRUE(w->SGG->isVisible());
        EXPECT_FALSE(w->SGA->isVisible());
        ASSERT_EQ(w->SGG->RowCount(), shop->traded);
        EXPECT_EQ(w->SGG->Row(), 0);
        // Column 3: the shop's price, or the last trade date.
        bool sawZeroPrice = false;
        for (int r = 0; r < w->SGG->RowCount(); ++r) {
            const QString c3 = w->SGG->Cells(3, r);
            EXPECT_EQ(c3 == w->SGG->Cells(5, r), shop->gua) << r;
            if (shop->gua) {
                bool ok = false;
                c3.toLongLong(&ok);
                EXPECT_TRUE(ok) << c3.toStdString();
                sawZeroPrice |= c3 == QLatin1String("0");
            } else {
                EXPECT_EQ(c3.size(), 6) << c3.toStdString();
            }
            EXPECT_FALSE(w->SGG->Cells(19, r).isEmpty());
        }
        EXPECT_EQ(sawZeroPrice, shop->gua);
        EXPECT_TRUE(messages_.Texts().isEmpty()) << messages_.Texts().join(QLatin1Char('|')).toStdString();
        EXPECT_EQ(w->Notices[0], QString::fromUtf8("[공지] 주문 마감은 매일 오후 4시입니다."));
        EXPECT_EQ(w->Notices[5], QString::fromUtf8("[문의] 주문 문의: 1588-0000 (평일 09:00~18:00)"));
        EXPECT_TRUE(w->Notices[6].isEmpty());
        EXPECT_FALSE(DM->TradedCache.empty());
        EXPECT_FALSE(DM->NoticeCache.empty());
    }
}

TEST_F(MainWindow, LayoutBannerAndControls)
{
    TFrmMain* w = Open(kShop01);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->size(), QSize(1008, 675));
    EXPECT_TRUE(w->windowFlags() & Qt::FramelessWindowHint);
    // The banner is a real JPEG, decoded through Qt's JPEG reader.
    QImageReader reader(QStringLiteral(":/order/Banner.jpg"));
    EXPECT_EQ(reader.format(), QByteArray("jpeg"));
    const QImage banner = reader.read();
    EXPECT_EQ(banner.size(), QSize(998, 78));
    EXPECT_EQ(w->ImgLeft->pixmap().size(), QSize(998, 78));
    EXPECT_EQ(w->ImgLeft->mapTo(w, QPoint(0, 0)), QPoint(5, 5));
    EXPECT_EQ(w->LblTitle->pos(), QPoint(629, 53));
    EXPECT_EQ(w->ImgBtnEsc->geometry(), QRect(930, 17, 41, 41));
    EXPECT_EQ(w->ImgBtnEsc->toolTip(), QString::fromUtf8("업무종료 [ESC]"));
    EXPECT_EQ(w->ImgBtnEsc->PictureAlign(), paBottom);
    EXPECT_EQ(w->SGS->mapTo(w, QPoint(0, 0)), QPoint(5, 123));
    EXPECT_EQ(w->SGS->width(), 588);
    {
        // The note ends at the right edge of the cells; columns 7 to 9 (the
        // product code among them) lie wholly beyond it.
        const QHeaderView* h = w->SGS->horizontalHeader();
        const int edge = w->SGS->viewport()->width();
        EXPECT_TRUE(w->SGS->verticalScrollBar()->isVisible());
        EXPECT_EQ(h->sectionPosition(6) + h->sectionSize(6), edge);
        EXPECT_EQ(h->sectionPosition(7), edge);
        for (int c = 0; c < 6; ++c)
            EXPECT_EQ(w->SGS->ColWidth(c), (std::array { 20, 252, 34, 33, 53, 58 })[c]) << c;
    }
    EXPECT_EQ(w->SGG->geometry(), w->SGA->geometry());
    EXPECT_EQ(w->SGG->x() + w->SGG->width(), 1003);
    EXPECT_EQ(w->SGG->width(), 408);

    struct Control {
        QWidget* widget;
        int x;
        const char* caption;
        const char* hint;
    };
    const Control controls[] = {
        { w->SBDate, 2, "배송일", "달력표시" },
        { w->SBF5, 174, "직접입력", "주문할 제품의 품명을 직접 입력합니다. 단축키[F5]" },
        { w->SBF4, 232, "한줄삭제", "선택된 제품의 주문을 삭제합니다.(줄삭제)  단축키[F4] or [Delete]" },
        { w->SBF9, 290, "화면취소", "현제 화면의 내용을 저장,수정 없이 지웁니다. 단축키[F9]" },
        { w->SBF7, 464, "주문전송", "작성한 주문 내역을 전송합니다. 단축키[F7]" },
        { w->SBHelp, 523, "사용방법", "사용방법을 보여 줍니다." },
        { w->SBMessage, 3, "공지사항", "주문처의 공지사항을 확인합니다." },
        { w->SBF11, 244, "주문인쇄", "주문내역을 인쇄합니다. 단축키[F11]" },
        { w->SBPD, 352, "PgDn", "" },
        { w->SpeedButton1, 3, "비번변경", "주문처의 공지사항을 확인합니다." },
        { w->SBGPN, 277, "분류검색", "제품의 분류로 검색합니다. 단축키[F2]" },
        { w->SBSDIndex, 338, "거래일순", "제품 목록의 정렬 방법 바꾸기" },
        { w->SBF8U, 2, "등록삭제", "거래된 제품 목록에서 삭제합니다." },
        { w->SBHome, 173, "Home", "" },
        { w->SBEnd, 311, "End", "" },
        { w->SBCount, 357, "1", "" },
    };
    for (const Control& c : controls) {
        auto* b = qobject_cast<QToolButton*>(c.widget);
        ASSERT_NE(b, nullptr);
        SCOPED_TRACE(b->objectName().toStdString());
        EXPECT_EQ(b->x(), c.x);
        EXPECT_EQ(b->text(), QString::fromUtf8(c.caption));
        EXPECT_EQ(b->toolTip(), QString::fromUtf8(c.hint));
        EXPECT_EQ(b->focusPolicy(), Qt::NoFocus);
    }
    EXPECT_EQ(w->SBHome->size(), QSize(46, 35));
    EXPECT_EQ(w->EdtDD->x(), 50);
    EXPECT_EQ(w->EdtDD->width(), 63);
    EXPECT_EQ(w->EdtDD->maxLength(), 6);
    EXPECT_EQ(w->EdtNote->maxLength(), 98);
    EXPECT_EQ(w->EdtGN->maxLength(), 30);
    for (QLineEdit* e : { w->EdtGN, w->EdtNote })
        EXPECT_FALSE(e->inputMethodHints() & (Qt::ImhLatinOnly | Qt::ImhDigitsOnly | Qt::ImhNoPredictiveText))
            << e->objectName().toStdString();
    EXPECT_EQ(w->CEdtSum->x(), 399);
    EXPECT_TRUE(w->CEdtSum->isReadOnly());
    EXPECT_EQ(w->CEdtSum->MaxLength(), 9);
    // Not tab stops.
    for (QWidget* c : std::initializer_list<QWidget*> { w->EdtDD, w->EdtNote, w->ChkBxIOG, w->ChkBxOCost, w->CEdtSum })
        EXPECT_FALSE(c->focusPolicy() & Qt::TabFocus) << c->objectName().toStdString();
    EXPECT_TRUE(w->EdtGN->focusPolicy() & Qt::TabFocus);
    EXPECT_FALSE(w->SGB->isVisible());
    EXPECT_EQ(w->SGB->ColCount(), 20);
    EXPECT_EQ(w->SGS->ColCount(), 10);
    EXPECT_EQ(w->SGS->RowCount(), 99);
    EXPECT_EQ(w->SGS->ColWidth(1), 252);
    EXPECT_EQ(w->SGA->ColWidth(0), w->SGG->ColWidth(0));
    EXPECT_EQ(w->LineColumns.Code, 9);
    EXPECT_EQ(w->ListColumns.Code, 19);
    EXPECT_EQ(w->ListColumns.Class, 18);
}

TEST_F(MainWindow, SupplierLogoAndLiteralAmpersandInTheTitle)
{
    // Log in, then make the login values those of the supplier with its own
    // logo file and an "&" in its name, before the first activation reads them.
    WhenShown<TFrmSecS>(FrmSecS, [](TFrmSecS* login) {
        TypeInto(login->EdtMID, QStringLiteral("NURI"));
        TypeInto(login->EdtCID, QStringLiteral("SHOP01"));
        TypeInto(login->MEdtS, QStringLiteral("2580"));
        QTest::keyClick(login->MEdtS, Qt::Key_Return);
    });
    main_ = std::make_unique<TFrmMain>();
    ASSERT_TRUE(main_->LoginAccepted());
    ASSERT_TRUE(QDir().mkpath(ProgramDir + QStringLiteral("icon")));
    QImage logo(300, 78, QImage::Format_RGB32);
    logo.fill(Qt::darkGreen);
    ASSERT_TRUE(logo.save(ProgramDir + QStringLiteral("icon/NURILogo.bmp"), "BMP"));
    DM->M_CODE = QStringLiteral("203835");
    DM->M_NAME = QString::fromUtf8("A&B 상사");
    main_->LaunchArguments = { QStringLiteral("nrclient") };
    ExpectNoticesWindow();
    main_->show();
    main_->activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([this] { return !main_->FirstActivate; }, 10000));
    EXPECT_EQ(main_->ImgLeft->pixmap().size(), QSize(300, 78));
    EXPECT_EQ(main_->LblTitle->text(), QString::fromUtf8("A&B 상사"));
    // Shown literally: as wide as the text with its "&", no mnemonic.
    QLabel plain;
    plain.setFont(main_->LblTitle->font());
    plain.setTextFormat(Qt::PlainText);
    plain.setText(QString::fromUtf8("AB 상사"));
    EXPECT_GT(main_->LblTitle->sizeHint().width(), plain.sizeHint().width());
    EXPECT_EQ(main_->LblTitle->buddy(), nullptr);
}

TEST_F(MainWindow, RelaunchMessageShownOnceAtFirstActivation)
{
    TFrmMain* w = Open(kShop01,
        { QStringLiteral("nrclient"), QStringLiteral("/SKIPCHECK"), QString::fromUtf8("새^버전이/설치^되었습니다"),
            QStringLiteral("extra") });
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(messages_.Texts().size(), 1);
    EXPECT_EQ(messages_.Last(), QString::fromUtf8("새 버전이\r\n설치 되었습니다"));
    // Later activations show nothing and run nothing.
    const std::uint64_t before = Calls();
    QWidget other;
    other.show();
    other.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&other, 1000));
    Activate();
    QTest::qWait(20);
    EXPECT_EQ(messages_.Texts().size(), 1);
    EXPECT_EQ(Calls(), before);
    EXPECT_EQ(noticesShown_, 1);
}

TEST_F(MainWindow, WindowKeysAndModifiers)
{
    TFrmMain* w = Open(kShop03); // radio buttons disabled
    ASSERT_NE(w, nullptr);
    // F10 empties the focused text box, also with the radio buttons off.
    Type(QStringLiteral("ABC"));
    EXPECT_EQ(w->EdtGN->text(), QStringLiteral("ABC"));
    Press(Qt::Key_F10);
    EXPECT_TRUE(w->EdtGN->text().isEmpty());
    // F1 keeps the traded list when the radio buttons are disabled.
    Press(Qt::Key_F1);
    EXPECT_TRUE(w->RdBtnOnly->isChecked());
    EXPECT_TRUE(w->SGG->isVisible());
    // Down: from the box to the visible list; Space back to the box.
    Press(Qt::Key_Down);
    EXPECT_EQ(w->focusWidget(), w->SGG);
    EXPECT_EQ(w->SGG->Row(), 0);
    Press(Qt::Key_Down); // the list moves itself
    EXPECT_EQ(w->SGG->Row(), 1);
    EXPECT_EQ(w->focusWidget(), w->SGG);
    Press(Qt::Key_Space);
    EXPECT_EQ(w->focusWidget(), w->EdtGN);
    // Tab in the order lines jumps to the visible list.
    Focus(w->SGS);
    Press(Qt::Key_Tab);
    EXPECT_EQ(w->focusWidget(), w->SGG);
    // F10 in the delivery-date box, Up/Down between tab stops outside grids.
    Focus(w->EdtDD);
    Type(QStringLiteral("261224"));
    Press(Qt::Key_F10);
    EXPECT_TRUE(w->EdtDD->text().isEmpty());
    Focus(w->EdtGN);
    Press(Qt::Key_Up);
    EXPECT_NE(w->focusWidget(), w->EdtGN);
    EXPECT_NE(w->focusWidget(), nullptr);
    Focus(w->EdtGN);
    // Alt or Ctrl held: the window's keys do nothing (Alt+F9 would clear).
    w->AddDirectLine(QStringLiteral("X"), QString(), QStringLiteral("1"), QString());
    Press(Qt::Key_F9, Qt::AltModifier);
    Press(Qt::Key_F9, Qt::ControlModifier);
    EXPECT_EQ(Lines(), 1);
    Press(Qt::Key_F9, Qt::ShiftModifier);
    EXPECT_EQ(Lines(), 0);
    // On an empty new order the order keys only say why they cannot act,
    // and ask the service nothing.
    const std::uint64_t before = Calls();
    messages_.Clear();
    for (int key : { Qt::Key_F6, Qt::Key_F7, Qt::Key_F8 })
        Press(key);
    EXPECT_EQ(Calls(), before);
    EXPECT_EQ(messages_.Texts(),
        (QStringList { QString::fromUtf8("복사할 내용을 먼저 열기하여 선택하십시요."),
            QString::fromUtf8("전송할 주문내역이 없습니다.") }));
}

TEST_F(MainWindow, F1SwitchesTheListsAndTheMouseClickDoesToo)
{
    TFrmMain* w = Open(kShop01);
    ASSERT_NE(w, nullptr);
    Focus(w->SGG);
    Press(Qt::Key_F1); // from the list: the box takes the focus and shows the catalogue
    EXPECT_TRUE(w->RdBtnAll->isChecked());
    EXPECT_EQ(w->focusWidget(), w->EdtGN);
    EXPECT_TRUE(w->SGA->isVisible());
    QTest::mouseClick(w->RdBtnOnly, Qt::LeftButton);
    EXPECT_TRUE(w->RdBtnOnly->isChecked());
    EXPECT_TRUE(w->SGG->isVisible());
    EXPECT_FALSE(w->SGA->isVisible());
    EXPECT_EQ(w->focusWidget(), w->EdtGN);
}

TEST_F(MainWindow, ExitAsksOnlyWithLinesOnScreen)
{
    TFrmMain* w = Open(kShop01);
    ASSERT_NE(w, nullptr);
    w->AddDirectLine(QStringLiteral("X"), QString(), QStringLiteral("1"), QString());
    messages_.script = { MessageAnswer::No };
    Press(Qt::Key_Escape);
    EXPECT_EQ(messages_.Last(), QString::fromUtf8(kExitQuestion));
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(FrmMain, w);
    messages_.script = { MessageAnswer::Yes };
    QTest::mouseClick(w->ImgBtnEsc, Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(FrmMain, nullptr);
    EXPECT_EQ(messages_.Texts().size(), 2);

    // An empty order closes without a question.
    TearDown();
    SetUp();
    w = Open(kShop02);
    ASSERT_NE(w, nullptr);
    Press(Qt::Key_Escape);
    EXPECT_FALSE(w->isVisible());
    EXPECT_TRUE(messages_.Texts().isEmpty());
}

TEST_F(MainWindow, NoticesButtonAndPasswordWindow)
{
    TFrmMain* w = Open(kShop01);
    ASSERT_NE(w, nullptr);
    std::array<QString, 20> shown;
    QPoint offset;
    WhenShown<TFrmMessage>(FrmMessage, [&](TFrmMessage* m) {
        shown = m->Notices;
        offset = m->pos() - w->pos();
        QTest::keyClick(m->focusWidget() ? m->focusWidget() : static_cast<QWidget*>(m), Qt::Key_Escape);
    });
    const std::uint64_t before = Calls();
    w->SBMessage->click();
    EXPECT_EQ(Calls(), before + 1);
    EXPECT_EQ(offset, QPoint(340, 120));
    EXPECT_EQ(shown[2], QString::fromUtf8("[휴무] 매주 일요일은 배송이 없습니다."));
    EXPECT_TRUE(shown[6].isEmpty());
    EXPECT_EQ(FrmMessage, nullptr);

    QString mode;
    WhenShown<TFrmSecModi>(FrmSecModi, [&](TFrmSecModi* p) {
        mode = p->Mode;
        offset = p->pos() - w->pos();
        QTest::keyClick(p->focusWidget() ? p->focusWidget() : static_cast<QWidget*>(p), Qt::Key_Escape);
    });
    w->SpeedButton1->click();
    EXPECT_EQ(mode, QStringLiteral("MODI"));
    EXPECT_EQ(offset, QPoint(180, 180));
    EXPECT_EQ(FrmSecModi, nullptr);
}

TEST_F(MainWindow, CancelledLoginLeavesTheWindowUnshown)
{
    WhenShown<TFrmSecS>(FrmSecS, [](TFrmSecS* login) { QTest::keyClick(login->focusWidget(), Qt::Key_Escape); });
    main_ = std::make_unique<TFrmMain>();
    EXPECT_FALSE(main_->LoginAccepted());
    EXPECT_FALSE(main_->isVisible());
    EXPECT_EQ(CallCount(), 0u);
}

TEST_F(MainWindow, FirstListComesAlsoWhenTheBoxHadTheFocusBeforeTheWindowShowed)
{
    WhenShown<TFrmSecS>(FrmSecS, [](TFrmSecS* login) {
        TypeInto(login->EdtMID, QStringLiteral("NURI"));
        TypeInto(login->EdtCID, QStringLiteral("SHOP01"));
        TypeInto(login->MEdtS, QStringLiteral("2580"));
        QTest::keyClick(login->MEdtS, Qt::Key_Return);
    });
    main_ = std::make_unique<TFrmMain>();
    ASSERT_TRUE(main_->LoginAccepted());
    main_->LaunchArguments = { QStringLiteral("nrclient") };
    main_->EdtGN->setFocus(); // restored by the platform on activation: no entry
    const std::uint64_t before = Calls();
    ExpectNoticesWindow();
    main_->show();
    main_->activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([this] { return !main_->FirstActivate; }, 10000));
    EXPECT_EQ(main_->SGG->RowCount(), kShop01.traded);
    EXPECT_EQ(Calls(), before + 2); // the traded list and the notices
}
