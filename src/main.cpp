// Program start: folders, launch mode, update check or hand-over, then the
// data module and the main window.

#include "CallWait.h"
#include "DataModule.h"
#include "Folders.h"
#include "HttpClient.h"
#include "Startup.h"
#include "TFrmMain.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("누리상점 딩동주문3"));
    order::ApplyFontSubstitutions();
    order::InstallStartupTestHooks();
    // Every service call and download from here on keeps the windows painting.
    order::InstallCallWait();

    order::SetStartFolders(QCoreApplication::applicationFilePath(), order::GetTemplatesFolder());
    order::Transport().downloadFile = (order::WorkDir + QStringLiteral("downfile")).toStdString();

    const order::StartArguments arguments = order::ParseStartArguments(QCoreApplication::arguments().mid(1));
    const int result = order::DecideLaunch(arguments);
    order::RecordLaunchResult(result);

    int exitCode = 0;
    if (result == 0) {
        order::TDM dm;
        // Creating the main window runs the login; without it the program ends.
        order::TFrmMain mainWindow;
        if (mainWindow.LoginAccepted()) {
            mainWindow.show();
            // Ask for the focus: without a window manager nothing else
            // activates the window, and its first activation loads the lists.
            mainWindow.activateWindow();
            exitCode = app.exec();
        }
    } else if (const auto command = order::RelaunchFor(result)) {
        order::Relaunch(*command);
    }
    order::ClearGlobals();
    return exitCode;
}
