#include "app/Unit3.h"

#include <QKeyEvent>

namespace tabrova::app {

namespace {

template <class W>
W* placed(W* widget, const char* name, int x, int y, int w, int h) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(x, y, w, h);
    return widget;
}

QPushButton* newButton(const char* name, const QString& caption, QWidget* parent, int x) {
    auto* button = placed(new QPushButton(caption, parent), name, x, 80, 75, 25);
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

}  // namespace

TForm3::TForm3(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("置換"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    QFont dialogFont(QStringLiteral("Tahoma"));
    dialogFont.setPixelSize(11);
    setFont(dialogFont);
    setFixedSize(218, 117);

    Label1 = placed(new QLabel(QStringLiteral("検索文字列"), this), "Label1", 16, 16, 64, 14);
    Edit1 = placed(new QLineEdit(this), "Edit1", 82, 13, 121, 21);
    Label2 = placed(new QLabel(QStringLiteral("置換文字列"), this), "Label2", 16, 43, 64, 14);
    Edit2 = placed(new QLineEdit(this), "Edit2", 82, 40, 121, 21);
    Button1 = newButton("Button1", QStringLiteral("実行"), this, 31);
    Button2 = newButton("Button2", QStringLiteral("中止"), this, 112);
    setTabOrder(Edit1, Edit2);
    setTabOrder(Edit2, Button1);
    setTabOrder(Button1, Button2);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
}

void TForm3::keyPressEvent(QKeyEvent* event) {
    // No cancel button: Esc does not close the dialog.
    if (event->key() == Qt::Key_Escape) {
        event->ignore();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace tabrova::app
