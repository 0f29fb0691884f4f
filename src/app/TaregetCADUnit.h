// The target CAD dialog: the list of targets kept in "TargetCAD_APIVersion.txt", the boxes for a
// name and a ProgID, and the buttons that edit the list or take the boxes as the new target.
#pragma once

#include <QDialog>
#include <functional>
#include <optional>

#include "settings/TargetCadList.h"
#include "ui_TaregetCADUnit.h"

namespace tabrova::app {

class TForm1;

class TTargetCADForm : public QDialog, public Ui::TTargetCADForm {
    Q_OBJECT
public:
    // form: the main window whose target the OK button sets.
    explicit TTargetCADForm(TForm1& form);

    // Handlers (named as in the form designer).
    void FormShow();
    void ListBox1Click();
    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton3Click();
    // Enter: consumed, runs SpeedButton3Click; returns whether the key was consumed.
    bool Edit1KeyPress(int key);
    void Button1Click();

    const TargetCadList& list() const { return list_; }

    // Switches the input method off for a box that gains the focus; tests replace it.
    static std::function<void(QWidget*)>& inputMethodOffHook();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Shows the model's entries and selection in ListBox1 and enables the buttons that need a
    // selection.
    void showList();
    void showEntry(const std::optional<TargetCadEntry>& entry);
    // Runs an edit of the list; a file that cannot be read or written is reported, and the list
    // stays as it was.
    template <class Edit>
    void editList(const char16_t* failure, Edit edit);

    TForm1& form_;
    TargetCadList list_;
    bool showingList_ = false;
};

}  // namespace tabrova::app
