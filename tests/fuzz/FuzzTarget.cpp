#include "fuzz/FuzzTarget.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <span>
#include <string_view>

#include "analysis/SaveWalk.h"
#include "export/ResultsFile.h"
#include "load/Container.h"
#include "load/LoadError.h"
#include "reload/ReloadControl.h"
#include "view/CellTexts.h"

namespace quillmere::fuzz {

namespace {

void require(bool invariant) {
    if (!invariant) std::abort();
}

std::array<reload::Rules, 3> ruleSets() {
    // The ends of the valid ranges: no reloads allowed, and next to no limit at all.
    const reload::RuleTexts usual;
    const reload::RuleTexts strict{.sessionsPerDay = "0", .minSessionMinutes = "0", .presessions = "0"};
    const reload::RuleTexts lax{
        .day = "1", .month = "1", .year = "99", .sessionsPerDay = "1e4000", .presessions = "2147483647"};
    return {*reload::CheckRules(usual, 2026).rules, *reload::CheckRules(strict, 2026).rules,
            *reload::CheckRules(lax, 2026).rules};
}

}  // namespace

int FuzzOneInput(const std::uint8_t* data, std::size_t size) {
    static const auto kRules = ruleSets();
    const std::span bytes(data, size);
    load::WorkBuffer work;
    try {
        if (size > 0 && data[0] == 'W') {
            constexpr std::string_view kBody = "BODY";
            const auto body = std::search(bytes.begin() + 1, bytes.end(), kBody.begin(), kBody.end());
            if (body == bytes.end()) return 0;
            work.bytes.assign(bytes.subspan(1));
            work.streamOffset = (body - bytes.begin()) - 1 + 4;
            work.gameLength = static_cast<std::int64_t>(work.bytes.size()) - work.streamOffset;
        } else {
            work = load::AssembleWorkBuffer(bytes);
            require(work.streamOffset >= 8 && static_cast<std::size_t>(work.streamOffset) <= work.bytes.size());
        }
        analysis::SaveRecord rec = analysis::AnalyseSave(work);
        rec.fileName = "fuzz";
        // A file date from the input itself, so that the reload control sees every kind of day.
        rec.fileDate = size >= 8
                           ? static_cast<double>(static_cast<std::int32_t>(data[size - 1] | data[size - 2] << 8)) +
                                 data[size - 3] / 256.0
                           : 38685.5;
        analysis::ResultTable table;
        for (const auto& rules : kRules) {
            rec.reload = reload::JudgeReloads(rec, rules);
            require(rec.reload.has_value());
            require(rec.reload->reloads >= 0);
            table.push_back(rec);
        }
        for (const auto encoding : {view::TextEncoding::Windows1251, view::TextEncoding::Utf8}) {
            const view::FormatOptions options{',', encoding};
            const auto row = view::RowTextsOf(rec, 1, options);
            require(row.reload[view::ReloadColumn::Penalty].empty());
            const auto text = exporting::BuildResultsText(table, options);
            require(!text.bytes.empty());
        }
    } catch (const load::LoadError&) {
        // Refusing a file is a result, not a failure.
    }
    return 0;
}

}  // namespace quillmere::fuzz

#ifdef QUILLMERE_LIBFUZZER
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return quillmere::fuzz::FuzzOneInput(data, size);
}
#endif
