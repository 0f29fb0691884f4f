#include "app/OpenBookForm.h"

#include <QPushButton>

#include "app/Messages.h"
#include "workbook/ChosenWorkbook.h"
#include "workbook/WorkbookFile.h"

namespace tabrova::app {

TOpenBookForm::TOpenBookForm(const workbook::WorkbookFile& book, QWidget* parent)
    : QDialog(parent), sheets_(workbook::worksheetChoices(book)) {
    setupUi(this);
    Buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取り消し"));
    LabelBook->setText(QString::fromStdU16String(book.fileName()));
    for (const workbook::WorksheetChoice& sheet : sheets_) {
        ComboSheet->addItem(QString::fromStdU16String(sheet.name));
        if (sheet.active) ComboSheet->setCurrentIndex(ComboSheet->count() - 1);
    }
    connect(ComboSheet, &QComboBox::currentIndexChanged, this, [this] { presetRange(); });
    presetRange();
}

void TOpenBookForm::presetRange() {
    const int index = ComboSheet->currentIndex();
    if (index < 0) return;
    EditRange->setText(
        QString::fromStdU16String(sheets_.at(static_cast<std::size_t>(index)).selection));
}

std::u16string TOpenBookForm::sheetName() const {
    return ComboSheet->currentText().toStdU16String();
}

std::u16string TOpenBookForm::range() const {
    return workbook::trimmedRange(EditRange->text().toStdU16String());
}

void TOpenBookForm::accept() {
    const auto problem =
        workbook::confirmationProblem(ComboSheet->count() > 0, EditRange->text().toStdU16String());
    if (problem) {
        showMessage(this, QString::fromStdU16String(*problem), QStringLiteral("メッセージ"),
                    MessageKind::warning);
        return;
    }
    QDialog::accept();
}

}  // namespace tabrova::app
