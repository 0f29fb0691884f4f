#include "app/TabrovaUnit.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QShortcut>
#include <QStatusBar>
#include <algorithm>
#include <cmath>

#include "app/FormLook.h"
#include "app/Messages.h"
#include "app/PreviewForm.h"
#include "app/TaregetCADUnit.h"
#include "app/Unit3.h"
#include "dxf/TableDrawing.h"
#include "grid/CellGrid.h"
#include "platform/AtomicFile.h"
#include "platform/Automation.h"
#include "platform/UserLocale.h"
#include "platform/Utf8.h"
#include "preview/QtText.h"
#include "settings/TargetCadList.h"
#include "table/CellGeometry.h"
#include "table/SelectionReader.h"
#include "table/StatusText.h"

namespace tabrova::app {

TForm1::TForm1(ProgramFiles files, QWidget* parent)
    : QMainWindow(parent), files_(std::move(files)) {
    setFont(formFont(12));
    setupUi(this);
    Edit1->setFont(gridFont());
    StringGrid1->setFont(gridFont());
    // Designer cannot place widgets in a status bar: the form holds them as the bar's children,
    // and they take their places here. The message takes what the source's text leaves
    // (layoutStatusBar()).
    StatusLabel->setSizePolicy(QSizePolicy::Ignored, StatusLabel->sizePolicy().verticalPolicy());
    StatusBar1->addWidget(StatusLabel, 1);
    StatusBar1->addPermanentWidget(SourceLabel);
    StatusBar1->addPermanentWidget(CloseBookButton);
    StringGrid1->setDrawCell(
        [this](QPainter& painter, int col, int row, const QRect& rect, const GridDrawState& state) {
            return StringGrid1DrawCell(painter, col, row, rect, state);
        });
    Button4->installEventFilter(this);
    for (QLineEdit* box : {Edit1, Edit11, Edit12, Edit13}) box->installEventFilter(this);
    buildPopupMenu();
    RecentBooksMenu = new QMenu(RecentBooksButton);
    RecentBooksMenu->setObjectName(QStringLiteral("RecentBooksMenu"));
    RecentBooksMenu->setToolTipsVisible(true);
    RecentBooksButton->setMenu(RecentBooksMenu);
    connect(RecentBooksMenu, &QMenu::aboutToShow, this,
            [this] { guard([this] { fillRecentBooksMenu(); }); });

    PreviewForm = new TPreviewForm(
        [this]() -> std::optional<std::vector<DrawnEntity>> {
            if (reading_ || !CellTable_.usable()) return std::nullopt;
            return buildTableDrawing(gridDrawingRequest());
        },
        this);

    connectHandlers();
    connectShortcuts();
    connectUndo();
    FormCreate();

    // The form's size is the client area; the status bar comes below it.
    resize(QSize(435, 288 + StatusBar1->sizeHint().height()).expandedTo(minimumSizeHint()));
    if (const QScreen* screen = this->screen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
    restoreWindowGeometry();
    fillRecentBooksMenu();
    layoutStatusBar();
    TargetCADForm = new TTargetCADForm(*this);
    Form3 = new TForm3(this);
}

TForm1::~TForm1() { FormDestroy(); }

// Each box holds its option's working value; a change redraws the preview. The table holds every
// option's facts, except after a cell-by-cell read of the running application with the option
// off: the status bar then says that a new read is needed.
void TForm1::connectDrawingOptions() {
    const std::pair<QCheckBox*, bool OptionFacts::*> boxes[] = {
        {CheckBoxBorderStyles, &OptionFacts::borderStyles},
        {CheckBoxVerticalAlign, &OptionFacts::verticalAlign},
        {CheckBoxWrapText, &OptionFacts::wrapText},
        {CheckBoxFitText, &OptionFacts::fitText},
    };
    for (const auto& [box, option] : boxes) {
        connect(box, &QCheckBox::toggled, this, [this, option](bool on) {
            guard([this, option, on] {
                settings_.options.*option = on;
                showUnreadOptions();
                refreshPreview();
            });
        });
    }
}

void TForm1::showUnreadOptions() {
    const std::u16string text = unreadOptionsText(CellTable_.unreadFacts, settings_.options);
    if (!text.empty()) showStatus(qs(text));
}

void TForm1::connectHandlers() {
    // Each handler runs through guard(), the one place that shows what escapes a handler.
    connect(PageControl1, &QTabWidget::currentChanged, this,
            [this](int index) { guard([this, index] { PageControl1Change(index); }); });
    connectGuarded(this, SpeedButton4, &QToolButton::clicked, [this] { SpeedButton4Click(); });
    connectGuarded(this, SpeedButton5, &QToolButton::clicked, [this] { SpeedButton5Click(); });
    connectGuarded(this, Button3, &QPushButton::clicked, [this] { Button3Click(); });
    connectGuarded(this, ClipboardButton, &QPushButton::clicked,
                   [this] { ClipboardButtonClick(); });
    connectGuarded(this, OpenBookButton, &QPushButton::clicked, [this] { OpenBookButtonClick(); });
    connectGuarded(this, CloseBookButton, &QToolButton::clicked,
                   [this] { CloseBookButtonClick(); });
    connectGuarded(this, Edit15, &QLineEdit::textChanged, [this] { showSource(); });
    connectGuarded(this, Button4, &QPushButton::clicked, [this] { Button4Click(); });
    connectGuarded(this, PreviewButton, &QPushButton::clicked, [this] { PreviewButtonClick(); });
    connectGuarded(this, CheckBox1, &QCheckBox::toggled, [this] { refreshPreview(); });
    connectDrawingOptions();
    for (QLineEdit* box : {Edit6, Edit7, Edit8, Edit9, Edit10}) {
        connectGuarded(this, box, &QLineEdit::textChanged, [this] { Edit6Change(); });
    }
    connectGuarded(this, Edit1, &QLineEdit::textChanged, [this] { Edit1Change(); });
    for (QToolButton* button : {SpeedButton1, SpeedButton2, SpeedButton3}) {
        connectGuarded(this, button, &QToolButton::clicked,
                       [this, button] { SpeedButton1Click(button); });
    }
    connectGuarded(this, StringGrid1, &StringGrid::currentCellChanged,
                   [this] { StringGrid1Click(); });
    connect(StringGrid1, &StringGrid::fixedCellClicked, this, [this](int col, int row) {
        guard([this, col, row] { StringGrid1FixedCellClick(col, row); });
    });
    connect(StringGrid1, &StringGrid::cellTextChanged, this, [this](int col, int row) {
        guard([this, col, row] { onGridCellTextChanged(col, row); });
    });
}

void TForm1::connectShortcuts() {
    auto shortcut = [this](const char* name, const QList<QKeySequence>& keys,
                           std::function<void()> handler) {
        auto* key = new QShortcut(this);
        key->setObjectName(QString::fromLatin1(name));
        key->setKeys(keys);
        // While a read runs the window takes no input.
        connect(key, &QShortcut::activated, this, [this, handler = std::move(handler)] {
            if (!reading_) guard(handler);
        });
    };
    // The tabs turn on Ctrl+Tab wherever the focus is: the tab widget does it only for the keys
    // that reach it, and the grid keeps them.
    auto turnPage = [this](int step) {
        const int count = PageControl1->count();
        PageControl1->setCurrentIndex((PageControl1->currentIndex() + step + count) % count);
    };
    shortcut("NextTabShortcut", {QKeySequence(Qt::CTRL | Qt::Key_Tab)},
             [turnPage] { turnPage(1); });
    // Shift+Tab comes as Backtab on most platforms.
    shortcut("PreviousTabShortcut",
             {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab),
              QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab)},
             [turnPage] { turnPage(-1); });
    shortcut("OpenBookShortcut", {QKeySequence(Qt::CTRL | Qt::Key_O)},
             [this] { OpenBookButton->click(); });
    shortcut("ClipboardShortcut", {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_V)},
             [this] { ClipboardButton->click(); });
    shortcut("ReplaceShortcut", {QKeySequence(Qt::CTRL | Qt::Key_H)},
             [this] { PopupMenu1->findChild<QAction*>(QStringLiteral("N4"))->trigger(); });
}

// ---- start, close ----

void TForm1::FormCreate() {
    settings_.targetProgID = u"BricscadApp.AcadApplication";
    for (QLineEdit* box : {Edit1, Edit2, Edit3, Edit11, Edit12, Edit13, Edit14}) box->clear();
    Edit16->setText(QStringLiteral("BricsCAD"));
    Label13->clear();

    // A missing file gives the defaults; one that exists but cannot be read is reported, and the
    // program goes on with the defaults.
    try {
        settings_ = loadSettings(files_.settingsFile, decimalSeparator());
    } catch (const platform::FileError&) {
        settings_ = WorkingSettings{};
        showErrorBox(std::current_exception());
    }
    showSettingsInBoxes();

    StringGrid2->setRowCount(5);
    StringGrid2->setColumnCount(2);
    StringGrid2->setColumnWidth(0, 80);
    StringGrid2->setColumnWidth(1, 380);
    const char16_t* captions[] = {u"全幅", u"全高", u"列幅", u"行高", u"文字"};
    for (int r = 0; r < 5; ++r) {
        StringGrid2->setRowHeight(r, 19);
        StringGrid2->setItem(r, 0, new QTableWidgetItem(qs(captions[r])));
        StringGrid2->setItem(r, 1, new QTableWidgetItem);
    }
    StringGrid2->setFixedSize(80 + 380 + 2 * StringGrid2->frameWidth(),
                              5 * 19 + 2 * StringGrid2->frameWidth());

    lookUpTargetCadName();

    messageFilter_ = cad::TMessageFilter::Create();
    if (!messageFilter_->RegisterFilter()) {
        showMessage(this,
                    QStringLiteral("COM のメッセージ フィルタを登録できませんでした.\n"
                                   "応答中の Excel や CAD への呼び出しは再試行されません."),
                    qs(kApplicationTitle), MessageKind::warning);
    }

    PageControl1->setCurrentIndex(0);
    showSource();
}

void TForm1::showSettingsInBoxes() {
    const char16_t separator = decimalSeparator();
    auto show = [separator](QLineEdit* box, double value) {
        box->setText(qs(formatSettingsDouble(value, separator)));
    };
    show(Edit4, settings_.colXsc);
    show(Edit5, settings_.rowYsc);
    show(Edit6, settings_.cadXsc);
    show(Edit7, settings_.cadYsc);
    show(Edit8, settings_.cadTsc);
    show(Edit9, settings_.cadTof);
    Edit10->setText(QString::number(settings_.cellLineColor));
    CheckBox1->setChecked(settings_.cellLineDraw);
    Edit15->setText(qs(settings_.excelPID));
    const WorkingSettings loaded = settings_;  // each box writes its option back as it changes
    CheckBoxBorderStyles->setChecked(loaded.options.borderStyles);
    CheckBoxVerticalAlign->setChecked(loaded.options.verticalAlign);
    CheckBoxWrapText->setChecked(loaded.options.wrapText);
    CheckBoxFitText->setChecked(loaded.options.fitText);
}

void TForm1::lookUpTargetCadName() {
    std::optional<std::u16string> name;
    try {
        name = findTargetCadName(files_.targetListFile, settings_.targetProgID);
    } catch (const platform::FileError&) {
        showErrorBox(std::current_exception());
    }
    if (!name) return;
    Edit14->setText(qs(settings_.targetProgID));
    setWindowTitle(qs(kApplicationTitle) + QStringLiteral(" [ ") + qs(*name) +
                   QStringLiteral(" ]"));
    Edit16->setText(qs(*name));
}

bool TForm1::FormCloseQuery() {
    CellTable_.cells.clear();
    rememberWindowGeometry();
    settings_.cellLineDraw = CheckBox1->isChecked();
    settings_.excelPID = u16(Edit15->text());
    try {
        saveSettings(files_.settingsFile, settings_, decimalSeparator());
    } catch (const platform::FileError& e) {
        showMessage(this,
                    QStringLiteral("設定ファイルを保存できませんでした.\n%1\n%2")
                        .arg(qs(e.path().u16string()), QString::fromStdString(e.japaneseReason())),
                    qs(kApplicationTitle), MessageKind::error);
    }
    return true;
}

void TForm1::FormDestroy() {
    if (messageFilter_) {
        messageFilter_->RevokeFilter();
        messageFilter_.reset();
    }
    source_.close();
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (reading_) {
        // A read is running inside its click handler: it ends at its next row, then the window
        // closes.
        closePending_ = true;
        event->ignore();
        return;
    }
    if (!closed_) {
        closed_ = true;
        guard([this] { FormCloseQuery(); });
    }
    event->accept();
}

// ---- tabs and scales ----

void TForm1::PageControl1Change(int index) {
    if (reading_) return;
    if (index == 1) {
        showWhSizeGrid2();
    } else if (index == 0 && CellTable_.colCount > 0 && CellTable_.rowCount > 0 &&
               !CellTable_.empty()) {
        Button1Click();
        applyGridSizesFromScales();
    }
}

void TForm1::applyGridSizesFromScales() {
    if (!CellTable_.usable()) return;
    for (std::int32_t j = 0; j < CellTable_.colCount; ++j) {
        StringGrid1->setColWidth(
            j + 1, static_cast<int>(std::trunc(CellTable_.at(j, 0).colW * settings_.colXsc)));
    }
    for (std::int32_t i = 0; i < CellTable_.rowCount; ++i) {
        StringGrid1->setRowHeight(
            i + 1, static_cast<int>(std::trunc(CellTable_.at(0, i).rowH * settings_.rowYsc)));
    }
}

// The same source as the command-line tool's, so that each reads the settings file the other
// wrote (Qt's own idea of the locale can differ from the system's).
char16_t TForm1::decimalSeparator() const { return platform::userDecimalSeparator(); }

std::optional<double> TForm1::readNumber(const QLineEdit* box) const {
    return parseSettingsDouble(u16(box->text()), decimalSeparator());
}

std::optional<std::int32_t> TForm1::readInteger(const QLineEdit* box) const {
    return parseSettingsInteger(u16(box->text().trimmed()));
}

void TForm1::Button1Click() {
    if (CellTable_.empty()) return;
    settings_.colXsc = readNumber(Edit4).value_or(kApplyScaleFallbacks.colXsc);
    settings_.rowYsc = readNumber(Edit5).value_or(kApplyScaleFallbacks.rowYsc);
    applyDrawingScales(kApplyScaleFallbacks);
}

void TForm1::Edit6Change() {
    if (CellTable_.empty() || reading_) return;
    applyDrawingScales(kChangeScaleFallbacks);
}

void TForm1::applyDrawingScales(const ScaleFallbacks& fb) {
    settings_.cadXsc = readNumber(Edit6).value_or(fb.cadXsc);
    settings_.cadYsc = readNumber(Edit7).value_or(fb.cadYsc);
    settings_.cadTsc = readNumber(Edit8).value_or(fb.cadTsc);
    settings_.cadTof = readNumber(Edit9).value_or(fb.cadTof);
    settings_.cellLineColor = readInteger(Edit10).value_or(fb.cellLineColor);
    recordTableChange(EditKind::scales, [this] {
        calcCellDrawSizes(CellTable_, settings_.cadXsc, settings_.cadYsc, settings_.cadTsc);
    });
    showRecomputedSizes();
    StringGrid1->viewport()->update();
    refreshPreview();
}

void TForm1::showWhSizeGrid2() {
    const auto texts = sizeSummaryTexts(CellTable_, decimalSeparator());
    if (!texts) return;
    for (int r = 0; r < 5; ++r)
        StringGrid2->item(r, 1)->setText(qs((*texts)[static_cast<std::size_t>(r)]));
}

void TForm1::ShowWHSize() { Label4->setText(qs(totalsLabelText(CellTable_, decimalSeparator()))); }

void TForm1::showRecomputedSizes() {
    // The totals label holds the read's row counter until a table is there to sum.
    if (!CellTable_.usable()) return;
    showWhSizeGrid2();
    ShowWHSize();
    showCurrentCellSizes();
}

void TForm1::showCurrentCellSizes() {
    const int col = StringGrid1->col();
    const int row = StringGrid1->row();
    if (col < 1 || row < 1 || !CellTable_.usable() || col > CellTable_.colCount ||
        row > CellTable_.rowCount) {
        return;
    }
    const TXlsxCellAttr& cell = CellTable_.at(col - 1, row - 1);
    const char16_t sep = decimalSeparator();
    Edit11->setText(qs(formatSize(cell.drawW, sep)));
    Edit12->setText(qs(formatSize(cell.drawH, sep)));
    Edit13->setText(qs(formatSize(cell.drawTH, sep)));
}

// ---- cell-size boxes ----

bool TForm1::cellSizeKeyPress(QLineEdit* box, CellSizeField field, int key) {
    if (key != Qt::Key_Return && key != Qt::Key_Enter) return false;
    const double x = readNumber(box).value_or(0);
    if (x <= 0 || CellTable_.empty() || reading_) return true;
    if (askYesNo(StringGrid1, qs(cellSizeQuestion(field)), QStringLiteral("確認"))) {
        recordTableChange(EditKind::cellSize,
                          [&] { applyCellSize(CellTable_, field, x, StringGrid1->selection()); });
        box->setText(qs(formatSize(x, decimalSeparator())));
        ShowWHSize();
        StringGrid1->viewport()->update();
        refreshPreview();
    } else {
        box->setText(qs(formatSize(
            cellSizeValue(CellTable_, field, StringGrid1->col() - 1, StringGrid1->row() - 1),
            decimalSeparator())));
    }
    return true;
}

bool TForm1::Edit11KeyPress(int key) { return cellSizeKeyPress(Edit11, CellSizeField::width, key); }
bool TForm1::Edit12KeyPress(int key) {
    return cellSizeKeyPress(Edit12, CellSizeField::height, key);
}
bool TForm1::Edit13KeyPress(int key) {
    return cellSizeKeyPress(Edit13, CellSizeField::textHeight, key);
}

// ---- the target CAD ----

// The dialog's OK sets the target itself; its result needs no look.
void TForm1::SpeedButton4Click() { TargetCADForm->exec(); }

void TForm1::SpeedButton5Click() { SpeedButton4Click(); }

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (reading_ && blocksInput(watched, event)) return true;
    // Not taken by a line edit with nothing of its own to undo: the window's shortcut runs.
    if (event->type() == QEvent::ShortcutOverride &&
        passesUndoKey(watched, *static_cast<QKeyEvent*>(event))) {
        return true;
    }
    bool consumed = false;
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        guard([&] {
            if (watched == Edit11) consumed = Edit11KeyPress(key);
            if (watched == Edit12) consumed = Edit12KeyPress(key);
            if (watched == Edit13) consumed = Edit13KeyPress(key);
        });
    } else if (event->type() == QEvent::KeyRelease && watched == Edit1) {
        guard([&] { Edit1KeyUp(static_cast<QKeyEvent*>(event)->key()); });
    } else if (event->type() == QEvent::MouseButtonPress && watched == Button4) {
        // Button4MouseDown: the right button opens the target CAD dialog.
        if (static_cast<QMouseEvent*>(event)->button() == Qt::RightButton && Button4->isEnabled()) {
            guard([this] { SpeedButton4Click(); });
            consumed = true;
        }
    }
    return consumed || QMainWindow::eventFilter(watched, event);
}

}  // namespace tabrova::app
