// The main window as a whole: login, first activation per customer switch,
// layout, the relaunch message, the title, keys of the window, notices, the
// password window and the exit question.

#include "MainWindowSupport.h"

#include "TCEdit.h"
#include "TFrmSecModi.h"
#include "TImageButton.h"

#include <QCheckBox>
#include <QImageReader>
#include <QLabel>
#include <QRadioButton>
#include <QToolButton>

using namespace order;
using namespace order_test;

namespace {

class MainWindow : public MainWindowTest { };

struct SwitchCase {
    const Shop* shop;
};

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
