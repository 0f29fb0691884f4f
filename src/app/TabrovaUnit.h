// The main window: three tabs (acquire and draw, settings and check, ReadMe), the cell grid, the
// size boxes and the wiring of every control to the part that handles it.
#pragma once

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

#include "app/StringGrid.h"
#include "cad/MessageFilter.h"
#include "settings/ProgramFiles.h"
#include "settings/Settings.h"
#include "sizing/SizeDisplay.h"
#include "table/CellTable.h"

namespace tabrova::workbook {
class OpenWorkbook;
}

namespace tabrova::app {

inline constexpr const char16_t* kApplicationTitle = u"Tabrova";

class TOpenBookForm;
class TPreviewForm;
class TTargetCADForm;
class TForm3;

// The workbook file chosen as the source of "Excel から取得": the file, the sheet and the range
// the user confirmed.
struct WorkbookSource {
    std::filesystem::path path;
    std::u16string sheet;
    std::u16string range;
    std::filesystem::file_time_type modified;
};

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    // files: where the settings, the target CAD list and the DXF live.
    explicit TForm1(ProgramFiles files, QWidget* parent = nullptr);
    ~TForm1() override;

    // The cell table and the working values, for the parts that work on them.
    CellTable& cellTable() { return CellTable_; }
    WorkingSettings& settings() { return settings_; }
    const std::u16string& targetProgID() const { return settings_.targetProgID; }
    void setTargetProgID(std::u16string progId) { settings_.targetProgID = std::move(progId); }
    const ProgramFiles& programFiles() const { return files_; }
    // Where no spreadsheet application can run: how to open a workbook instead.
    static QString noWorkbookHint();
    bool isReading() const { return reading_; }

    // Opens a workbook file as the source of "Excel から取得" after the user has confirmed its
    // sheet and range. Returns whether it was opened; errors are shown to the user.
    bool openWorkbookFile(const std::filesystem::path& path);
    const std::optional<WorkbookSource>& workbookSource() const { return source_; }
    // How the sheet-and-range dialog is answered; tests replace it. Returns whether it was
    // confirmed.
    static std::function<bool(TOpenBookForm&)>& confirmWorkbookHook();

    // Handlers (named as in the form designer).
    void FormCreate();
    bool FormCloseQuery();
    void FormDestroy();
    void PageControl1Change(int index);
    void SpeedButton4Click();
    void SpeedButton5Click();
    void Button3Click();
    void Button4Click();
    void Button1Click();
    void Edit6Change();
    void showWhSizeGrid2();
    void ShowWHSize();
    bool Edit11KeyPress(int key);
    bool Edit12KeyPress(int key);
    bool Edit13KeyPress(int key);
    void StringGrid1Click();
    bool StringGrid1DrawCell(QPainter& painter, int ACol, int ARow, const QRect& Rect,
                             const GridDrawState& State);
    void StringGrid1FixedCellClick(int ACol, int ARow);
    void Edit1Change();
    void Edit1KeyUp(int key);
    void SpeedButton1Click(QObject* sender);
    void N1Click();
    void N12Click();
    void N5Click();
    void N2Click();
    void N6Click();
    void N7Click();
    void N9Click();
    void N4Click();

    // Controls, by their form names.
    QTabWidget* PageControl1;
    QWidget* TabSheet1;
    QWidget* TabSheet2;
    QWidget* TabSheet3;
    QWidget* Panel1;
    QWidget* Panel2;
    QToolButton* SpeedButton5;
    QLineEdit* Edit16;
    QLabel* Label1;
    QLineEdit* Edit2;
    QLabel* Label2;
    QLineEdit* Edit3;
    QPushButton* Button3;
    QLabel* Label4;
    QPushButton* Button4;
    QLineEdit* Edit13;
    QToolButton* SpeedButton1;
    QToolButton* SpeedButton2;
    QToolButton* SpeedButton3;
    QLineEdit* Edit11;
    QLineEdit* Edit12;
    QCheckBox* CheckBox1;
    QLineEdit* Edit1;
    QLabel* Label13;
    StringGrid* StringGrid1;
    QProgressBar* ProgressBar1;
    QGroupBox* GroupBox1;
    QLabel* Label7;
    QLineEdit* Edit4;
    QLabel* Label8;
    QLineEdit* Edit5;
    QGroupBox* GroupBox2;
    QLabel* Label15;
    QLineEdit* Edit6;
    QLabel* Label16;
    QLineEdit* Edit7;
    QLabel* Label17;
    QLineEdit* Edit8;
    QLabel* Label18;
    QLabel* Label9;
    QLineEdit* Edit9;
    QLabel* Label10;
    QLabel* Label11;
    QLineEdit* Edit10;
    QLabel* Label12;
    QTableWidget* StringGrid2;
    QGroupBox* GroupBox3;
    QLabel* Label3;
    QLineEdit* Edit14;
    QToolButton* SpeedButton4;
    QLabel* Label5;
    QLineEdit* Edit15;
    // The drawing options: how closely the drawing follows the sheet (settings section Options).
    QGroupBox* GroupBoxDrawingOptions;
    QCheckBox* CheckBoxBorderStyles;   // "罫線の線種と太さ", borderStyles
    QCheckBox* CheckBoxVerticalAlign;  // "文字の縦位置", verticalAlign
    QCheckBox* CheckBoxWrapText;       // "折り返して全体を表示", wrapText
    QCheckBox* CheckBoxFitText;        // "はみ出す文字を縮める", fitText
    QPlainTextEdit* Memo1;
    QMenu* PopupMenu1;
    // Additions for reading workbook files and telling where the DXF went.
    QPushButton* OpenBookButton;
    QLabel* SourceLabel;
    QToolButton* CloseBookButton;
    QLabel* StatusLabel;
    // The preview window of the drawing and the button that shows it.
    QPushButton* PreviewButton;
    TPreviewForm* PreviewForm;
    // The dialogs, created hidden with the window and kept for its whole life.
    TTargetCADForm* TargetCADForm = nullptr;
    TForm3* Form3 = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildTab1();
    void buildTab2();
    void buildTab3();
    QGroupBox* buildDrawingOptionsGroup(QWidget* parent);
    void connectDrawingOptions();
    void buildPopupMenu();
    void connectPopupMenu();
    void connectHandlers();
    void showSettingsInBoxes();
    void lookUpTargetCadName();
    void applyGridSizesFromScales();
    void reloadCurrentCell();
    bool cellSizeKeyPress(QLineEdit* box, CellSizeField field, int key);
    void onGridCellTextChanged(int col, int row);
    void OpenBookButtonClick();
    void CloseBookButtonClick();
    void ensureWorkbookOpen();
    void showSource();
    void PreviewButtonClick();
    // The preview follows every change of what the next insert would draw.
    void refreshPreview();
    bool blocksInput(QObject* watched, QEvent* event) const;
    char16_t decimalSeparator() const;
    std::optional<double> readNumber(const QLineEdit* box) const;
    std::optional<std::int32_t> readInteger(const QLineEdit* box) const;

    class ReadView;
    friend class ReadView;

    ProgramFiles files_;
    CellTable CellTable_;
    WorkingSettings settings_;
    std::unique_ptr<cad::TMessageFilter> messageFilter_;
    std::optional<WorkbookSource> source_;
    std::unique_ptr<workbook::OpenWorkbook> openBook_;
    bool reading_ = false;
    bool closePending_ = false;
    bool writingFromEdit1_ = false;
    bool closed_ = false;
};

}  // namespace tabrova::app
