// The replace dialog: the search string and its replacement, kept from one use to the next.
#pragma once

#include <QDialog>

#include "ui_Unit3.h"

namespace tabrova::app {

// "実行" closes with Accepted, "中止" and the close box with Rejected. "実行" is the default
// button: Enter in the boxes runs the replace, Enter on a focused "中止" cancels. There is no
// cancel button: Esc leaves the dialog open. Each opening starts in the search box.
class TForm3 : public QDialog, public Ui::TForm3 {
    Q_OBJECT
public:
    explicit TForm3(QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace tabrova::app
