#include "Messages.h"

#include <QApplication>
#include <QMessageBox>

namespace order {

namespace {
Messages* installed = nullptr;
}

Messages& CurrentMessages()
{
    static QtMessages qtMessages;
    return installed ? *installed : qtMessages;
}

void SetMessages(Messages* messages)
{
    installed = messages;
}

MessageAnswer AskMessage(const MessageRequest& request)
{
    return CurrentMessages().Ask(request);
}

void ShowMessage(const QString& text)
{
    AskMessage({text, QString(), MessageIcon::None, MessageButtons::Ok});
}

bool ConfirmMessage(const QString& text)
{
    return AskMessage({text, QString(), MessageIcon::Question, MessageButtons::YesNo}) == MessageAnswer::Yes;
}

QString DisplayText(const QString& text)
{
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    t.remove(QChar(0));
    return t;
}

MessageAnswer QtMessages::Ask(const MessageRequest& request)
{
    QMessageBox box;
    box.setWindowTitle(request.caption.isEmpty() ? QApplication::applicationName() : request.caption);
    box.setText(DisplayText(request.text));
    switch (request.icon) {
    case MessageIcon::Information: box.setIcon(QMessageBox::Information); break;
    case MessageIcon::Warning: box.setIcon(QMessageBox::Warning); break;
    case MessageIcon::Error: box.setIcon(QMessageBox::Critical); break;
    case MessageIcon::Question: box.setIcon(QMessageBox::Question); break;
    case MessageIcon::None: box.setIcon(QMessageBox::NoIcon); break;
    }
    switch (request.buttons) {
    case MessageButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        box.exec();
        return MessageAnswer::Ok;
    case MessageButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        return box.exec() == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
    case MessageButtons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        return box.exec() == QMessageBox::Ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
    }
    return MessageAnswer::Ok;
}

MessageRecorder::MessageRecorder()
{
    SetMessages(this);
}

MessageRecorder::~MessageRecorder()
{
    if (&CurrentMessages() == this)
        SetMessages(nullptr);
}

MessageAnswer MessageRecorder::Ask(const MessageRequest& request)
{
    requests.push_back(request);
    if (onShow)
        onShow(request);
    if (request.buttons == MessageButtons::Ok)
        return MessageAnswer::Ok;
    MessageAnswer a = defaultAnswer;
    if (!script.empty()) {
        a = script.front();
        script.pop_front();
    }
    if (request.buttons == MessageButtons::OkCancel && (a == MessageAnswer::Yes || a == MessageAnswer::No))
        a = a == MessageAnswer::Yes ? MessageAnswer::Ok : MessageAnswer::Cancel;
    if (request.buttons == MessageButtons::YesNo && (a == MessageAnswer::Ok || a == MessageAnswer::Cancel))
        a = a == MessageAnswer::Ok ? MessageAnswer::Yes : MessageAnswer::No;
    return a;
}

QStringList MessageRecorder::Texts() const
{
    QStringList l;
    for (const auto& r : requests)
        l << r.text;
    return l;
}

QString MessageRecorder::Last() const
{
    return requests.empty() ? QString() : requests.back().text;
}

}  // namespace order
