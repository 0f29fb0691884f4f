// The read of a 1000 × 100 selection (100,000 cells, 28 member calls each) from the fake
// spreadsheet: the reader's own cost per call, without any process boundary.
#include <benchmark/benchmark.h>

#include "table/FakeSpreadsheet.h"
#include "table/SelectionReader.h"

namespace tabrova {
namespace {

void BM_ReadSelection100k(benchmark::State& state) {
    auto sheet = std::make_shared<fake::Sheet>();
    sheet->selection = fake::Rect{1, 1, 100, 1000};
    for (std::int64_t r = 1; r <= 1000; ++r) {
        for (std::int64_t c = 1; c <= 100; ++c) {
            fake::Cell& cell = sheet->cell(c, r);
            if ((r + c) % 2) {
                cell.value2 = static_cast<double>(r * 1000 + c) / 8;
                cell.text = cell.value2.toText();
            } else {
                cell.text = u"見出し" + fake::addressOf(c, r);
                cell.value2 = cell.text;
            }
            if (c % 3 == 0) cell.borders[1] = fake::xlContinuous;
        }
    }
    for (std::int64_t i = 0; i < 10; ++i) sheet->merge(fake::Rect{5, 10 + i * 50, 6, 11 + i * 50});
    fake::Registration registration(sheet, u"Tabrova.BenchSheet");

    SelectionReadSettings settings;
    settings.progId = u"Tabrova.BenchSheet";
    settings.colXsc = 9;
    settings.rowYsc = 1.5;
    settings.cadXsc = 2;
    settings.cadYsc = 1;
    settings.cadTsc = 0.5;
    for (auto _ : state) {
        CellTable table;
        GridContents grid;
        const auto result = readSelection(settings, table, grid);
        if (result.status != SelectionReadStatus::complete) state.SkipWithError("read stopped");
        benchmark::DoNotOptimize(table.cells.data());
    }
    state.SetItemsProcessed(state.iterations() * 100'000);
    state.counters["calls/cell"] =
        static_cast<double>(sheet->calls) / static_cast<double>(state.iterations()) / 100'000.0;
}
BENCHMARK(BM_ReadSelection100k)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tabrova
