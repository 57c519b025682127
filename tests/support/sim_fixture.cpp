#include "support/sim_fixture.h"

#include "config/settings_store.h"
#include "config/settings_table.h"

EngineSimProcess* SimSuite::s_sim = nullptr;

void SimSuite::SetUpTestSuite() {
    if (!s_sim) s_sim = new EngineSimProcess();
}

void SimSuite::TearDownTestSuite() {
    delete s_sim;
    s_sim = nullptr;
}

void SimSuite::SetUp() { ASSERT_TRUE(s_sim && s_sim->isRunning()); }

void SimFixture::SetUp() {
    SimSuite::SetUp();
    if (HasFatalFailure()) return;
    app.write(QStringLiteral("settings.ini"), sim().settingsIni().toLatin1());
    settings::saveText(Setting::LowThreshold, QStringLiteral("500"));
    settings::saveText(Setting::HighThreshold, QStringLiteral("1000"));
    settings::saveFlag(Setting::AutoSort, true);
    settings::saveFlag(Setting::ClearFirst, true);
    settings::saveFlag(Setting::AtOnce, false);
    settings::saveText(Setting::Pause, QStringLiteral("0"));
}
