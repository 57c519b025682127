#include "support/sim_fixture.h"

#include "config/settings_store.h"

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
    settingsStore::save(QStringLiteral("txtProfile0"), QStringLiteral("500"));
    settingsStore::save(QStringLiteral("txtProfile1"), QStringLiteral("1000"));
    settingsStore::save(QStringLiteral("chkAutoSort"), QStringLiteral("1"));
    settingsStore::save(QStringLiteral("chkClear"), QStringLiteral("1"));
}
