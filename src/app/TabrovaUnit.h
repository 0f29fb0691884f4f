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
#include <optional>

#include "app/StringGrid.h"
#include "sizing/SizeDisplay.h"
#include "table/CellTable.h"

namespace tabrova::app {

inline constexpr const char16_t* kApplicationTitle = u"Tabrova";

// The working settings the window holds between the settings file's load and save.
struct WindowSettings {
    double colXsc = 20;
    double rowYsc = 3;
    double cadXsc = 3;
    double cadYsc = 0.43;
    double cadTsc = 0.27;
    double cadTof = 0.8;
    std::int32_t cellLineColor = 252;
    std::int32_t xlsVerNum = 16;
};

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    // programFolder: where the settings, the target CAD list and the DXF live.
    explicit TForm1(std::filesystem::path programFolder, QWidget* parent = nullptr);
    ~TForm1() override;

    // The cell table and the working values, for the parts that work on them.
    CellTable& cellTable() { return CellTable_; }
    WindowSettings& settings() { return settings_; }
    const std::u16string& targetProgID() const { return targetProgID_; }
    void setTargetProgID(std::u16string progId) { targetProgID_ = std::move(progId); }
    std::filesystem::path dxfPath() const;
    bool isReading() const { return reading_; }

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
    QPlainTextEdit* Memo1;
    QMenu* PopupMenu1;
    // Additions for reading workbook files and telling where the DXF went.
    QPushButton* OpenBookButton;
    QLabel* SourceLabel;
    QLabel* StatusLabel;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildTab1();
    void buildTab2();
    void buildTab3();
    void buildPopupMenu();
    void connectHandlers();
    void showSettingsInBoxes();
    void lookUpTargetCadName();
    void applyGridSizesFromScales();
    void reloadCurrentCell();
    bool cellSizeKeyPress(QLineEdit* box, CellSizeField field, int key);
    void onGridCellTextChanged(int col, int row);
    char16_t decimalSeparator() const;
    std::optional<double> readNumber(const QLineEdit* box) const;
    std::optional<std::int32_t> readInteger(const QLineEdit* box) const;

    std::filesystem::path programFolder_;
    CellTable CellTable_;
    WindowSettings settings_;
    std::u16string targetProgID_ = u"BricscadApp.AcadApplication";
    bool reading_ = false;
    bool closePending_ = false;
    bool writingFromEdit1_ = false;
    bool closed_ = false;
};

}  // namespace tabrova::app
