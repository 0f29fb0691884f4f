// The whole command-line tool on a 100 x 1,000-cell workbook: unzip, parse, 28 member calls per
// cell through the reader, geometry, drawing and save.
#include <benchmark/benchmark.h>
#include <xlsxwriter.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "cli/DxfTool.h"

namespace {

const std::filesystem::path& benchWorkbook() {
    static const std::filesystem::path path = [] {
        const auto file = std::filesystem::temp_directory_path() / "tabrova-bench-100x1000.xlsx";
        lxw_workbook* wb = workbook_new(file.string().c_str());
        lxw_worksheet* ws = workbook_add_worksheet(wb, "Data");
        lxw_format* boxed = workbook_add_format(wb);
        format_set_border(boxed, LXW_BORDER_THIN);
        lxw_format* amount = workbook_add_format(wb);
        format_set_border(amount, LXW_BORDER_THIN);
        format_set_num_format(amount, "#,##0.00");
        for (lxw_row_t r = 0; r < 1000; ++r) {
            for (lxw_col_t c = 0; c < 100; ++c) {
                if (c % 3 == 0) {
                    const std::string text = "品目" + std::to_string(r) + "-" + std::to_string(c);
                    worksheet_write_string(ws, r, c, text.c_str(), boxed);
                } else {
                    worksheet_write_number(ws, r, c, r * 100.0 + c + 0.25,
                                           c % 3 == 1 ? amount : boxed);
                }
            }
        }
        for (lxw_row_t r = 0; r < 1000; r += 10)
            worksheet_merge_range(ws, r, 98, r + 1, 99, "計", boxed);
        worksheet_set_selection(ws, 0, 0, 999, 99);
        workbook_close(wb);
        return file;
    }();
    return path;
}

void BM_DxfToolWholeRun(benchmark::State& state) {
    const auto book = benchWorkbook();
    const auto out = std::filesystem::temp_directory_path() / "tabrova-bench-100x1000.dxf";
    const std::vector<std::u16string> args = {book.u16string(), u"-q", u"-o", out.u16string()};
    for (auto _ : state) {
        std::ostringstream o, e;
        tabrova::cli::ToolIo io{o, e, false, u'.'};
        if (tabrova::cli::runDxfTool(args, {}, io) != 0) state.SkipWithError(e.str().c_str());
    }
    state.SetItemsProcessed(state.iterations() * 100 * 1000);
}
BENCHMARK(BM_DxfToolWholeRun)->Unit(benchmark::kMillisecond)->MinTime(3);

}  // namespace
