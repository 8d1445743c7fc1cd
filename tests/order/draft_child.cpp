// A client process for the draft tests: logs in as a shop through the real
// login window (offscreen), adds traded products through the list and the
// quantity window, types a note and a delivery date, checks the box, prints
// what the order holds and then waits to be killed.
//
//   order_draft_child WORKDIR SHOP_ID PASSWORD LINES
//
// After each change it prints "CHANGE lines|note|date|box" and goes on only
// when a line arrives on its standard input: the parent sends it once it
// has found that change in the draft on disk. Nothing here asks for the
// draft to be flushed. The service is the one ORDER_SERVICE_HOST names.
// Message boxes are answered Yes and printed.

#include "MainWindowSupport.h"

#include "TFrmCnt.h"

#include <QCheckBox>

#include <poll.h>
#include <unistd.h>

#include <cstdio>

using namespace order;
using namespace order_test;

namespace {

class PrintingMessages : public Messages {
public:
    MessageAnswer Ask(const MessageRequest& request) override
    {
        std::printf("MESSAGE %s\n", request.text.toUtf8().constData());
        std::fflush(stdout);
        return request.buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
    }
};

void Key(QWidget* w, int key)
{
    QTest::keyClick(w, Qt::Key(key));
}

// Says what the screen holds and waits, with the event loop running, until
// the parent has seen it in the draft.
bool Changed(const TFrmMain& w)
{
    int lines = 0;
    while (lines < w.SGS->RowCount() && !w.SGS->Cells(9, lines).isEmpty())
        ++lines;
    std::printf("CHANGE %d|%s|%s|%d\n", lines, w.EdtNote->text().toUtf8().constData(),
        w.EdtDD->text().toUtf8().constData(), w.ChkBxIOG->isChecked() ? 1 : 0);
    std::fflush(stdout);
    return QTest::qWaitFor(
        [] {
            pollfd in { STDIN_FILENO, POLLIN, 0 };
            char c = 0;
            return ::poll(&in, 1, 0) > 0 && ::read(STDIN_FILENO, &c, 1) == 1;
        },
        30000);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 5)
        return 2;
    WorkDir = QString::fromLocal8Bit(argv[1]) + QLatin1Char('/');
    ProgramDir = WorkDir;
    const QString shop = QString::fromLatin1(argv[2]);
    const QString password = QString::fromLatin1(argv[3]);
    const int lines = std::atoi(argv[4]);
    PrintingMessages messages;
    SetMessages(&messages);
    TDM dm;

    WhenShown<TFrmSecS>(FrmSecS, [&](TFrmSecS* login) {
        TypeInto(login->EdtMID, QStringLiteral("NURI"));
        Key(login->EdtMID, Qt::Key_Return);
        TypeInto(login->EdtCID, shop);
        Key(login->EdtCID, Qt::Key_Return);
        TypeInto(login->MEdtS, password);
        Key(login->MEdtS, Qt::Key_Return);
    });
    TFrmMain w;
    if (!w.LoginAccepted())
        return 3;
    WhenShown<TFrmMessage>(FrmMessage, [](TFrmMessage* m) { Key(m->SGS, Qt::Key_Escape); });
    w.show();
    w.activateWindow();
    if (!QTest::qWaitFor([&w] { return !w.FirstActivate && !FrmMessage; }, 10000))
        return 4;

    for (int r = 0; r < lines; ++r) {
        w.activateWindow();
        // Best effort: the keys go to the focused widget either way.
        static_cast<void>(QTest::qWaitForWindowActive(&w, 2000));
        w.SGG->setFocus(Qt::OtherFocusReason);
        w.SGG->SetRow(r);
        WhenShown<TFrmCnt>(FrmCnt, [r](TFrmCnt* cnt) {
            QTest::keyClicks(cnt->focusWidget(), QString::number(r % 7 + 2));
            Key(cnt->focusWidget(), Qt::Key_Return);
        });
        Key(w.SGG, Qt::Key_Return);
        if (!Changed(w))
            return 5;
    }
    w.EdtNote->setFocus(Qt::OtherFocusReason);
    QTest::keyClicks(w.EdtNote, QStringLiteral("back door"));
    w.EdtDD->setFocus(Qt::OtherFocusReason);
    QTest::keyClicks(w.EdtDD, QStringLiteral("261231"));
    if (!Changed(w))
        return 5;
    w.ChkBxIOG->setChecked(true);
    if (!Changed(w))
        return 5;

    for (int r = 0; r < w.SGS->RowCount() && !w.SGS->Cells(9, r).isEmpty(); ++r)
        std::printf("LINE %s|%s|%s|%s\n", w.SGS->Cells(9, r).toUtf8().constData(),
            w.SGS->Cells(1, r).toUtf8().constData(), w.SGS->Cells(3, r).toUtf8().constData(),
            w.SGS->Cells(4, r).toUtf8().constData());
    std::printf("READY\n");
    std::fflush(stdout);
    return app.exec();
}
