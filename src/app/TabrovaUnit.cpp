#include "app/TabrovaUnit.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <cmath>

#include "app/FormLook.h"
#include "app/Messages.h"
#include "app/OpenBookForm.h"
#include "app/PreviewForm.h"
#include "app/TaregetCADUnit.h"
#include "app/Unit3.h"
#include "cad/BlockInsertion.h"
#include "clipboard/QtClipboard.h"
#include "dxf/TableDrawing.h"
#include "grid/CellGrid.h"
#include "platform/AtomicFile.h"
#include "platform/Automation.h"
#include "platform/UserLocale.h"
#include "platform/Utf8.h"
#include "platform/WindowOps.h"
#include "preview/QtText.h"
#include "settings/RecentBooks.h"
#include "settings/TargetCadList.h"
#include "table/CellGeometry.h"
#include "table/SelectionReader.h"
#include "table/StatusText.h"
#include "workbook/RunningSpreadsheet.h"
#include "workbook/WorkbookFile.h"
#include "workbook/XlsxWorkbook.h"

namespace tabrova::app {

namespace {

// The frame of a window on Windows 10 and 11 at 100 % scaling, for as long as the window system
// has not told the real one (before the window is first shown).
constexpr FrameMargins kUsualFrame{8, 31, 8, 8};

// Colour of the cells of a merged region in the grid.
const QColor kMergedCellColor(240, 255, 255);

}  // namespace

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
            const CellTextFn text = [this](std::int32_t col, std::int32_t row) {
                return u16(StringGrid1->cell(col + 1, row + 1));
            };
            return buildTableDrawing(
                drawingRequest(CellTable_, text, settings_, CheckBox1->isChecked()));
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

void TForm1::buildPopupMenu() {
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    const struct {
        const char* name;
        const char16_t* caption;
    } items[] = {
        {"N1", u"半角->全角"},
        {"N12", u"半角->全角（数字のみの文字列は除外）"},
        {"N5", u"半角カナ->全角"},
        {"N3", nullptr},
        {"N2", u"全角->半角"},
        {"N6", u"全角数字->半角"},
        {"N7", u"全角アルファベット->半角"},
        {"N8", nullptr},
        {"N9", u"代替文字を含む禁止文字->半角"},
        {"N10", nullptr},
        {"N4", u"置換"},
    };
    for (const auto& item : items) {
        QAction* action = item.caption != nullptr ? PopupMenu1->addAction(qs(item.caption))
                                                  : PopupMenu1->addSeparator();
        action->setObjectName(QString::fromLatin1(item.name));
    }
    connect(StringGrid1, &StringGrid::popupRequested, this, [this](const QPoint& at) {
        if (!reading_) PopupMenu1->popup(at);
    });
}

void TForm1::connectHandlers() {
    // Each handler runs through guard(), the one place that shows what escapes a handler.
    auto on = [this](auto* sender, auto signal, std::function<void()> handler) {
        connect(sender, signal, this, [handler = std::move(handler)] { guard(handler); });
    };
    connect(PageControl1, &QTabWidget::currentChanged, this,
            [this](int index) { guard([this, index] { PageControl1Change(index); }); });
    connectPopupMenu();
    on(SpeedButton4, &QToolButton::clicked, [this] { SpeedButton4Click(); });
    on(SpeedButton5, &QToolButton::clicked, [this] { SpeedButton5Click(); });
    on(Button3, &QPushButton::clicked, [this] { Button3Click(); });
    on(ClipboardButton, &QPushButton::clicked, [this] { ClipboardButtonClick(); });
    on(OpenBookButton, &QPushButton::clicked, [this] { OpenBookButtonClick(); });
    on(CloseBookButton, &QToolButton::clicked, [this] { CloseBookButtonClick(); });
    on(Edit15, &QLineEdit::textChanged, [this] { showSource(); });
    on(Button4, &QPushButton::clicked, [this] { Button4Click(); });
    on(PreviewButton, &QPushButton::clicked, [this] { PreviewButtonClick(); });
    on(CheckBox1, &QCheckBox::toggled, [this] { refreshPreview(); });
    connectDrawingOptions();
    for (QLineEdit* box : {Edit6, Edit7, Edit8, Edit9, Edit10}) {
        on(box, &QLineEdit::textChanged, [this] { Edit6Change(); });
    }
    on(Edit1, &QLineEdit::textChanged, [this] { Edit1Change(); });
    for (QToolButton* button : {SpeedButton1, SpeedButton2, SpeedButton3}) {
        on(button, &QToolButton::clicked, [this, button] { SpeedButton1Click(button); });
    }
    on(StringGrid1, &StringGrid::currentCellChanged, [this] { StringGrid1Click(); });
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
    const ScaleFallbacks& fb = kApplyScaleFallbacks;
    settings_.colXsc = readNumber(Edit4).value_or(fb.colXsc);
    settings_.rowYsc = readNumber(Edit5).value_or(fb.rowYsc);
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

void TForm1::Edit6Change() {
    if (CellTable_.empty() || reading_) return;
    const ScaleFallbacks& fb = kChangeScaleFallbacks;
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

// ---- the grid ----

void TForm1::StringGrid1Click() {
    if (reading_) return;  // the read runs it once it has ended
    const int col = StringGrid1->col();
    const int row = StringGrid1->row();
    const QString text = StringGrid1->cell(col, row);
    if (Edit1->text() != text) Edit1->setText(text);
    QPalette palette = Edit1->palette();
    palette.setColor(QPalette::Text,
                     containsLineFeed(u16(text)) ? QColor(255, 0, 0) : QColor(0, 0, 0));
    Edit1->setPalette(palette);
    Label13->clear();
    if (col >= 1 && row >= 1 && CellTable_.usable() && col <= CellTable_.colCount &&
        row <= CellTable_.rowCount) {
        const TXlsxCellAttr& cell = CellTable_.at(col - 1, row - 1);
        SpeedButton1->setAutoRaise(cell.txtAlign != alignLeft);
        SpeedButton2->setAutoRaise(cell.txtAlign != alignCenter);
        SpeedButton3->setAutoRaise(cell.txtAlign != alignRight);
        showCurrentCellSizes();
    }
}

void TForm1::onGridCellTextChanged(int col, int row) {
    // The edit box follows the current cell's text whatever changed it (an edit in place, a
    // conversion, a replacement), so that a keystroke in it never writes a stale text back.
    if (!reading_) refreshPreview();
    if (writingFromEdit1_ || reading_) return;
    if (col == StringGrid1->col() && row == StringGrid1->row()) StringGrid1Click();
}

bool TForm1::StringGrid1DrawCell(QPainter& painter, int ACol, int ARow, const QRect& Rect,
                                 const GridDrawState& State) {
    if (CellTable_.empty()) return false;
    const bool fixed = ACol == 0 || ARow == 0;
    const TXlsxCellAttr* cell = nullptr;
    if (!fixed && ACol <= CellTable_.colCount && ARow <= CellTable_.rowCount &&
        CellTable_.usable()) {
        cell = &CellTable_.at(ACol - 1, ARow - 1);
    }
    Qt::Alignment horizontal = Qt::AlignLeft;
    if (fixed) {
        horizontal = Qt::AlignHCenter;
    } else if (cell != nullptr) {
        switch (textPlacement(cell->txtAlign)) {
            case TextPlacement::centre:
                horizontal = Qt::AlignHCenter;
                break;
            case TextPlacement::right:
                horizontal = Qt::AlignRight;
                break;
            case TextPlacement::left:
                break;
        }
    }
    const QPalette& pal = StringGrid1->palette();
    QColor background = pal.color(QPalette::Base);
    QColor foreground = pal.color(QPalette::Text);
    if (State.fixed) {
        background = StringGrid1->fixedColor();
        foreground = pal.color(QPalette::WindowText);
    } else if (State.selected) {
        background = pal.color(QPalette::Highlight);
        foreground = pal.color(QPalette::HighlightedText);
    }
    const bool merged = cell != nullptr && isMergedRegionCell(*cell);
    if (merged) {
        background = kMergedCellColor;
        // Highlighted text would vanish on the light background of a selected merged cell.
        foreground = pal.color(QPalette::Text);
    }
    painter.fillRect(Rect, background);
    if (merged && State.selected) {
        painter.setPen(QPen(pal.color(QPalette::Highlight), 2));
        painter.drawRect(Rect.adjusted(1, 1, -1, -1));
    }
    const QRect textRect = Rect.adjusted(0, 2, -2, 0);
    const QString text = StringGrid1->cell(ACol, ARow);
    painter.setPen(foreground);
    painter.setFont(StringGrid1->font());
    // A data text wider than its cell starts at the left edge, so that its beginning stays
    // readable instead of being cut on both sides (the drawing still places it by txtAlign).
    if (!fixed && horizontal != Qt::AlignLeft &&
        painter.fontMetrics().boundingRect(textRect, Qt::AlignLeft | Qt::AlignTop, text).width() >
            textRect.width()) {
        horizontal = Qt::AlignLeft;
    }
    painter.drawText(textRect, static_cast<int>(horizontal | Qt::AlignTop), text);
    return true;
}

void TForm1::StringGrid1FixedCellClick(int ACol, int ARow) {
    if (reading_) return;
    StringGrid1->setSelection(
        fixedCellSelection(ACol, ARow, StringGrid1->colCount(), StringGrid1->rowCount()));
}

void TForm1::Edit1Change() {
    const int col = StringGrid1->col();
    const int row = StringGrid1->row();
    if (col < 1 || row < 1 || reading_) return;
    const QString before = StringGrid1->cell(col, row);
    writingFromEdit1_ = true;
    StringGrid1->setCell(col, row, Edit1->text());
    writingFromEdit1_ = false;
    recordTextEdit(col, row, before, StringGrid1->cell(col, row), true);
    QPalette palette = Edit1->palette();
    palette.setColor(QPalette::Text,
                     containsLineFeed(u16(Edit1->text())) ? QColor(255, 0, 0) : QColor(0, 0, 0));
    Edit1->setPalette(palette);
}

void TForm1::Edit1KeyUp(int key) {
    if (key != Qt::Key_Left && key != Qt::Key_Up && key != Qt::Key_Right && key != Qt::Key_Down) {
        return;
    }
    Label13->setText(qs(
        caretCharCodeLabel(u16(Edit1->text()), static_cast<std::size_t>(Edit1->cursorPosition()))));
}

void TForm1::SpeedButton1Click(QObject* sender) {
    std::uint8_t code = 0;
    if (sender == SpeedButton1) code = alignLeft;
    if (sender == SpeedButton2) code = alignCenter;
    if (sender == SpeedButton3) code = alignRight;
    if (code == 0) return;
    if (StringGrid1->row() >= 1 && StringGrid1->col() >= 1 && !CellTable_.empty()) {
        recordTableChange(EditKind::basePoint,
                          [&] { setTextAlign(CellTable_, StringGrid1->selection(), code); });
    }
    StringGrid1->viewport()->update();
    refreshPreview();
}

// ---- the target CAD ----

// The dialog's OK sets the target itself; its result needs no look.
void TForm1::SpeedButton4Click() { TargetCADForm->exec(); }

void TForm1::SpeedButton5Click() { SpeedButton4Click(); }

// ---- read and insert ----

// What the read writes into the window.
class TForm1::ReadView : public SelectionReadView {
public:
    explicit ReadView(TForm1& form) : form_(form) {}

    void showCaption(const std::u16string& caption) override { form_.setWindowTitle(qs(caption)); }
    void showRange(const std::u16string& first, const std::u16string& last) override {
        form_.Edit2->setText(qs(first));
        form_.Edit3->setText(qs(last));
    }
    void beginGridUpdate() override { form_.StringGrid1->setUpdatesEnabled(false); }
    void endGridUpdate() override {
        form_.StringGrid1->setUpdatesEnabled(true);
        form_.StringGrid1->viewport()->update();
    }
    void setGridSize(std::int32_t colCount, std::int32_t rowCount) override {
        form_.StringGrid1->setShape(colCount, rowCount);
    }
    void setColWidth(std::int32_t col, std::int32_t pixels) override {
        form_.StringGrid1->setColWidth(col, pixels);
    }
    void setRowHeight(std::int32_t row, std::int32_t pixels) override {
        form_.StringGrid1->setRowHeight(row, pixels);
    }
    void setCellText(std::int32_t col, std::int32_t row, const std::u16string& text) override {
        form_.StringGrid1->setCell(col, row, qs(text));
    }
    void setCurrentCell(std::int32_t col, std::int32_t row) override {
        form_.StringGrid1->setCurrentCell(col, row);
    }
    void startProgress(std::int32_t maximum) override {
        form_.ProgressBar1->setRange(0, std::max(maximum, 1));
        form_.ProgressBar1->setValue(0);
    }
    void advanceProgress() override {
        form_.ProgressBar1->setValue(form_.ProgressBar1->value() + 1);
    }
    void resetProgress() override { form_.ProgressBar1->setValue(0); }
    void showRowCounter(const std::u16string& text) override { form_.Label4->setText(qs(text)); }
    bool pumpMessages() override {
        QCoreApplication::processEvents();
        // A close requested meanwhile ends the read first; the window closes afterwards.
        return !form_.closePending_;
    }

private:
    TForm1& form_;
};

void TForm1::Button3Click() {
    runRead([this](const SelectionReadSettings& readSettings) {
        std::unique_ptr<SelectionSource> source = source_.prepareRead();
        if (!source) source = workbook::runningSpreadsheetSource(readSettings);
        return source;
    });
}

// The clipboard as the caption and the messages name it.
constexpr std::u16string_view kClipboardLabel = u"クリップボード";

std::function<std::unique_ptr<workbook::ClipboardFormats>()>& TForm1::clipboardHook() {
    static std::function<std::unique_ptr<workbook::ClipboardFormats>()> hook = [] {
        return std::unique_ptr<workbook::ClipboardFormats>(
            std::make_unique<clipboard::QtClipboardFormats>());
    };
    return hook;
}

void TForm1::ClipboardButtonClick() {
    std::vector<workbook::ReadReason> notes;
    std::optional<QString> refusal;
    runRead([&](const SelectionReadSettings&) -> std::unique_ptr<SelectionSource> {
        try {
            workbook::ClipboardTable table =
                workbook::readClipboard(*clipboardHook()(), std::u16string(kClipboardLabel));
            notes = table.notes;
            return workbook::ownedSource(std::move(table));
        } catch (const workbook::WorkbookError& e) {
            refusal = QString::fromStdString(messageText(e.japaneseReason(), 800));
            return nullptr;
        }
    });
    if (refusal) {
        showMessage(this, QStringLiteral("クリップボードから取得できませんでした.\n") + *refusal,
                    qs(kMessageCaption), MessageKind::information);
        return;
    }
    QStringList said;
    if (!StatusLabel->text().isEmpty()) said << StatusLabel->text();
    for (const workbook::ReadReason& note : notes) said << QString::fromStdString(note.japanese());
    StatusLabel->setText(said.join(QStringLiteral(" ")));
}

void TForm1::runRead(
    const std::function<std::unique_ptr<SelectionSource>(const SelectionReadSettings&)>&
        makeSource) {
    if (reading_) return;
    const bool couldInsert = Button4->isEnabled();
    Button3->setEnabled(false);
    ClipboardButton->setEnabled(false);
    Button4->setEnabled(false);
    showStatus(QString());
    // While the read lets the message loop run, the user's input to this window is held off, and
    // a close request ends the read first (see closeEvent): nothing may change the table or the
    // grid under the read.
    reading_ = true;
    qApp->installEventFilter(this);
    SelectionReadResult result;
    std::exception_ptr error;
    // What the read replaces, so that one undo brings it back.
    EditStep readStep;
    readStep.kind = EditKind::read;
    readStep.other = windowSnapshot();
    try {
        const SelectionReadSettings readSettings =
            selectionReadSettings(settings_, u16(Edit15->text()), decimalSeparator());
        if (std::unique_ptr<SelectionSource> source = makeSource(readSettings)) {
            ReadView view(*this);
            result = readSelection(readSettings, *source, CellTable_, view);
        } else {
            result.enableInsert = couldInsert;
            Button4->setEnabled(couldInsert);
        }
    } catch (...) {
        error = std::current_exception();
    }
    qApp->removeEventFilter(this);
    reading_ = false;
    StringGrid1->setUpdatesEnabled(true);
    // A read that ended in an exception may have replaced the table partway.
    const CellTable& before = readStep.other->table;
    if (result.tableReplaced ||
        (error && (before.cells != CellTable_.cells || before.colCount != CellTable_.colCount ||
                   before.rowCount != CellTable_.rowCount))) {
        history_.record(std::move(readStep));
        tableCaption_ = windowTitle();
    }

    if (error) {
        showErrorBox(error);
    } else {
        if (result.tableReplaced) ShowWHSize();
        if (result.enableInsert) {
            try {
                Button4->setEnabled(true);
                StringGrid1->setCurrentCell(1, 1);
                StringGrid1Click();
            } catch (...) {
                Button4->setEnabled(false);
                showMessage(this, qs(kReadFailedMessage), qs(kMessageCaption));
            }
        }
        if (!result.message.empty() && !closePending_) {
            QString message = qs(result.message);
            if (result.status == SelectionReadStatus::attachFailed && !source_.source() &&
                !automation::runningApplicationsReachable()) {
                message += QStringLiteral("\n") + noWorkbookHint();
            }
            showMessage(this, message, qs(kMessageCaption),
                        result.status == SelectionReadStatus::attachFailed
                            ? MessageKind::information
                            : MessageKind::warning);
        }
    }
    Button3->setEnabled(true);
    ClipboardButton->setEnabled(true);
    refreshPreview();
    if (closePending_) {
        closePending_ = false;
        QTimer::singleShot(0, this, &QWidget::close);
    }
}

void TForm1::Button4Click() {
    if (!CellTable_.usable()) return;
    const CellTextFn text = [this](std::int32_t col, std::int32_t row) {
        return u16(StringGrid1->cell(col + 1, row + 1));
    };
    const DrawingRequest request =
        drawingRequest(CellTable_, text, settings_, CheckBox1->isChecked());
    const std::filesystem::path& path = files_.dxfFile;
    // A coordinate the file cannot hold: nothing is written, and the scale to change is named.
    if (const auto scale = nonFiniteScale(request)) {
        showMessage(
            this,
            QStringLiteral("DXF ファイルを保存できませんでした.\n尺度 %1 = %2 では図面の座標が"
                           "有限の数になりません.")
                .arg(qs(std::u16string(scale->name)), QString::number(scale->value, 'g', 17)),
            qs(kApplicationTitle), MessageKind::error);
        return;
    }
    try {
        if (!writeTableDxf(request, path)) return;
    } catch (const platform::FileError& e) {
        showMessage(this,
                    QStringLiteral("DXF ファイルを保存できませんでした.\n%1\n%2")
                        .arg(qs(e.path().u16string()), QString::fromStdString(e.japaneseReason())),
                    qs(kApplicationTitle), MessageKind::error);
        return;
    }
    const std::size_t replaced =
        charactersBeyondEscape(buildTableDrawing(request).value_or(std::vector<DrawnEntity>{}));
    const QString shownPath = QDir::toNativeSeparators(qs(path.u16string()));
    showStatus(qs(insertStatusText(InsertOutcome::saved, path, replaced)), shownPath);

    // Hand-off to the CAD: inserts the saved file into the running target CAD, if one runs.
    const bool taken = cad::handOffToCad(path, settings_.targetProgID, platform::systemWindowOps());

    showStatus(qs(insertStatusText(taken ? InsertOutcome::inserted : InsertOutcome::savedWithoutCad,
                                   path, replaced)),
               shownPath);
}

// ---- the preview ----

void TForm1::PreviewButtonClick() {
    PreviewForm->show();
    PreviewForm->raise();
    PreviewForm->activateWindow();
}

void TForm1::refreshPreview() { PreviewForm->scheduleRefresh(); }

// ---- the workbook file ----

std::function<bool(TOpenBookForm&)>& TForm1::confirmWorkbookHook() {
    static std::function<bool(TOpenBookForm&)> hook = [](TOpenBookForm& form) {
        return form.exec() == QDialog::Accepted;
    };
    return hook;
}

void TForm1::OpenBookButtonClick() {
    const QString start =
        source_.source() ? qs(source_.source()->path.parent_path().u16string()) : QDir::homePath();
    const QString file = QFileDialog::getOpenFileName(
        this, QStringLiteral("ブックを開く"), start,
        QStringLiteral("ブック (*.xlsx *.xlsm *.xml *.ods *.fods);;すべてのファイル (*)"));
    if (!file.isEmpty()) openWorkbookFile(std::filesystem::path(file.toStdU16String()));
}

void TForm1::CloseBookButtonClick() {
    source_.close();
    showSource();
}

bool TForm1::openWorkbookFile(const std::filesystem::path& path) {
    if (reading_) return false;
    std::shared_ptr<workbook::WorkbookFile> book;
    try {
        book = workbook::WorkbookFile::open(path);
    } catch (const workbook::WorkbookError&) {
        showMessage(this, describeException(std::current_exception()), qs(kMessageCaption),
                    MessageKind::warning);
        return false;
    }
    // What exceeds Excel's limits was cut or left out; the user is told before choosing, and of
    // the cells' texts once the range is read.
    std::vector<std::string> openNotes;
    for (const workbook::ReadReason& note : book->notes()) openNotes.push_back(note.japanese());
    auto showNotes = [this](const std::vector<std::string>& list) {
        if (list.empty()) return;
        QString notes;
        for (const std::string& note : list)
            notes += QStringLiteral("\n") + QString::fromStdString(note);
        showMessage(
            this,
            QStringLiteral("ブックの一部は Excel の上限を超えているため、そのままでは読めません:") +
                notes,
            qs(kMessageCaption), MessageKind::warning);
    };
    showNotes(openNotes);
    TOpenBookForm form(*book, this);
    if (!confirmWorkbookHook()(form)) return false;
    bool opened = true;
    try {
        source_.choose(book, form.sheetName(), form.range());
    } catch (...) {
        opened = false;
        showErrorBox(std::current_exception());
    }
    if (const workbook::WorkbookFile* read = source_.workbook()) {
        std::vector<std::string> readNotes;
        for (const workbook::ReadReason& reason : read->notes()) {
            std::string note = reason.japanese();
            if (std::find(openNotes.begin(), openNotes.end(), note) == openNotes.end())
                readNotes.push_back(std::move(note));
        }
        showNotes(readNotes);
    }
    if (opened) rememberRecentBook(path);
    showSource();
    return opened;
}

QString TForm1::noWorkbookHint() { return qs(kNoWorkbookHint); }

void TForm1::showSource() {
    CloseBookButton->setVisible(source_.source().has_value());
    SourceLabel->setText(qs(sourceStatusText(
        source_.source(), automation::runningApplicationsReachable(), u16(Edit15->text()))));
    SourceLabel->setToolTip(qs(sourceToolTip(source_.source())));
    layoutStatusBar();
}

// ---- the window's geometry, the recent workbooks, the status line ----

FrameMargins TForm1::frameMargins() const {
    const QRect frame = frameGeometry();
    const QRect client = geometry();
    if (frame == client) return kUsualFrame;
    return {client.left() - frame.left(), client.top() - frame.top(),
            frame.right() - client.right(), frame.bottom() - client.bottom()};
}

void TForm1::restoreWindowGeometry() {
    if (!settings_.windowGeometry) return;
    std::vector<ScreenRect> screens;
    const QScreen* primary = QGuiApplication::primaryScreen();
    auto add = [&screens](const QScreen* screen) {
        const QRect area = screen->availableGeometry();
        screens.push_back({area.x(), area.y(), area.width(), area.height()});
    };
    if (primary != nullptr) add(primary);
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (screen != primary) add(screen);
    }
    const QSize minimum = minimumSizeHint();
    if (const auto placed = placeWindow(*settings_.windowGeometry, screens, frameMargins(),
                                        minimum.width(), minimum.height())) {
        setGeometry(placed->x, placed->y, placed->width, placed->height);
    }
    if (settings_.windowMaximized) setWindowState(windowState() | Qt::WindowMaximized);
}

void TForm1::rememberWindowGeometry() {
    // The geometry to come back to from maximised, so that the next start can be un-maximised too.
    const QRect normal = normalGeometry();
    if (normal.width() > 0 && normal.height() > 0) {
        settings_.windowGeometry =
            ScreenRect{normal.x(), normal.y(), normal.width(), normal.height()};
    }
    settings_.windowMaximized = isMaximized();
}

void TForm1::fillRecentBooksMenu() {
    RecentBooksMenu->clear();
    int number = 0;
    for (const std::u16string& book : settings_.recentBooks) {
        ++number;
        const QString path = qs(book);
        // A file that is gone (or on a drive not connected now) stays in the list, marked, and
        // comes back to use when it is there again.
        const bool exists = QFileInfo(path).isFile();
        QString caption = fontMetrics().elidedText(path, Qt::ElideMiddle, 400);
        caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
        caption = QStringLiteral("&%1 %2").arg(number).arg(caption);
        if (!exists) caption += QStringLiteral(" (見つかりません)");
        QAction* action = RecentBooksMenu->addAction(caption);
        action->setObjectName(QStringLiteral("RecentBook%1").arg(number));
        action->setToolTip(path);
        action->setEnabled(exists);
        // Queued: the open refills this menu, which deletes the action being triggered.
        connect(
            action, &QAction::triggered, this,
            [this, book] {
                guard([this, &book] { openWorkbookFile(std::filesystem::path(book)); });
            },
            Qt::QueuedConnection);
    }
    RecentBooksButton->setEnabled(!settings_.recentBooks.empty() && !reading_);
}

void TForm1::rememberRecentBook(const std::filesystem::path& path) {
    std::u16string name;
    try {
        name = path.u16string();
    } catch (const std::exception&) {
        return;  // a name that is no text (bytes that are not UTF-8) cannot go into the settings
    }
    // The file's one name: through links, and on Windows in the letter case of the disk, so that
    // the same file opened by another spelling takes its old entry's place.
    const QFileInfo file(qs(name));
    const QString canonical = file.canonicalFilePath();
    const QString absolute =
        canonical.isEmpty() ? QDir::cleanPath(file.absoluteFilePath()) : canonical;
    settings_.recentBooks =
        withRecentBook(std::move(settings_.recentBooks), u16(QDir::toNativeSeparators(absolute)));
    fillRecentBooksMenu();
}

void TForm1::showStatus(const QString& text, const QString& path) {
    StatusLabel->setText(text, path);
    layoutStatusBar();
}

void TForm1::layoutStatusBar() {
    int room = StatusBar1->width();
    if (!StatusLabel->text().isEmpty()) {
        room -= StatusLabel->fontMetrics().horizontalAdvance(StatusLabel->text()) + 12;
    }
    if (CloseBookButton->isVisibleTo(this)) room -= CloseBookButton->sizeHint().width();
    // The size grip and the spacing between the widgets.
    room -= 24;
    // A fixed width: the message beside it takes whatever is left, so the layout would give the
    // source nothing.
    const int least = SourceLabel->fontMetrics().horizontalAdvance(QStringLiteral("取得元: …"));
    const QMargins margins = SourceLabel->contentsMargins();
    const int whole = SourceLabel->fontMetrics().horizontalAdvance(SourceLabel->text()) +
                      2 * SourceLabel->margin() + margins.left() + margins.right() + 2;
    SourceLabel->setFixedWidth(std::min(whole, std::max(least, room)));
}

void TForm1::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    layoutStatusBar();
}

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (!reading_ && urls.size() == 1 && urls.front().isLocalFile()) event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.size() != 1 || !urls.front().isLocalFile()) return;
    event->acceptProposedAction();
    const std::filesystem::path path(urls.front().toLocalFile().toStdU16String());
    // Opening shows a modal dialog; let the drop finish first.
    QTimer::singleShot(0, this, [this, path] { guard([this, &path] { openWorkbookFile(path); }); });
}

bool TForm1::blocksInput(QObject* watched, QEvent* event) const {
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Shortcut:
        case QEvent::ShortcutOverride:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::Drop:
        case QEvent::TouchBegin:
            break;
        default:
            return false;
    }
    const auto* widget = qobject_cast<const QWidget*>(watched);
    return widget != nullptr && widget->window() == this;
}

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
