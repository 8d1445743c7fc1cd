#pragma once

// The main window opened the way a shop opens it: the demo service on a
// loopback port, the real login window typed into, the first activation with
// its notices window, and every message box recorded.

#include "DataModule.h"
#include "DemoServiceSupport.h"
#include "DialogTestSupport.h"
#include "HttpClient.h"
#include "Messages.h"
#include "StringGrid.h"
#include "TFrmCnt.h"
#include "TFrmMain.h"
#include "TFrmMessage.h"
#include "TFrmSecS.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>

namespace order_test {

using namespace order;

using dialog_test::WhenShown;

// Replaces what the box holds (the login prefills remembered ids).
inline void TypeInto(QLineEdit* w, const QString& text)
{
    w->clear();
    QTest::keyClicks(w, text);
}

struct Shop {
    const char* id;
    const char* password;
    bool gua;
    bool gub;
    bool guc;
    int traded;
};

inline const Shop kShop01 { "SHOP01", "2580", false, true, false, 45 };
inline const Shop kShop02 { "SHOP02", "1470", true, true, false, 40 };
inline const Shop kShop03 { "SHOP03", "3690", false, false, true, 30 };

class MainWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (server_.Start())
            server_.Use();
    }

    static void TearDownTestSuite() { server_.Stop(); }

    void SetUp() override
    {
        ASSERT_TRUE(server_.Started());
        ASSERT_TRUE(programDir_.isValid());
        ProgramDir = programDir_.path() + QLatin1Char('/');
        dm_ = std::make_unique<TDM>();
        messages_.Clear();
        messages_.script.clear();
        SetMessages(&messages_);
    }

    void TearDown() override
    {
        main_.reset();
        SetMessages(nullptr);
        dm_.reset();
        ProgramDir.clear();
    }

    // Logs in through the login window with keys, then shows the main
    // window and lets its first activation run. The notices window it opens
    // is closed with Esc after its rows were read into shownNotices_.
    TFrmMain* Open(const Shop& shop, QStringList arguments = { QStringLiteral("nrclient") })
    {
        WhenShown<TFrmSecS>(FrmSecS, [shop](TFrmSecS* login) {
            login->EdtMID->setFocus();
            TypeInto(login->EdtMID, QStringLiteral("NURI"));
            QTest::keyClick(login->EdtMID, Qt::Key_Return);
            TypeInto(login->EdtCID, QString::fromLatin1(shop.id));
            QTest::keyClick(login->EdtCID, Qt::Key_Return);
            TypeInto(login->MEdtS, QString::fromLatin1(shop.password));
            QTest::keyClick(login->MEdtS, Qt::Key_Return);
        });
        main_ = std::make_unique<TFrmMain>();
        EXPECT_TRUE(main_->LoginAccepted());
        if (!main_->LoginAccepted())
            return nullptr;
        main_->LaunchArguments = arguments;
        ExpectNoticesWindow();
        main_->show();
        main_->activateWindow();
        EXPECT_TRUE(QTest::qWaitFor([this] { return !main_->FirstActivate; }, 10000));
        Activate();
        return main_.get();
    }

    // After a modal window closed, the offscreen platform leaves the
    // activation to the program.
    void Activate()
    {
        main_->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(main_.get(), 2000));
    }

    void ExpectNoticesWindow()
    {
        noticesShown_ = 0;
        WhenShown<TFrmMessage>(FrmMessage, [this](TFrmMessage* w) {
            ++noticesShown_;
            QTest::keyClick(w->focusWidget() ? w->focusWidget() : static_cast<QWidget*>(w), Qt::Key_Escape);
        });
    }

    // Key to the control that has the focus, as a keyboard delivers it.
    void Press(int key, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QWidget* w = main_->focusWidget();
        ASSERT_NE(w, nullptr);
        QTest::keyClick(w, Qt::Key(key), mods);
    }

    // Latin text as key clicks; anything else arrives the way an input
    // method commits it (QTest only types Latin-1 keys).
    void Type(const QString& text)
    {
        QWidget* w = main_->focusWidget();
        ASSERT_NE(w, nullptr);
        for (const QChar c : text) {
            if (c.unicode() < 0x80) {
                QTest::keyClicks(w, QString(c));
            } else {
                QInputMethodEvent commit;
                commit.setCommitString(QString(c));
                QApplication::sendEvent(w, &commit);
            }
        }
    }

    void Focus(QWidget* w)
    {
        w->setFocus(Qt::OtherFocusReason);
        QApplication::processEvents();
    }

    int Lines() const
    {
        int n = 0;
        while (n < main_->SGS->RowCount() && !main_->SGS->Cells(9, n).isEmpty())
            ++n;
        return n;
    }

    static std::uint64_t Calls() { return CallCount(); }

    // Adds a traded-list row as a shop does: Enter on the row, the quantity
    // typed into the quantity window, Enter.
    void AddTraded(int row, const QString& qty)
    {
        Focus(main_->SGG);
        main_->SGG->SetRow(row);
        WhenShown<TFrmCnt>(FrmCnt, [qty](TFrmCnt* cnt) {
            QTest::keyClicks(cnt->focusWidget(), qty);
            QTest::keyClick(cnt->focusWidget(), Qt::Key_Return);
        });
        Press(Qt::Key_Return);
        Activate();
    }

    QString Msg(const char* utf8) const { return QString::fromUtf8(utf8); }

    static inline testsupport::SuiteService server_;
    QTemporaryDir programDir_;
    std::unique_ptr<TDM> dm_;
    MessageRecorder messages_;
    std::unique_ptr<TFrmMain> main_;
    int noticesShown_ = 0;
};

} // namespace order_test
