// Program start: folders, launch mode, update check or hand-over, then the
// data module and the main window.

#include "DataModule.h"
#include "Folders.h"
#include "HttpClient.h"
#include "Startup.h"

#include <QApplication>

#if __has_include("TFrmMain.h")
#include "TFrmMain.h"
#define ORDER_HAVE_MAIN_WINDOW 1
#endif

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("누리상점 딩동주문3"));
    order::ApplyFontSubstitutions();
    order::InstallStartupTestHooks();

    order::SetStartFolders(QCoreApplication::applicationFilePath(), order::GetTemplatesFolder());
    order::Transport().downloadFile = (order::WorkDir + QStringLiteral("downfile")).toStdString();

    const order::StartArguments arguments = order::ParseStartArguments(QCoreApplication::arguments().mid(1));
    const int result = order::DecideLaunch(arguments);
    order::RecordLaunchResult(result);

    int exitCode = 0;
    if (result == 0) {
        order::TDM dm;
#ifdef ORDER_HAVE_MAIN_WINDOW
        order::TFrmMain mainWindow;
        if (mainWindow.LoginAccepted()) {
            mainWindow.show();
            exitCode = app.exec();
        }
#endif
    } else if (const auto command = order::RelaunchFor(result)) {
        order::Relaunch(*command);
    }
    order::ClearGlobals();
    return exitCode;
}
