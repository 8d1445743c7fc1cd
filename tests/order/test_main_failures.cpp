// The main window when the service cannot be reached after the login: each
// load, search and removal shows its own message and leaves the screen as it
// was, and the caches make the next load ask again.

#include "MainWindowSupport.h"

#include <QCheckBox>
#include <QRadioButton>
#include <QToolButton>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace order;
using namespace order_test;

namespace {

// A loopback port that nothing listens on.
int DeadPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr {};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    ::close(fd);
    return ntohs(addr.sin_port);
}

class MainFailures : public MainWindowTest {
protected:
    void ServiceDown() { qputenv("ORDER_SERVICE_HOST", QByteArray("127.0.0.1:") + QByteArray::number(DeadPort())); }
    void ServiceUp() { server_.Use(); }
    void TearDown() override
    {
        ServiceUp();
        MainWindowTest::TearDown();
    }

    const QString kReadError = QString::fromUtf8("전체 읽기 오류입니다\r\r다시 시도하십시요.");
    const QString kSearchError = QString::fromUtf8("전체 읽기 오류입니다\r\r인터넷을 확인하십시요.");
    const QString kCatalogError = QString::fromUtf8("전체 제품 읽기 오류입니다\r\r다시 시도하십시요.");
};

} // namespace

TEST_F(MainFailures, TradedListReloadFailsThenAsksAgain)
{
    TFrmMain* w = Open(kShop01);
    ASSERT_NE(w, nullptr);
    const int rows = w->SGG->RowCount();
    const QString first = w->SGG->Cells(0, 0);
    ServiceDown();
    w->SBSDIndex->click();
    EXPECT_EQ(messages_.Last(), kReadError);
    EXPECT_TRUE(DM->TradedCache.empty());
    EXPECT_EQ(w->SGG->RowCount(), rows); // the list keeps its rows
    EXPECT_EQ(w->SGG->Cells(0, 0), first);
    // With the service back, the next entry into the box asks again.
    ServiceUp();
    const std::uint64_t before = Calls();
    Focus(w->SGG);
    Focus(w->EdtGN);
    EXPECT_EQ(Calls(), before + 1);
    EXPECT_FALSE(DM->TradedCache.empty());
    EXPECT_EQ(w->SGG->RowCount(), rows);
}

TEST_F(MainFailures, CatalogueFailureKeepsItPending)
{
    TFrmMain* w = Open(kShop01);
    ASSERT_NE(w, nullptr);
    ServiceDown();
    Press(Qt::Key_F1);
    EXPECT_EQ(messages_.Last(), kCatalogError);
    EXPECT_TRUE(w->CatalogPending);
    EXPECT_TRUE(DM->CatalogCache.empty());
    ServiceUp();
    Press(Qt::Key_F1);
    Press(Qt::Key_F1);
    EXPECT_FALSE(w->CatalogPending);
    EXPECT_GT(w->SGA->RowCount(), kShop01.traded);
    EXPECT_EQ(w->SGB->RowCount(), w->SGA->RowCount());
}

TEST_F(MainFailures, SearchRemovalAndNoticesFailures)
{
    TFrmMain* w = Open(kShop01);
    ASSERT_NE(w, nullptr);
    const int rows = w->SGG->RowCount();
    ServiceDown();
    Type(QString::fromUtf8("라면"));
    Press(Qt::Key_Return);
    EXPECT_EQ(messages_.Last(), kSearchError);
    EXPECT_EQ(w->SGG->RowCount(), rows);

    Focus(w->SGG);
    messages_.script = { MessageAnswer::Yes };
    w->SBF8U->click();
    EXPECT_EQ(messages_.Last(), QString::fromUtf8("등록삭제 오류입니다."));
    EXPECT_FALSE(DM->TradedCache.empty()); // nothing removed: the cache stays

    const std::array<QString, 20> notices = w->Notices;
    noticesShown_ = 0;
    ExpectNoticesWindow();
    w->SBMessage->click();
    QTest::qWait(20);
    EXPECT_EQ(messages_.Last(), kReadError);
    EXPECT_EQ(noticesShown_, 0);
    EXPECT_TRUE(DM->NoticeCache.empty());
    EXPECT_EQ(w->Notices, notices); // unchanged on failure
    EXPECT_EQ(FrmMessage, nullptr);
}
