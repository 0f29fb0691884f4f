#include "app/Messages.h"

#include <QApplication>
#include <QMessageBox>

#include "platform/AtomicFile.h"
#include "platform/Automation.h"
#include "platform/ProgramPaths.h"
#include "platform/Utf8.h"
#include "workbook/XlsxWorkbook.h"

namespace tabrova::app {

namespace {

// The most of a failure's reason a message shows.
constexpr std::size_t kReasonChars = 800;

MessageHandler& handlerSlot() {
    static MessageHandler handler;
    return handler;
}

MessageAnswer showReal(const MessageRequest& request) {
    QMessageBox box(request.owner);
    box.setWindowTitle(request.caption);
    box.setText(request.text);
    switch (request.kind) {
        case MessageKind::information:
            box.setIcon(QMessageBox::Information);
            break;
        case MessageKind::warning:
            box.setIcon(QMessageBox::Warning);
            break;
        case MessageKind::error:
            box.setIcon(QMessageBox::Critical);
            break;
        case MessageKind::question:
            box.setIcon(QMessageBox::Question);
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setDefaultButton(QMessageBox::Yes);
            return box.exec() == QMessageBox::Yes ? MessageAnswer::yes : MessageAnswer::no;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return MessageAnswer::ok;
}

MessageAnswer show(const MessageRequest& request) {
    const MessageHandler& handler = handlerSlot();
    return handler ? handler(request) : showReal(request);
}

}  // namespace

MessageHandler setMessageHandler(MessageHandler handler) {
    MessageHandler previous = std::move(handlerSlot());
    handlerSlot() = std::move(handler);
    return previous;
}

void showMessage(QWidget* owner, const QString& text, const QString& caption, MessageKind kind) {
    show(MessageRequest{owner, text, caption, kind});
}

bool askYesNo(QWidget* owner, const QString& text, const QString& caption) {
    return show(MessageRequest{owner, text, caption, MessageKind::question}) == MessageAnswer::yes;
}

QString describeException(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const automation::AutomationError& e) {
        return QString::fromStdU16String(e.message());
    } catch (const platform::FileError& e) {
        return QString::fromStdU16String(platform::pathToUtf16(e.path())) + QStringLiteral(": ") +
               QString::fromStdString(messageText(e.japaneseReason(), kReasonChars));
    } catch (const workbook::WorkbookError& e) {
        // The reason may quote the file's own text.
        return QStringLiteral("ブックを読み込めませんでした.\n") +
               QString::fromStdU16String(platform::pathToUtf16(e.path())) + QStringLiteral("\n") +
               QString::fromStdString(messageText(e.japaneseReason(), kReasonChars));
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return QStringLiteral("不明なエラーが発生しました.");
    }
}

void showErrorBox(const std::exception_ptr& error) {
    QWidget* owner = QApplication::activeWindow();
    showMessage(owner, describeException(error), QStringLiteral("Tabrova"), MessageKind::error);
}

void guard(const std::function<void()>& handler) {
    try {
        handler();
    } catch (...) {
        showErrorBox(std::current_exception());
    }
}

}  // namespace tabrova::app
