#include "app/TaregetCADUnit.h"

#include <QKeyEvent>
#include <QScreen>
#include <algorithm>

#include "app/FormLook.h"
#include "app/Messages.h"
#include "app/TabrovaUnit.h"
#include "platform/AtomicFile.h"
#include "platform/InputMethod.h"
#include "preview/QtText.h"

namespace tabrova::app {

namespace {

// A line break would split the list's line in two: pasted or typed, it becomes a space.
void replaceLineBreaks(QLineEdit* box) {
    const QString text = box->text();
    if (!text.contains(u'\r') && !text.contains(u'\n')) return;
    const int cursor = box->cursorPosition();
    QString cleaned = text;
    cleaned.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    cleaned.replace(u'\r', u' ').replace(u'\n', u' ');
    box->setText(cleaned);
    box->setCursorPosition(std::min<int>(cursor - static_cast<int>(text.size() - cleaned.size()),
                                         static_cast<int>(cleaned.size())));
}

}  // namespace

TTargetCADForm::TTargetCADForm(TForm1& form)
    : QDialog(&form), form_(form), list_(form.programFiles().targetListFile) {
    setWindowFlags(kFixedDialogFlags);
    setFont(formFont(12));
    setupUi(this);

    // Names and ProgIDs are mostly ASCII: the input method is switched off when a box gains the
    // focus (eventFilter), and the user may switch it on for a Japanese name.
    for (QLineEdit* box : {Edit1, Edit2}) {
        box->installEventFilter(this);
        connect(box, &QLineEdit::textChanged, this, [box] { replaceLineBreaks(box); });
    }
    // A click on the selected entry fills the boxes again, as a move of the selection does.
    connectGuarded(this, ListBox1, &QListWidget::currentRowChanged, [this] { ListBox1Click(); });
    connectGuarded(this, ListBox1, &QListWidget::itemClicked, [this] { ListBox1Click(); });
    connectGuarded(this, SpeedButton1, &QToolButton::clicked, [this] { SpeedButton1Click(); });
    connectGuarded(this, SpeedButton2, &QToolButton::clicked, [this] { SpeedButton2Click(); });
    connectGuarded(this, SpeedButton3, &QToolButton::clicked, [this] { SpeedButton3Click(); });
    connectGuarded(this, Button1, &QPushButton::clicked, [this] { Button1Click(); });
    showList();
}

void TTargetCADForm::showEvent(QShowEvent* event) {
    if (const QScreen* screen = form_.screen()) {
        move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
    }
    QDialog::showEvent(event);
    guard([this] { FormShow(); });
}

std::function<void(QWidget*)>& TTargetCADForm::inputMethodOffHook() {
    static std::function<void(QWidget*)> hook = [](QWidget* box) {
        platform::switchInputMethodOff(static_cast<platform::WindowHandle>(box->window()->winId()));
    };
    return hook;
}

bool TTargetCADForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn && (watched == Edit1 || watched == Edit2)) {
        inputMethodOffHook()(static_cast<QWidget*>(watched));
    }
    if (event->type() == QEvent::KeyPress && (watched == Edit1 || watched == Edit2)) {
        bool consumed = false;
        guard([&] { consumed = Edit1KeyPress(static_cast<QKeyEvent*>(event)->key()); });
        if (consumed) return true;
    }
    return QDialog::eventFilter(watched, event);
}

template <class Edit>
void TTargetCADForm::editList(const char16_t* failure, Edit edit) {
    try {
        edit();
    } catch (const platform::FileError& e) {
        showMessage(this,
                    qs(failure) + QStringLiteral("\n%1\n%2")
                                      .arg(qs(e.path().u16string()),
                                           QString::fromStdString(e.japaneseReason())),
                    qs(kApplicationTitle), MessageKind::error);
    }
    showList();
}

void TTargetCADForm::showList() {
    showingList_ = true;
    const int count = static_cast<int>(list_.size());
    if (ListBox1->count() != count) {
        ListBox1->clear();
        for (int i = 0; i < count; ++i) ListBox1->addItem(QString());
    }
    for (int i = 0; i < count; ++i) {
        ListBox1->item(i)->setText(qs(list_.line(static_cast<std::size_t>(i))));
    }
    const std::optional<std::size_t> selected = list_.selected();
    if (selected) {
        ListBox1->setCurrentRow(static_cast<int>(*selected));
        ListBox1->scrollToItem(ListBox1->currentItem());
    } else {
        ListBox1->setCurrentRow(-1);
        ListBox1->clearSelection();
    }
    showingList_ = false;
    SpeedButton2->setEnabled(list_.hasSelection());
    SpeedButton3->setEnabled(list_.hasSelection());
}

void TTargetCADForm::showEntry(const std::optional<TargetCadEntry>& entry) {
    if (!entry) return;
    Edit1->setText(qs(entry->name));
    Edit2->setText(qs(entry->progId));
}

void TTargetCADForm::FormShow() {
    editList(u"ターゲット CAD の一覧を読み込めませんでした.",
             [this] { showEntry(list_.reload(form_.targetProgID())); });
}

void TTargetCADForm::ListBox1Click() {
    if (showingList_) return;
    const int row = ListBox1->currentRow();
    std::optional<std::size_t> index;
    if (row >= 0) index = static_cast<std::size_t>(row);
    showEntry(list_.select(index));
    SpeedButton2->setEnabled(list_.hasSelection());
    SpeedButton3->setEnabled(list_.hasSelection());
}

void TTargetCADForm::SpeedButton1Click() {
    const std::u16string name = Edit1->text().toStdU16String();
    const std::u16string progId = Edit2->text().toStdU16String();
    editList(u"ターゲット CAD の一覧を保存できませんでした.",
             [&] { showEntry(list_.add(name, progId)); });
}

void TTargetCADForm::SpeedButton2Click() {
    editList(u"ターゲット CAD の一覧を保存できませんでした.",
             [this] { showEntry(list_.remove()); });
}

void TTargetCADForm::SpeedButton3Click() {
    const std::u16string name = Edit1->text().toStdU16String();
    const std::u16string progId = Edit2->text().toStdU16String();
    editList(u"ターゲット CAD の一覧を保存できませんでした.", [&] { list_.change(name, progId); });
}

bool TTargetCADForm::Edit1KeyPress(int key) {
    if (key != Qt::Key_Return && key != Qt::Key_Enter) return false;
    SpeedButton3Click();
    return true;
}

void TTargetCADForm::Button1Click() {
    const QString name = Edit1->text();
    const QString progId = Edit2->text();
    form_.setWindowTitle(qs(kApplicationTitle) + QStringLiteral(" [ ") + name +
                         QStringLiteral(" ]"));
    form_.setTargetProgID(progId.toStdU16String());
    form_.Edit14->setText(progId);
    form_.Edit16->setText(name);
    accept();
}

}  // namespace tabrova::app
