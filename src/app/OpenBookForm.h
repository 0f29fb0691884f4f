// The small dialog that confirms the sheet and the range of a workbook file before it becomes the
// source of "Excel から取得". The range is preset to the sheet's saved selection.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "ui_OpenBookForm.h"
#include "workbook/ChosenWorkbook.h"

namespace tabrova::app {

class TOpenBookForm : public QDialog, public Ui::TOpenBookForm {
    Q_OBJECT
public:
    TOpenBookForm(const workbook::WorkbookFile& book, QWidget* parent = nullptr);

    std::u16string sheetName() const;
    std::u16string range() const;

    void accept() override;

private:
    void presetRange();

    std::vector<workbook::WorksheetChoice> sheets_;
};

}  // namespace tabrova::app
