// Writes a ROWS x COLS workbook (default 1,000 x 1,000): texts, numbers under a number format,
// borders, a merged block of two rows and two columns every 50 rows, a taller row every 7 rows and
// wider columns every 5 columns. The saved selection is the whole table, or SELECTION ("B2:D40").
// The texts are inline strings, or with "shared" entries of the shared-string table (as the
// spreadsheet application writes them; the generator then holds the workbook in memory).
//   make_large_workbook OUT.xlsx [ROWS [COLS [SELECTION|all [shared]]]]
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
    const bool shared = argc > 5 && std::string(argv[5]) == "shared";
    options.constant_memory = shared ? LXW_FALSE : LXW_TRUE;
    lxw_workbook* wb = workbook_new_opt(argv[1], &options);
    lxw_worksheet* ws = workbook_add_worksheet(wb, "Data");
    lxw_format* boxed = workbook_add_format(wb);
    format_set_border(boxed, LXW_BORDER_THIN);
    lxw_format* amount = workbook_add_format(wb);
    format_set_border(amount, LXW_BORDER_THIN);
    format_set_num_format(amount, "#,##0.00");
    for (lxw_col_t c = 4; c < cols; c += 5) worksheet_set_column(ws, c, c, 12.5, nullptr);
    for (lxw_row_t r = 0; r < rows; ++r) {
        if (r % 7 == 3) worksheet_set_row(ws, r, 21, nullptr);
        for (lxw_col_t c = 0; c < cols; ++c) {
            if (c % 3 == 0) {
                const std::string text = "品目" + std::to_string(r) + "-" + std::to_string(c);
                worksheet_write_string(ws, r, c, text.c_str(), boxed);
            } else {
                worksheet_write_number(ws, r, c, r * 100.0 + c + 0.25, c % 3 == 1 ? amount : boxed);
            }
        }
        // Written after the row, so that the merged block's second row follows in order.
        if (r % 50 == 19 && r + 1 < rows && cols > 3) {
            worksheet_merge_range(ws, r, 1, r + 1, 2, ("区分" + std::to_string(r)).c_str(), boxed);
        }
    }
    if (argc > 4 && std::string(argv[4]) != "all") {
        lxw_row_t r1 = 0, r2 = 0;
        lxw_col_t c1 = 0, c2 = 0;
        char a[4] = {}, b[4] = {};
        unsigned n1 = 0, n2 = 0;
        if (std::sscanf(argv[4], "%3[A-Z]%u:%3[A-Z]%u", a, &n1, b, &n2) != 4) return 2;
        auto col = [](const char* l) {
            lxw_col_t c = 0;
            for (; *l; ++l) c = static_cast<lxw_col_t>(c * 26 + (*l - 'A' + 1));
            return static_cast<lxw_col_t>(c - 1);
        };
        c1 = col(a);
        c2 = col(b);
        r1 = n1 - 1;
        r2 = n2 - 1;
        worksheet_set_selection(ws, r1, c1, r2, c2);
    } else {
        worksheet_set_selection(ws, 0, 0, rows - 1, cols - 1);
    }
    return workbook_close(wb) == LXW_NO_ERROR ? 0 : 1;
}
