// Writes samples/parts-list.xlsx, the workbook the README's main job converts: the parts list of
// a conveyor drive unit with merged headers, borders, dates and amounts, and a revision sheet.
//
//   make-sample-workbook OUTPUT.xlsx
#include <xlsxwriter.h>

#include <cstdio>

namespace {

struct Part {
    const char* name;
    const char* model;
    int quantity;
    double unitPrice;
    double due;  // date serial
    const char* note;
};

// Delivery dates as serials of the 1900 date system (45292 is 2024/1/1).
const Part kParts[] = {
    {"ギヤードモータ", "GM-750W 1/30 三相200V", 1, 86500, 45366, "インバータ対応"},
    {"ローラチェーン", "RS60 1列 120リンク", 2, 7800, 45352, ""},
    {"スプロケット（駆動側）", "RS60-15T 軸穴φ35", 1, 6200, 45352, "キー溝加工"},
    {"スプロケット（従動側）", "RS60-30T 軸穴φ40", 1, 11400, 45352, "キー溝加工"},
    {"軸受ユニット", "UCP208 φ40", 4, 3850, 45345, ""},
    {"駆動軸", "S45C φ40×650", 1, 18000, 45373, "図面 CV-102"},
    {"近接センサ", "PNP 検出距離8mm M18", 2, 4650, 45338, "予備1個含む"},
    {"チェーンカバー", "SS400 t1.6 焼付塗装", 1, 24000, 45380, "色：マンセル 5Y7/1"},
    {"六角ボルト", "M12×40 SUS304", 16, 85, 45338, ""},
    {"ばね座金・平座金", "M12 SUS304 組", 16, 32, 45338, ""},
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-sample-workbook OUTPUT.xlsx\n");
        return 2;
    }
    lxw_workbook* wb = workbook_new(argv[1]);
    if (!wb) return 1;
    lxw_worksheet* ws = workbook_add_worksheet(wb, "部品表");
    lxw_worksheet* history = workbook_add_worksheet(wb, "改訂履歴");

    lxw_format* title = workbook_add_format(wb);
    format_set_font_size(title, 16);
    format_set_bold(title);
    format_set_align(title, LXW_ALIGN_CENTER);
    format_set_align(title, LXW_ALIGN_VERTICAL_CENTER);

    lxw_format* label = workbook_add_format(wb);
    format_set_align(label, LXW_ALIGN_RIGHT);
    lxw_format* infoDate = workbook_add_format(wb);
    format_set_num_format(infoDate, "yyyy\"年\"m\"月\"d\"日\"");
    format_set_align(infoDate, LXW_ALIGN_LEFT);
    lxw_format* infoText = workbook_add_format(wb);
    format_set_align(infoText, LXW_ALIGN_LEFT);

    lxw_format* header = workbook_add_format(wb);
    format_set_bold(header);
    format_set_align(header, LXW_ALIGN_CENTER);
    format_set_align(header, LXW_ALIGN_VERTICAL_CENTER);
    format_set_border(header, LXW_BORDER_THIN);
    format_set_bg_color(header, 0xDDEBF7);
    lxw_format* headerBottom = workbook_add_format(wb);
    format_set_bold(headerBottom);
    format_set_align(headerBottom, LXW_ALIGN_CENTER);
    format_set_align(headerBottom, LXW_ALIGN_VERTICAL_CENTER);
    format_set_border(headerBottom, LXW_BORDER_THIN);
    format_set_bottom(headerBottom, LXW_BORDER_DOUBLE);
    format_set_bg_color(headerBottom, 0xDDEBF7);

    lxw_format* number = workbook_add_format(wb);
    format_set_border(number, LXW_BORDER_THIN);
    format_set_align(number, LXW_ALIGN_CENTER);
    lxw_format* text = workbook_add_format(wb);
    format_set_border(text, LXW_BORDER_THIN);
    lxw_format* quantity = workbook_add_format(wb);
    format_set_border(quantity, LXW_BORDER_THIN);
    format_set_num_format(quantity, "#,##0");
    lxw_format* yen = workbook_add_format(wb);
    format_set_border(yen, LXW_BORDER_THIN);
    format_set_num_format(yen, "#,##0");
    lxw_format* due = workbook_add_format(wb);
    format_set_border(due, LXW_BORDER_THIN);
    format_set_num_format(due, "m\"月\"d\"日\"");
    format_set_align(due, LXW_ALIGN_CENTER);
    lxw_format* totalLabel = workbook_add_format(wb);
    format_set_bold(totalLabel);
    format_set_align(totalLabel, LXW_ALIGN_CENTER);
    format_set_border(totalLabel, LXW_BORDER_THIN);
    format_set_top(totalLabel, LXW_BORDER_DOUBLE);
    lxw_format* totalYen = workbook_add_format(wb);
    format_set_bold(totalYen);
    format_set_num_format(totalYen, "\"¥\"#,##0");
    format_set_border(totalYen, LXW_BORDER_THIN);
    format_set_top(totalYen, LXW_BORDER_DOUBLE);
    lxw_format* totalBlank = workbook_add_format(wb);
    format_set_border(totalBlank, LXW_BORDER_THIN);
    format_set_top(totalBlank, LXW_BORDER_DOUBLE);

    // Columns: No., 品名, 型式・規格, 数量, 単価, 金額, 納期, 備考.
    const double widths[] = {5, 22, 24, 6, 10, 12, 9, 18};
    for (lxw_col_t c = 0; c < 8; ++c) worksheet_set_column(ws, c, c, widths[c], nullptr);

    worksheet_set_row(ws, 0, 27, nullptr);
    worksheet_merge_range(ws, 0, 0, 0, 7, "部品表　コンベヤ駆動ユニット CV-100", title);
    worksheet_write_string(ws, 1, 5, "作成日", label);
    worksheet_merge_range(ws, 1, 6, 1, 7, "", infoDate);
    worksheet_write_number(ws, 1, 6, 45323, infoDate);  // 2024/2/1
    worksheet_write_string(ws, 2, 5, "図番", label);
    worksheet_merge_range(ws, 2, 6, 2, 7, "CV-100-00", infoText);

    // Two header rows: 価格（円） spans 単価 and 金額, the others span both rows.
    const char* single[] = {"No.", "品名", "型式・規格", "数量"};
    for (lxw_col_t c = 0; c < 4; ++c)
        worksheet_merge_range(ws, 3, c, 4, c, single[c], headerBottom);
    worksheet_merge_range(ws, 3, 4, 3, 5, "価格（円）", header);
    worksheet_write_string(ws, 4, 4, "単価", headerBottom);
    worksheet_write_string(ws, 4, 5, "金額", headerBottom);
    worksheet_merge_range(ws, 3, 6, 4, 6, "納期", headerBottom);
    worksheet_merge_range(ws, 3, 7, 4, 7, "備考", headerBottom);

    double total = 0;
    lxw_row_t row = 5;
    for (const Part& p : kParts) {
        char formula[64];
        std::snprintf(formula, sizeof formula, "=D%u*E%u", row + 1, row + 1);
        const double amount = p.quantity * p.unitPrice;
        total += amount;
        worksheet_write_number(ws, row, 0, row - 4, number);
        worksheet_write_string(ws, row, 1, p.name, text);
        worksheet_write_string(ws, row, 2, p.model, text);
        worksheet_write_number(ws, row, 3, p.quantity, quantity);
        worksheet_write_number(ws, row, 4, p.unitPrice, yen);
        worksheet_write_formula_num(ws, row, 5, formula, yen, amount);
        worksheet_write_number(ws, row, 6, p.due, due);
        worksheet_write_string(ws, row, 7, p.note, text);
        ++row;
    }
    worksheet_merge_range(ws, row, 0, row, 4, "合計", totalLabel);
    char sum[64];
    std::snprintf(sum, sizeof sum, "=SUM(F6:F%u)", row);
    worksheet_write_formula_num(ws, row, 5, sum, totalYen, total);
    worksheet_write_blank(ws, row, 6, totalBlank);
    worksheet_write_blank(ws, row, 7, totalBlank);

    // The saved selection is the whole table, so that the tool draws it without --range.
    worksheet_set_selection(ws, 0, 0, row, 7);
    worksheet_activate(ws);

    worksheet_set_column(history, 0, 0, 6, nullptr);
    worksheet_set_column(history, 1, 1, 12, nullptr);
    worksheet_set_column(history, 2, 2, 36, nullptr);
    worksheet_write_string(history, 0, 0, "版", header);
    worksheet_write_string(history, 0, 1, "日付", header);
    worksheet_write_string(history, 0, 2, "内容", header);
    const char* revisions[][2] = {{"初版発行", nullptr},
                                  {"スプロケット歯数変更（12T→15T）", nullptr}};
    for (lxw_row_t r = 0; r < 2; ++r) {
        worksheet_write_number(history, r + 1, 0, r, number);
        worksheet_write_number(history, r + 1, 1, 45310 + 13 * r, due);
        worksheet_write_string(history, r + 1, 2, revisions[r][0], text);
    }
    worksheet_set_selection(history, 0, 0, 2, 2);

    return workbook_close(wb) == LXW_NO_ERROR ? 0 : 1;
}
