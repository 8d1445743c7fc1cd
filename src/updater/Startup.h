#pragma once

// Program start: the launch mode from the command line, the folders, the
// update check or replacement step, and the relaunch that hands over to
// another copy of the program.
//
// Two environment variables exist for tests that run the program as a real
// process (nothing sets them in normal use):
//   ORDER_RELAUNCH_LOG=<file>   each start appends one JSON line with its
//                               launch result and, instead of starting it,
//                               the relaunch it would perform (program,
//                               arguments, working folder).
//   ORDER_MESSAGES_TO_STDERR=1  message boxes are written to stderr as
//                               "MESSAGE<TAB>caption<TAB>icon<TAB>text" and
//                               answered OK (Yes for a question); a NUL in
//                               the text is written as U+2400 (␀).

#include <QString>
#include <QStringList>

#include <optional>

namespace order {

enum class StartMode { Check, TmpFile, SkipCheck, Unknown };

struct StartArguments {
    StartMode mode = StartMode::Check;
    QString installDir; // /TMPFILE: the installed program's folder
    QString extraParam;
};

// arguments: the command line without the program itself. Compared exactly
// (case-sensitive).
StartArguments ParseStartArguments(const QStringList& arguments);

// Sets ProgramDir, ProgramFileName and WorkDir (templatesFolder + "/", empty
// when there is no templates folder), and
// clears InstallDir, UpdateMessage and ExtraParam.
void SetStartFolders(const QString& programFilePath, const QString& templatesFolder);

// Runs what the mode needs before the main window and gives LaunchResult:
// the update check window (Check), the replacement step (TmpFile), nothing
// (SkipCheck: 0), or -1 for an unknown first argument. Sets InstallDir and
// ExtraParam from the arguments.
int DecideLaunch(const StartArguments& arguments);

struct RelaunchCommand {
    QString program;
    QStringList arguments;
    QString workingDirectory;
};

// The hand-over for LaunchResult 1 (the copy in WorkDir with /TMPFILE and
// ProgramDir) and 2 (the installed program with /SKIPCHECK and the update
// message); nothing for other results. Sets ExtraParam to "2.202" for 1.
std::optional<RelaunchCommand> RelaunchFor(int launchResult);

// Starts the command detached, its arguments as a list (never through a
// shell, so folders with blanks arrive whole). The result of the start is
// not acted upon by start-up.
bool Relaunch(const RelaunchCommand& command);

// Writes the launch result to ORDER_RELAUNCH_LOG when it is set.
void RecordLaunchResult(int launchResult);

// The message box text the main window shows for the second argument: "/"
// becomes CR LF and "^" a blank.
QString DecodeStartMessage(const QString& argument);

// Fonts the windows name that Linux does not have.
void ApplyFontSubstitutions();

// Installs the stderr message boxes when ORDER_MESSAGES_TO_STDERR is set.
void InstallStartupTestHooks();

struct MessageRequest;
// The line ORDER_MESSAGES_TO_STDERR writes for a message box.
QString StderrMessageLine(const MessageRequest& request);

} // namespace order
