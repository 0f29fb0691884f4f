#include "app/OpenBookForm.h"

#include <QFormLayout>
#include <QPushButton>

#include "app/Messages.h"
#include "table/CellAddress.h"
#include "workbook/XlsxWorkbook.h"

namespace tabrova::app {

std::u16string rangeText(std::uint32_t firstCol, std::uint32_t firstRow, std::uint32_t lastCol,
                         std::uint32_t lastRow) {
    std::u16string text = CellAddress(firstCol, firstRow);
    if (firstCol != lastCol || firstRow != lastRow) text += u":" + CellAddress(lastCol, lastRow);
    return text;
}

TOpenBookForm::TOpenBookForm(const workbook::XlsxWorkbook& book, QWidget* parent)
    : QDialog(parent), book_(book) {
    setObjectName(QStringLiteral("OpenBookForm"));
    setWindowTitle(QStringLiteral("取得するシートと範囲"));
    LabelBook = new QLabel(QString::fromStdU16String(book.fileName()), this);
    LabelBook->setObjectName(QStringLiteral("LabelBook"));
    ComboSheet = new QComboBox(this);
    ComboSheet->setObjectName(QStringLiteral("ComboSheet"));
    const auto& sheets = book.sheets();
    for (std::size_t i = 0; i < sheets.size(); ++i) {
        if (!sheets[i].isWorksheet) continue;
        ComboSheet->addItem(QString::fromStdU16String(sheets[i].name), static_cast<qulonglong>(i));
        if (i == book.activeSheet()) ComboSheet->setCurrentIndex(ComboSheet->count() - 1);
    }
    EditRange = new QLineEdit(this);
    EditRange->setObjectName(QStringLiteral("EditRange"));
    EditRange->setToolTip(QStringLiteral("例: B2:F20（シートに保存された選択範囲が初期値です）"));
    Buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    Buttons->setObjectName(QStringLiteral("Buttons"));
    Buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取り消し"));
    connect(Buttons, &QDialogButtonBox::accepted, this, &TOpenBookForm::accept);
    connect(Buttons, &QDialogButtonBox::rejected, this, &TOpenBookForm::reject);
    connect(ComboSheet, &QComboBox::currentIndexChanged, this, [this] { presetRange(); });

    auto* layout = new QFormLayout(this);
    layout->addRow(QStringLiteral("ブック"), LabelBook);
    layout->addRow(QStringLiteral("シート"), ComboSheet);
    layout->addRow(QStringLiteral("範囲"), EditRange);
    layout->addRow(Buttons);
    presetRange();
}

void TOpenBookForm::presetRange() {
    const QVariant index = ComboSheet->currentData();
    if (!index.isValid()) return;
    const auto& sheet = book_.sheets().at(static_cast<std::size_t>(index.toULongLong()));
    const workbook::CellRange& s = sheet.selection;
    EditRange->setText(
        QString::fromStdU16String(rangeText(s.firstCol, s.firstRow, s.lastCol, s.lastRow)));
}

std::u16string TOpenBookForm::sheetName() const {
    return ComboSheet->currentText().toStdU16String();
}

std::u16string TOpenBookForm::range() const { return EditRange->text().trimmed().toStdU16String(); }

void TOpenBookForm::accept() {
    if (ComboSheet->count() == 0) {
        showMessage(this, QStringLiteral("このブックには取得できるワークシートがありません."),
                    QStringLiteral("メッセージ"), MessageKind::warning);
        return;
    }
    if (!workbook::parseRangeRef(range())) {
        showMessage(this,
                    QStringLiteral("範囲 \"%1\" はセル範囲ではありません (例: B2:F20).")
                        .arg(EditRange->text()),
                    QStringLiteral("メッセージ"), MessageKind::warning);
        return;
    }
    QDialog::accept();
}

}  // namespace tabrova::app
