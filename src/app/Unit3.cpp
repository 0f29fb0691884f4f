#include "app/Unit3.h"

#include <QKeyEvent>

#include "app/FormLook.h"

namespace tabrova::app {

TForm3::TForm3(QWidget* parent) : QDialog(parent) {
    setWindowFlags(kFixedDialogFlags);
    setFont(formFont(11));
    setupUi(this);
}

void TForm3::showEvent(QShowEvent* event) {
    // Each opening starts in the search box with its text selected, so that typing replaces it
    // and Enter presses "実行" whichever button had the focus when the dialog last closed.
    Edit1->setFocus();
    Edit1->selectAll();
    QDialog::showEvent(event);
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
