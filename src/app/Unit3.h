// The replace dialog: the search string and its replacement, kept from one use to the next.
#pragma once

#include <QDialog>

#include "ui_Unit3.h"

namespace tabrova::app {

// "実行" closes with Accepted, "中止" and the close box with Rejected. Neither button is the
// default nor the cancel button: Enter and Esc in the boxes leave the dialog open.
class TForm3 : public QDialog, public Ui::TForm3 {
    Q_OBJECT
public:
    explicit TForm3(QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace tabrova::app
