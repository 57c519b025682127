#include "support/sim_fixture.h"

#include "config/settings_store.h"

EngineSimProcess* SimFixture::s_sim = nullptr;

void SimFixture::SetUpTestSuite() {
    if (!s_sim) s_sim = new EngineSimProcess();
}

void SimFixture::TearDownTestSuite() {
    delete s_sim;
    s_sim = nullptr;
}

void SimFixture::SetUp() {
    ASSERT_TRUE(s_sim && s_sim->isRunning());
    app.write(QStringLiteral("settings.ini"), s_sim->settingsIni().toLatin1());
    settingsStore::save(QStringLiteral("txtProfile0"), QStringLiteral("500"));
    settingsStore::save(QStringLiteral("txtProfile1"), QStringLiteral("1000"));
    settingsStore::save(QStringLiteral("chkAutoSort"), QStringLiteral("1"));
    settingsStore::save(QStringLiteral("chkClear"), QStringLiteral("1"));
}
