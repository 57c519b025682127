#pragma once

#include "history/chart_data.h"
#include "history/chart_view_page.h"
#include "history/history_chart_widget.h"
#include "results/results_grid.h"
#include "scripted_platform.h"
#include "desktop/twips.h"
#include "support/settings_snapshot.h"
#include "support/temp_app_folder.h"

// A "Chart View" page on the screen at its design size, in a fresh
// application folder with scripted dialogs and the run's warning unshown.
struct ChartPageFixture {
    TempAppFolder app;
    ScriptedPlatform ui;
    SettingsSnapshot settings;
    ResultsGrid grid;
    ChartViewPage page{grid};

    ChartPageFixture() {
        page.resize(twipsToPixels(8895), twipsToPixels(7815));
        page.show();
        runOneEntryWarning().reset();
    }
    HistoryChartWidget* chart() { return static_cast<HistoryChartWidget*>(page.chartWidget()); }
};
