// The small dialog that confirms the sheet and the range of a workbook file before it becomes the
// source of "Excel から取得". The range is preset to the sheet's saved selection.
#pragma once

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <string>

namespace tabrova::workbook {
class XlsxWorkbook;
}

namespace tabrova::app {

class TOpenBookForm : public QDialog {
    Q_OBJECT
public:
    TOpenBookForm(const workbook::XlsxWorkbook& book, QWidget* parent = nullptr);

    std::u16string sheetName() const;
    std::u16string range() const;

    QLabel* LabelBook;
    QComboBox* ComboSheet;
    QLineEdit* EditRange;
    QDialogButtonBox* Buttons;

    void accept() override;

private:
    void presetRange();

    const workbook::XlsxWorkbook& book_;
};

// "B2:D4", or "C5" for a single cell.
std::u16string rangeText(std::uint32_t firstCol, std::uint32_t firstRow, std::uint32_t lastCol,
                         std::uint32_t lastRow);

}  // namespace tabrova::app
