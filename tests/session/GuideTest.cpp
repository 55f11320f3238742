#include "session/Guide.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace quillmere::session {
namespace {

TEST(Guide, TheReadmeOpensWithTheStepsTheFrontEndsShow) {
    std::ifstream file(QUILLMERE_README);
    std::stringstream readme;
    readme << file.rdbuf();
    EXPECT_NE(readme.str().find("## A round in five steps\n\n" + std::string(RoundInFiveSteps()) + "\n\n"),
              std::string::npos);
}

TEST(Guide, EachFrontEndListsOnlyTheShortcutsItHas) {
    const auto window = ShortcutsText(FrontEnd::Window);
    const auto page = ShortcutsText(FrontEnd::Page);
    EXPECT_TRUE(window.starts_with("Ctrl+O  Load saves\nCtrl+S  "));
    EXPECT_NE(window.find("Ctrl+Q  Quit"), std::string::npos);
    EXPECT_EQ(page.find("Ctrl+Q"), std::string::npos);
    EXPECT_EQ(window.find("column header"), std::string::npos);
    EXPECT_NE(page.find("Enter on a column header  Sort by its column"), std::string::npos);
    EXPECT_TRUE(HelpText(FrontEnd::Page).ends_with("\n\nKeyboard shortcuts\n\n" + page));
}

}  // namespace
}  // namespace quillmere::session
