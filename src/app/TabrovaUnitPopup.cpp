// The grid's pop-up menu: the text conversions and the replace, each over the grid's selection.
#include <QAction>
#include <algorithm>
#include <utility>

#include "app/Messages.h"
#include "app/TabrovaUnit.h"
#include "app/Unit3.h"
#include "grid/SelectionWalk.h"
#include "grid/StrConvUnit.h"
#include "grid/Unit3.h"

namespace tabrova::app {

namespace {

// The grid's texts as the selection walk sees them; the selection is kept off the fixed row and
// column, whose captions are no cell texts.
class StringGridTexts : public TextGrid {
public:
    explicit StringGridTexts(StringGrid& grid) : grid_(grid) {}

    GridSelection selection() const override {
        GridSelection sel = grid_.selection();
        sel.left = std::max(sel.left, 1);
        sel.top = std::max(sel.top, 1);
        return sel;
    }
    std::u16string cellText(int col, int row) const override {
        return grid_.cell(col, row).toStdU16String();
    }
    void setCellText(int col, int row, const std::u16string& text) override {
        grid_.setCell(col, row, QString::fromStdU16String(text));
    }

private:
    StringGrid& grid_;
};

template <std::u16string (*Convert)(std::u16string_view)>
void convertSelection(StringGrid& grid, EditHistory& history) {
    StringGridTexts texts(grid);
    RecordingTextGrid recorder(texts);
    walkSelection(recorder, [](const std::u16string& text) { return Convert(text); });
    history.record(recorder.step(EditKind::conversion));
}

}  // namespace

void TForm1::connectPopupMenu() {
    const std::pair<const char*, void (TForm1::*)()> items[] = {
        {"N1", &TForm1::N1Click}, {"N12", &TForm1::N12Click}, {"N5", &TForm1::N5Click},
        {"N2", &TForm1::N2Click}, {"N6", &TForm1::N6Click},   {"N7", &TForm1::N7Click},
        {"N9", &TForm1::N9Click}, {"N4", &TForm1::N4Click},
    };
    for (const auto& [name, handler] : items) {
        QAction* action = PopupMenu1->findChild<QAction*>(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this,
                [this, handler = handler] { guard([this, handler] { (this->*handler)(); }); });
    }
}

void TForm1::N1Click() { convertSelection<StrToFullWidth>(*StringGrid1, history_); }
void TForm1::N12Click() {
    convertSelection<StrToFullWidthUnlessNumOrAlpha>(*StringGrid1, history_);
}
void TForm1::N5Click() { convertSelection<HalfKanaToFull>(*StringGrid1, history_); }
void TForm1::N2Click() { convertSelection<StrToHalfWidth>(*StringGrid1, history_); }
void TForm1::N6Click() { convertSelection<FullNumToHalf>(*StringGrid1, history_); }
void TForm1::N7Click() { convertSelection<FullAlphaToHalf>(*StringGrid1, history_); }
void TForm1::N9Click() { convertSelection<ForbiddenToHalf>(*StringGrid1, history_); }

void TForm1::N4Click() {
    if (Form3->exec() != QDialog::Accepted) return;
    StringGridTexts texts(*StringGrid1);
    RecordingTextGrid recorder(texts);
    const int count = ReplaceInSelection(recorder, Form3->Edit1->text().toStdU16String(),
                                         Form3->Edit2->text().toStdU16String());
    history_.record(recorder.step(EditKind::replace));
    // Centred on the screen, like any simple message.
    showMessage(nullptr, QString::fromStdU16String(ReplaceReport(count)),
                QString::fromUtf16(kApplicationTitle));
}

}  // namespace tabrova::app
