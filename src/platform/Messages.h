#pragma once

// Message boxes go through one interface so that windows can be tested: the
// program shows QMessageBoxes titled with the application title, tests
// install a recorder that keeps every text and answers from a script.

#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <vector>

namespace order {

enum class MessageIcon { None, Information, Warning, Error, Question };
enum class MessageButtons { Ok, YesNo, OkCancel };
enum class MessageAnswer { Ok = 1, Cancel = 2, Yes = 6, No = 7 };

struct MessageRequest {
    QString text;
    QString caption;  // empty: the application title
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
};

class Messages {
public:
    virtual ~Messages() = default;
    virtual MessageAnswer Ask(const MessageRequest& request) = 0;
};

// The installed implementation (the QMessageBox one unless a test set another).
Messages& CurrentMessages();
void SetMessages(Messages* messages);  // nullptr restores the QMessageBox one

// Plain OK box.
void ShowMessage(const QString& text);
// Yes/No box; true for Yes.
bool ConfirmMessage(const QString& text);
MessageAnswer AskMessage(const MessageRequest& request);

// CR LF and lone CR become line breaks only when a text is displayed.
QString DisplayText(const QString& text);

class QtMessages : public Messages {
public:
    MessageAnswer Ask(const MessageRequest& request) override;
};

// Keeps every request; answers confirmations from a script (Yes when the
// script is empty, unless defaultAnswer says otherwise). onShow, when set,
// runs for each request (tests use it to act while a box would be open).
class MessageRecorder : public Messages {
public:
    MessageRecorder();
    ~MessageRecorder() override;
    MessageAnswer Ask(const MessageRequest& request) override;

    QStringList Texts() const;
    QString Last() const;
    void Clear() { requests.clear(); }

    std::vector<MessageRequest> requests;
    std::deque<MessageAnswer> script;
    MessageAnswer defaultAnswer = MessageAnswer::Yes;
    std::function<void(const MessageRequest&)> onShow;
};

}  // namespace order
