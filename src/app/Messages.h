// Message boxes of the program behind one seam, so that tests can read and answer them, and the
// application-wide error box.
#pragma once

#include <QObject>
#include <QString>
#include <exception>
#include <functional>

class QWidget;

namespace tabrova::app {

enum class MessageKind { information, warning, error, question };
enum class MessageAnswer { ok, yes, no };

struct MessageRequest {
    QWidget* owner = nullptr;
    QString text;
    QString caption;
    MessageKind kind = MessageKind::information;
};

using MessageHandler = std::function<MessageAnswer(const MessageRequest&)>;

// Replaces how message boxes are shown (tests answer them); an empty handler restores the real
// boxes. Returns the previous handler.
MessageHandler setMessageHandler(MessageHandler handler);

// A message with an OK button.
void showMessage(QWidget* owner, const QString& text, const QString& caption,
                 MessageKind kind = MessageKind::information);

// A Yes/No question; true for Yes.
bool askYesNo(QWidget* owner, const QString& text, const QString& caption);

// The text of an exception for the user: the automation server's description, a file's path
// with the system's reason, or what() of anything else.
QString describeException(const std::exception_ptr& error);

// The application's standard error box, captioned "Tabrova".
void showErrorBox(const std::exception_ptr& error);

// Runs an event handler; whatever it throws is shown in the standard error box instead of
// unwinding through the toolkit's frames. Every handler of the program runs through this.
void guard(const std::function<void()>& handler);

// Connects the sender's signal to a handler of context's that runs through guard().
template <class Sender, class Signal>
void connectGuarded(QObject* context, Sender* sender, Signal signal,
                    std::function<void()> handler) {
    QObject::connect(sender, signal, context, [handler = std::move(handler)] { guard(handler); });
}

}  // namespace tabrova::app
