#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>
#include <algorithm>

#include "gui/RulesPanel.h"
#include "gui/WindowFixture.h"

namespace quillmere::gui {
namespace {

using namespace quillmere::gui::testing;

// Window tests that need a real X server and a window manager, which real-screen.sh gives them;
// offscreen they are skipped.
class RealScreen : public Window {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != QLatin1String("xcb")) GTEST_SKIP() << "needs a real X server";
        Window::SetUp();
    }

    [[nodiscard]] QRect inWindow(const QWidget* widget) const {
        return {widget->mapTo(m_window.get(), QPoint(0, 0)), widget->size()};
    }
};

TEST_F(RealScreen, EveryRuleAndTopControlIsInsideAnEightHundredPixelWindow) {
    m_window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
    m_window->resize(800, 600);
    child<QTabWidget>("PageControls")->setCurrentIndex(2);
    QTRY_COMPARE(m_window->width(), 800);
    QTest::qWait(100);
    const QRect window = m_window->rect();
    const auto* scroll = child<QScrollArea>("RulesScroll");
    EXPECT_FALSE(scroll->horizontalScrollBar()->isVisible());
    const QRect rulesShown = inWindow(scroll->viewport());
    const auto controls =
        child<RulesPanel>("RulesPanel")->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    EXPECT_EQ(controls.size(), 18);
    for (const auto* control : controls) {
        EXPECT_TRUE(window.contains(inWindow(control)) && rulesShown.contains(inWindow(control)))
            << control->objectName().toStdString();
    }
    // The grid under the rules starts below the last of them.
    int rulesBottom = 0;
    for (const auto* control : controls) rulesBottom = std::max(rulesBottom, inWindow(control).bottom());
    EXPECT_GT(inWindow(grid("ReloadGrid")).top(), rulesBottom);
    for (const char* name : {"Button1", "Edit1", "Button2", "Label1"})
        EXPECT_TRUE(window.contains(inWindow(child<QWidget>(name)))) << name;
}

}  // namespace
}  // namespace quillmere::gui
