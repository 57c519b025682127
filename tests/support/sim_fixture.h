#pragma once

#include "support/engine_sim_process.h"
#include "support/temp_app_folder.h"

#include <gtest/gtest.h>

// The stand-in engines, started once for a whole test suite.
class SimSuite : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;

    static EngineSimProcess& sim() { return *s_sim; }

private:
    static EngineSimProcess* s_sim;
};

// Beside the stand-in engines, for each test a fresh application folder whose
// settings.ini points at them, with the scan settings at their defaults.
class SimFixture : public SimSuite {
protected:
    void SetUp() override;

    TempAppFolder app;
};
