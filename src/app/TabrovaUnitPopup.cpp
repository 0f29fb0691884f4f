// The grid's pop-up menu: the text conversions and the replace, each over the grid's selection.
#include <QAction>
#include <QMenu>
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

void TForm1::buildPopupMenu() {
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    // The entries in menu order; one without a caption is a separator.
    const struct {
        const char* name;
        const char16_t* caption;
        void (TForm1::*handler)();
    } items[] = {
        {"N1", u"半角->全角", &TForm1::N1Click},
        {"N12", u"半角->全角（数字のみの文字列は除外）", &TForm1::N12Click},
        {"N5", u"半角カナ->全角", &TForm1::N5Click},
        {"N3", nullptr, nullptr},
        {"N2", u"全角->半角", &TForm1::N2Click},
        {"N6", u"全角数字->半角", &TForm1::N6Click},
        {"N7", u"全角アルファベット->半角", &TForm1::N7Click},
        {"N8", nullptr, nullptr},
        {"N9", u"代替文字を含む禁止文字->半角", &TForm1::N9Click},
        {"N10", nullptr, nullptr},
        {"N4", u"置換", &TForm1::N4Click},
    };
    for (const auto& item : items) {
        QAction* action = item.caption != nullptr
                              ? PopupMenu1->addAction(QString::fromUtf16(item.caption))
                              : PopupMenu1->addSeparator();
        action->setObjectName(QString::fromLatin1(item.name));
        if (item.handler == nullptr) continue;
        connect(action, &QAction::triggered, this,
                [this, handler = item.handler] { guard([this, handler] { (this->*handler)(); }); });
    }
    connect(StringGrid1, &StringGrid::popupRequested, this, [this](const QPoint& at) {
        if (!reading_) PopupMenu1->popup(at);
    });
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
