#pragma once

#include "support/engine_sim_process.h"
#include "support/temp_app_folder.h"

#include <gtest/gtest.h>

// The stand-in engines for a whole test suite, and for each test a fresh
// application folder whose settings.ini points at them, with the scan
// settings at their defaults.
class SimFixture : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;

    static EngineSimProcess& sim() { return *s_sim; }

    TempAppFolder app;

private:
    static EngineSimProcess* s_sim;
};
