// What a user meets first in the main window: options that show at once,
// keys, the window's own size and place.
#include "config/settings_store.h"
#include "config/settings_table.h"
#include "scripted_platform.h"
#include "shell/main_window.h"
#include "desktop/program_end_ui.h"
#include "shell/settings_dialog.h"
#include "support/qt_gtest_printers.h"
#include "support/sim_fixture.h"
#include "support/test_environment.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QLineEdit>
#include <QPushButton>
#include "active_window.h"
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

class NewUserWindowTest : public SimFixture {
protected:
    void SetUp() override {
        SimFixture::SetUp();
        settings::saveFlag(Setting::ShowHelp, false);
        setEndProgramHandler([this] { ++ended; });
        open();
    }
    void TearDown() override {
        if (Form2* options = Form2::instance()) options->close();
        window.reset();
        setEndProgramHandler({});
    }
    void open() {
        window = std::make_unique<Form1>();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        ASSERT_TRUE(activateForKeys(window.get()));
    }
    template <typename T>
    T* child(QObject* parent, const char* name) {
        T* w = parent->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    // Rows with a total and no engine cells, ranked as the scan would.
    void addRows(const QList<int>& totals) {
        ResultsGrid& grid = window->resultsGrid();
        for (int total : totals) {
            const int row = grid.appendRow({QStringLiteral("http://www.t%1.com").arg(total), QString::number(total)});
            grid.setIcon(row, static_cast<int>(popularityRank(total, 500, 1000)));
        }
    }
    QList<int> icons() {
        QList<int> out;
        for (int r = 0; r < window->resultsGrid().rowCount(); ++r) out << window->resultsGrid().icon(r);
        return out;
    }
    void typeThreshold(Form2* dialog, int index, const QString& text) {
        auto* field = child<QLineEdit>(dialog, QStringLiteral("txtProfile%1").arg(index).toLatin1().constData());
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, text);
        QTest::keyClick(field, Qt::Key_Tab);
    }

    ScriptedPlatform ui;
    std::unique_ptr<Form1> window;
    int ended = 0;
};

constexpr int kLow = static_cast<int>(PopularityRank::Low);
constexpr int kMedium = static_cast<int>(PopularityRank::Medium);
constexpr int kHigh = static_cast<int>(PopularityRank::High);

// "Ok" in the Options re-ranks the grid's rows with the thresholds just saved,
// from the modeless button and from the modal menu item; "Cancel" leaves them.
TEST_F(NewUserWindowTest, OptionsOkReranksTheGrid) {
    addRows({100, 600, 1200, 5000});
    ASSERT_EQ(icons(), (QList<int>{kLow, kMedium, kHigh, kHigh}));

    QTest::mouseClick(child<QPushButton>(window.get(), "Command6"), Qt::LeftButton);
    Form2* dialog = Form2::instance();
    ASSERT_NE(dialog, nullptr);
    typeThreshold(dialog, 0, "50");     // Low 50
    typeThreshold(dialog, 2, "2000");   // Medium and High 2000
    QTest::mouseClick(child<QPushButton>(dialog, "Command2"), Qt::LeftButton);  // Cancel
    ASSERT_TRUE(spinUntil([] { return Form2::instance() == nullptr; }));
    EXPECT_EQ(icons(), (QList<int>{kLow, kMedium, kHigh, kHigh}));

    QTest::mouseClick(child<QPushButton>(window.get(), "Command6"), Qt::LeftButton);
    dialog = Form2::instance();
    ASSERT_NE(dialog, nullptr);
    typeThreshold(dialog, 0, "50");
    typeThreshold(dialog, 2, "2000");
    QTest::mouseClick(child<QPushButton>(dialog, "Command1"), Qt::LeftButton);  // Ok
    ASSERT_TRUE(spinUntil([] { return Form2::instance() == nullptr; }));
    EXPECT_EQ(icons(), (QList<int>{kMedium, kMedium, kMedium, kHigh}));

    // The modal dialog of "View Options" does the same.
    QTimer::singleShot(0, [&] {
        Form2* d = Form2::instance();
        if (!d) return;
        typeThreshold(d, 0, "700");  // Low 700 stays below Medium 2000
        QTest::mouseClick(child<QPushButton>(d, "Command1"), Qt::LeftButton);
    });
    window->findChild<QAction*>("mnuConfig")->trigger();
    EXPECT_EQ(icons(), (QList<int>{kLow, kLow, kMedium, kHigh}));
}

// The window comes back as the user left it; the first start keeps the
// design size, and a place that fits no screen is not restored.
TEST_F(NewUserWindowTest, TheWindowKeepsItsSizeAndPlace) {
    EXPECT_TRUE(settings::text(Setting::WindowGeometry).isEmpty());
    const QSize designSize = window->size();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const QSize wanted(std::min(screen.width() - 40, designSize.width() + 150),
                       std::min(screen.height() - 40, designSize.height() + 60));
    window->resize(wanted);
    ASSERT_TRUE(spinUntil([&] { return window->size() == wanted; }, 3000));
    window->close();
    EXPECT_EQ(ended, 1);
    EXPECT_FALSE(settings::text(Setting::WindowGeometry).isEmpty());

    open();
    EXPECT_EQ(window->size(), wanted);
    EXPECT_FALSE(window->isMaximized());

    window->showMaximized();
    ASSERT_TRUE(spinUntil([&] { return window->isMaximized(); }, 3000));
    window->close();
    open();
    EXPECT_TRUE(window->isMaximized() || window->windowState().testFlag(Qt::WindowMaximized));
    window->close();

    // Stored by a run on a far bigger screen: the design size comes back.
    {
        QWidget big;
        big.setGeometry(screen.x() + 5 * screen.width(), screen.y(), screen.width() * 3, screen.height() * 3);
        settings::saveText(Setting::WindowGeometry, QString::fromLatin1(big.saveGeometry().toBase64()));
    }
    open();
    EXPECT_EQ(window->size(), designSize);
}

}  // namespace
