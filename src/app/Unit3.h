// The replace dialog: the search string and its replacement, kept from one use to the next.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace tabrova::app {

// "実行" closes with Accepted, "中止" and the close box with Rejected. Neither button is the
// default nor the cancel button: Enter and Esc in the boxes leave the dialog open.
class TForm3 : public QDialog {
    Q_OBJECT
public:
    explicit TForm3(QWidget* parent = nullptr);

    QLabel* Label1;
    QLineEdit* Edit1;
    QLabel* Label2;
    QLineEdit* Edit2;
    QPushButton* Button1;
    QPushButton* Button2;

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace tabrova::app
