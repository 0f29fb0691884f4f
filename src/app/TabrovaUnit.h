// The main window: three tabs (acquire and draw, settings and check, ReadMe), the cell grid, the
// size boxes and the wiring of every control to the part that handles it.
#pragma once

#include <QMainWindow>
#include <QMenu>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

#include "app/StringGrid.h"
#include "cad/MessageFilter.h"
#include "dxf/TableDrawing.h"
#include "grid/EditHistory.h"
#include "settings/ProgramFiles.h"
#include "settings/Settings.h"
#include "settings/WindowPlacement.h"
#include "sizing/SizeDisplay.h"
#include "table/CellTable.h"
#include "table/SelectionReader.h"
#include "ui_TabrovaUnit.h"
#include "workbook/ChosenWorkbook.h"
#include "workbook/ClipboardSource.h"

class QKeyEvent;

namespace tabrova::app {

inline constexpr const char16_t* kApplicationTitle = u"Tabrova";

class TOpenBookForm;
class TPreviewForm;
class TTargetCADForm;
class TForm3;

// The controls, their captions, hints, states and layout are the form's (TabrovaUnit.ui); this
// class wires them to the handlers.
class TForm1 : public QMainWindow, public Ui::TForm1 {
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
    const std::optional<WorkbookSource>& workbookSource() const { return source_.source(); }
    // How the sheet-and-range dialog is answered; tests replace it. Returns whether it was
    // confirmed.
    static std::function<bool(TOpenBookForm&)>& confirmWorkbookHook();
    // Where "クリップボードから取得" takes the clipboard's formats from: the system clipboard;
    // tests replace it.
    static std::function<std::unique_ptr<workbook::ClipboardFormats>()>& clipboardHook();

    // Handlers (named as in the form designer).
    void FormCreate();
    bool FormCloseQuery();
    void FormDestroy();
    void PageControl1Change(int index);
    void SpeedButton4Click();
    void SpeedButton5Click();
    void Button3Click();
    // "クリップボードから取得" (and Ctrl+Shift+V): the range a spreadsheet program copied, read as
    // Button3Click reads the selection.
    void ClipboardButtonClick();
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
    // Ctrl+Z and Ctrl+Y (or Ctrl+Shift+Z): undo and redo the changes of the grid and the table.
    void Undo();
    void Redo();
    const EditHistory& editHistory() const { return history_; }

    // The controls, by their form names, come from Ui::TForm1 (TabrovaUnit.ui); the grid's pop-up
    // menu is built in code, its entries being the menu's own children.
    QMenu* PopupMenu1;
    // The menu of RecentBooksButton: the workbook files opened last (settings().recentBooks),
    // filled anew each time it opens.
    QMenu* RecentBooksMenu;
    // The preview window of the drawing.
    TPreviewForm* PreviewForm;
    // The dialogs, created hidden with the window and kept for its whole life.
    TTargetCADForm* TargetCADForm = nullptr;
    TForm3* Form3 = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void connectDrawingOptions();
    // Says in the status bar which options on lack the facts of the cells read.
    void showUnreadOptions();
    // The grid's pop-up menu, its entries wired to their handlers (TabrovaUnitPopup.cpp).
    void buildPopupMenu();
    void connectHandlers();
    // The window's shortcut keys, each running the handler of its control.
    void connectShortcuts();
    void showSettingsInBoxes();
    void lookUpTargetCadName();
    void applyGridSizesFromScales();
    // The drawing scales and the cell-line colour from their boxes (each box's fallback when it
    // does not hold a number), and the table's drawing sizes computed anew.
    void applyDrawingScales(const ScaleFallbacks& fallbacks);
    // The edit box in the colour that tells a text with a line feed.
    void colourEdit1();
    // What "CAD へ挿入" and the preview draw: the table with the grid's texts, the settings'
    // scales and options, and the cell lines as the check box says.
    DrawingRequest gridDrawingRequest() const;
    // After the drawing sizes were computed anew: the summary, the totals label and the current
    // cell's size boxes.
    void showRecomputedSizes();
    void showCurrentCellSizes();
    void reloadCurrentCell();
    bool cellSizeKeyPress(QLineEdit* box, CellSizeField field, int key);
    void onGridCellTextChanged(int col, int row);
    // A read into the table and the grid from the source that makeSource gives (nothing: no
    // read, and the window stays as it was), as one undo step.
    void runRead(
        const std::function<std::unique_ptr<SelectionSource>(const SelectionReadSettings&)>&
            makeSource);
    void OpenBookButtonClick();
    // ---- the window's geometry and the recent workbooks ----
    // Puts the window where the settings say it was, within the screens there are now.
    void restoreWindowGeometry();
    void rememberWindowGeometry();
    // What the frame adds around the client area: the real margins once the window system has
    // told them, else the usual ones.
    FrameMargins frameMargins() const;
    void fillRecentBooksMenu();
    void rememberRecentBook(const std::filesystem::path& path);
    // The status message, with the path in it that is shortened first when the line is narrow.
    void showStatus(const QString& text, const QString& path = QString());
    // The status message goes before the source's text: the source gets what the message leaves.
    void layoutStatusBar();
    void CloseBookButtonClick();
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

    // ---- undo and redo (TabrovaUnitUndo.cpp) ----
    class HistoryTarget;
    friend class HistoryTarget;
    void connectUndo();
    // Records what `change` does to the table's records as one step of `kind`.
    void recordTableChange(EditKind kind, const std::function<void()>& change);
    void recordTextEdit(int col, int row, const QString& before, const QString& after, bool typing);
    // The table and the grid as a read replaces them, and their return.
    TableSnapshot windowSnapshot() const;
    void restoreWindow(TableSnapshot state);
    void undoOrRedo(bool undo);
    // Whether an undo or redo key pressed in the line edit `watched` goes to the window's
    // history: when the box has nothing of its own to undo or redo.
    bool passesUndoKey(QObject* watched, const QKeyEvent& key) const;

    ProgramFiles files_;
    CellTable CellTable_;
    WorkingSettings settings_;
    std::unique_ptr<cad::TMessageFilter> messageFilter_;
    workbook::ChosenWorkbook source_;
    bool reading_ = false;
    bool closePending_ = false;
    bool writingFromEdit1_ = false;
    bool closed_ = false;
    EditHistory history_;
    bool restoring_ = false;  // an undo or redo is writing the grid
    // The caption the table shown came with; an undone read gives the window its caption back
    // only while it still shows this one.
    QString tableCaption_;
};

}  // namespace tabrova::app
