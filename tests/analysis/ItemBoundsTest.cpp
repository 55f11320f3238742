#include <gtest/gtest.h>

#include <functional>

#include "analysis/SaveWalk.h"
#include "load/Container.h"
#include "savewriter/SaveContent.h"

namespace quillmere::analysis {
namespace {

using savewriter::SaveContent;

// The walk refuses a count whose items cannot fit in the bytes left, judging by the smallest size
// an item can have. Each case here fills the save with thousands of the smallest items the save
// writer makes, until they are most of the data behind the count: a bound set above the true
// smallest size (by more than a few percent) then refuses a valid save and turns its case red.
TEST(ItemBounds, TheSmallestItemsOfEveryCountedListStillFit) {
    struct Case {
        const char* name;
        std::function<void(SaveContent&)> fill;
    };
    // The last player's lists are followed by little, so a bound too large by a byte or two shows.
    const Case cases[] = {
        {"replay messages", [](SaveContent& c) { c.game.replayMessages = 65536; }},
        {"triple groups",
         [](SaveContent& c) {
             c.game.groups.assign(30000, {0, 0});
         }},
        {"plots",
         [](SaveContent& c) {
             c.game.width = 100;
             c.game.height = 60;
             c.game.plots.assign(6000, savewriter::PlotContent{.flags = 1, .pairs = 0});
         }},
        {"tail blocks", [](SaveContent& c) { c.game.tailBlocks = 500; }},
        {"pair groups", [](SaveContent& c) { c.players[18].pairGroups.assign(20000, 0); }},
        {"cities", [](SaveContent& c) { c.players[18].cities.assign(800, savewriter::CityContent{.items = 0}); }},
        {"units", [](SaveContent& c) { c.players[18].units = 5000; }},
        {"orders",
         [](SaveContent& c) {
             c.players[18].orders.assign(20000, savewriter::OrderContent{0, 0});
         }},
        {"messages", [](SaveContent& c) { c.players[18].messages.assign(30000, savewriter::MessageContent{}); }},
        {"notes", [](SaveContent& c) { c.players[18].notes.assign(30000, 0); }},
        {"scripts",
         [](SaveContent& c) {
             c.players[18].scripts.assign(20000, savewriter::ScriptContent{0, 0, {}});
         }},
        {"script entries",
         [](SaveContent& c) {
             c.players[18].scripts = {savewriter::ScriptContent{0, 0, std::vector<std::int32_t>(100000, 9)}};
         }},
        {"history pairs",
         [](SaveContent& c) {
             for (std::int32_t t = 0; t < 100000; ++t) c.players[18].history[0].emplace_back(t, t);
         }},
    };
    for (const auto& c : cases) {
        SaveContent content;
        content.emptyTexts = true;
        c.fill(content);
        auto container = savewriter::ToContainer(content);
        container.fast = true;
        const auto work = load::AssembleWorkBuffer(savewriter::BuildContainer(container));
        EXPECT_NO_THROW((void)AnalyseSave(work)) << c.name;
    }
}

}  // namespace
}  // namespace quillmere::analysis
