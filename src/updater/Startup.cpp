#include "Startup.h"

#include "DataModule.h"
#include "Folders.h"
#include "Messages.h"
#include "TFrmSplash.h"

#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QProcess>

#include <cstdio>

namespace order {

namespace {

    const QString kTmpFile = QStringLiteral("/TMPFILE");
    const QString kSkipCheck = QStringLiteral("/SKIPCHECK");

    void AppendLog(const QJsonObject& entry)
    {
        const QString path = qEnvironmentVariable("ORDER_RELAUNCH_LOG");
        if (path.isEmpty())
            return;
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Append))
            return;
        f.write(QJsonDocument(entry).toJson(QJsonDocument::Compact) + '\n');
    }

    const char* IconName(MessageIcon icon)
    {
        switch (icon) {
        case MessageIcon::Information:
            return "information";
        case MessageIcon::Warning:
            return "warning";
        case MessageIcon::Error:
            return "error";
        case MessageIcon::Question:
            return "question";
        case MessageIcon::None:
            break;
        }
        return "none";
    }

    class StderrMessages : public Messages {
    public:
        MessageAnswer Ask(const MessageRequest& request) override
        {
            const QByteArray line = StderrMessageLine(request).toUtf8() + '\n';
            std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stderr);
            std::fflush(stderr);
            switch (request.buttons) {
            case MessageButtons::YesNo:
                return MessageAnswer::Yes;
            case MessageButtons::Ok:
            case MessageButtons::OkCancel:
                break;
            }
            return MessageAnswer::Ok;
        }
    };

} // namespace

QString StderrMessageLine(const MessageRequest& request)
{
    // A failure message carries the answer, which holds a NUL before the
    // echoed CALL_INDEX; the whole text is written, the NUL made visible.
    QString text = request.text;
    text.replace(QChar(u'\0'), QChar(u'\u2400'));
    return QStringLiteral("MESSAGE\t") + request.caption + QLatin1Char('\t') + QLatin1String(IconName(request.icon))
        + QLatin1Char('\t') + text;
}

StartArguments ParseStartArguments(const QStringList& arguments)
{
    StartArguments out;
    if (arguments.isEmpty())
        return out;
    const QString& first = arguments.front();
    if (first == kTmpFile) {
        out.mode = StartMode::TmpFile;
        out.installDir = arguments.value(1);
        out.extraParam = arguments.value(2);
    } else if (first == kSkipCheck) {
        out.mode = StartMode::SkipCheck;
        if (arguments.size() >= 3)
            out.extraParam = arguments.at(2);
    } else {
        out.mode = StartMode::Unknown;
    }
    return out;
}

void SetStartFolders(const QString& programFilePath, const QString& templatesFolder)
{
    const QFileInfo program(programFilePath);
    ProgramDir = WithSlash(program.absolutePath());
    ProgramFileName = program.fileName();
    // Without a home there is no templates folder; "/" alone would put the
    // update list and program copies into the file-system root.
    WorkDir = templatesFolder.isEmpty() ? QString() : templatesFolder + QLatin1Char('/');
    InstallDir.clear();
    UpdateMessage.clear();
    ExtraParam.clear();
}

int DecideLaunch(const StartArguments& arguments)
{
    switch (arguments.mode) {
    case StartMode::Check: {
        LaunchResult = 0;
        TFrmSplash splash;
        splash.LblMsg->clear();
        splash.ExecuteCheck();
        return LaunchResult;
    }
    case StartMode::TmpFile: {
        // The folder travels as one argument; a missing final slash would
        // glue the folder to the file names.
        InstallDir = arguments.installDir.isEmpty() ? QString() : WithSlash(arguments.installDir);
        ExtraParam = arguments.extraParam;
        TFrmSplash splash;
        splash.show();
        splash.repaint();
        LaunchResult = splash.ReplaceProgram();
        return LaunchResult;
    }
    case StartMode::SkipCheck:
        ExtraParam = arguments.extraParam;
        LaunchResult = 0;
        return LaunchResult;
    case StartMode::Unknown:
        break;
    }
    LaunchResult = -1;
    return LaunchResult;
}

std::optional<RelaunchCommand> RelaunchFor(int launchResult)
{
    if (launchResult == 1) {
        ExtraParam = QStringLiteral("2.202");
        // The copy needs nothing from its working folder; WorkDir is where
        // it lies.
        return RelaunchCommand { WorkDir + ProgramFileName, { kTmpFile, ProgramDir }, WorkDir };
    }
    if (launchResult == 2) {
        // The message writes its blanks as "^", so it stays one argument;
        // whatever follows a blank becomes the next one, as on a command
        // line.
        QStringList args { kSkipCheck };
        args << (UpdateMessage + ExtraParam).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        return RelaunchCommand { InstallDir + ProgramFileName, args, InstallDir };
    }
    return std::nullopt;
}

bool Relaunch(const RelaunchCommand& command)
{
    if (!qEnvironmentVariableIsEmpty("ORDER_RELAUNCH_LOG")) {
        QJsonObject entry;
        entry[QStringLiteral("program")] = command.program;
        entry[QStringLiteral("arguments")] = QJsonArray::fromStringList(command.arguments);
        entry[QStringLiteral("workingDirectory")] = command.workingDirectory;
        AppendLog(entry);
        return true;
    }
    return QProcess::startDetached(command.program, command.arguments, command.workingDirectory);
}

void RecordLaunchResult(int launchResult)
{
    QJsonObject entry;
    entry[QStringLiteral("launchResult")] = launchResult;
    AppendLog(entry);
}

QString DecodeStartMessage(const QString& argument)
{
    QString text = argument;
    text.replace(QLatin1Char('/'), QStringLiteral("\r\n"));
    text.replace(QLatin1Char('^'), QLatin1Char(' '));
    return text;
}

void ApplyFontSubstitutions()
{
    for (const char* family : { "굴림", "돋움", "MS Sans Serif" })
        QFont::insertSubstitution(QString::fromUtf8(family), QStringLiteral("NanumGothic"));
}

void InstallStartupTestHooks()
{
    static StderrMessages stderrMessages;
    if (!qEnvironmentVariableIsEmpty("ORDER_MESSAGES_TO_STDERR"))
        SetMessages(&stderrMessages);
}

} // namespace order
