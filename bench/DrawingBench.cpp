// Drawing and saving a text-filled 300 x 300 table, and the join of its border runs compared
// with the pairwise scan.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

#include "dxf/BorderRuns.h"
#include "dxf/PairwiseJoin.h"
#include "dxf/TableDrawing.h"
#include "table/CellGeometry.h"

namespace tabrova {
namespace {

constexpr std::int32_t kSize = 300;

enum class Borders { full, alternatingRows };

CellTable makeTable(Borders borders) {
    CellTable t;
    t.colCount = kSize;
    t.rowCount = kSize;
    t.cells.resize(static_cast<std::size_t>(kSize) * kSize);
    for (std::int32_t r = 0; r < kSize; ++r) {
        for (std::int32_t c = 0; c < kSize; ++c) {
            TXlsxCellAttr& cell = t.at(c, r);
            cell.colW = static_cast<std::uint16_t>(8 + c % 5);
            cell.rowH = static_cast<std::uint16_t>(14 + r % 3);
            cell.txtSize = 11;
            cell.txtAlign = static_cast<std::uint8_t>(c % 4);
            cell.mergecolXscount = cell.mergerowYscount = 1;
            cell.lineBits = borders == Borders::full || r % 2 == 0 ? 15 : 0;
        }
    }
    calcCellDrawSizes(t, 3, 0.43, 0.27);
    return t;
}

CellTextFn makeTexts() {
    auto texts = std::make_shared<std::vector<std::u16string>>();
    texts->reserve(static_cast<std::size_t>(kSize) * kSize);
    const std::u16string words[] = {u"配管", u"数量", u"備考", u"Pipe", u"ｶﾅ"};
    for (std::int32_t r = 0; r < kSize; ++r) {
        for (std::int32_t c = 0; c < kSize; ++c) {
            std::u16string s = words[static_cast<std::size_t>((r + c) % 5)];
            for (char ch : std::to_string(r * kSize + c)) s.push_back(static_cast<char16_t>(ch));
            texts->push_back(std::move(s));
        }
    }
    return [texts](std::int32_t c, std::int32_t r) {
        return (*texts)[static_cast<std::size_t>(c) + static_cast<std::size_t>(r) * kSize];
    };
}

void drawAndSave(benchmark::State& state, Borders borders) {
    const CellTable table = makeTable(borders);
    const CellTextFn texts = makeTexts();
    const auto path = std::filesystem::temp_directory_path() / "tabrova-bench.dxf";
    for (auto _ : state) {
        benchmark::DoNotOptimize(writeTableDxf({table, texts, 0.8, true}, path));
    }
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
    std::filesystem::remove(path);
}

void join(benchmark::State& state, Borders borders, bool pairwise) {
    const CellTable table = makeTable(borders);
    const BorderRuns v0 = collectBorderRuns(table, true), h0 = collectBorderRuns(table, false);
    for (auto _ : state) {
        state.PauseTiming();
        BorderRuns v = v0, h = h0;
        state.ResumeTiming();
        if (pairwise) {
            testing::pairwiseJoinBorderRuns(v);
            testing::pairwiseJoinBorderRuns(h);
        } else {
            joinBorderRuns(v, true);
            joinBorderRuns(h, false);
        }
        benchmark::DoNotOptimize(v.runs.data());
    }
    state.counters["segments"] = static_cast<double>(v0.runs.size() + h0.runs.size());
}

void BM_DrawAndSave_FullyBordered(benchmark::State& s) { drawAndSave(s, Borders::full); }
void BM_DrawAndSave_AlternatingRows(benchmark::State& s) {
    drawAndSave(s, Borders::alternatingRows);
}
void BM_JoinBorderRuns_FullyBordered(benchmark::State& s) { join(s, Borders::full, false); }
void BM_JoinBorderRuns_AlternatingRows(benchmark::State& s) {
    join(s, Borders::alternatingRows, false);
}
void BM_PairwiseScan_FullyBordered(benchmark::State& s) { join(s, Borders::full, true); }
void BM_PairwiseScan_AlternatingRows(benchmark::State& s) {
    join(s, Borders::alternatingRows, true);
}

BENCHMARK(BM_DrawAndSave_FullyBordered)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_DrawAndSave_AlternatingRows)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_JoinBorderRuns_FullyBordered)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JoinBorderRuns_AlternatingRows)->Unit(benchmark::kMillisecond);
// The pairwise scan is quadratic where runs are broken: one iteration is enough.
BENCHMARK(BM_PairwiseScan_FullyBordered)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_PairwiseScan_AlternatingRows)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace tabrova
