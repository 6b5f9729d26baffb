// Shared set-up for the behaviour tests: a fresh fake machine per test.
#pragma once
#include <gtest/gtest.h>

#include "fake.h"
#include "shell/instconfig.h"

class FakeMachine : public ::testing::Test {
protected:
    void SetUp() override {
        fake::Reset();
        InstConfig.~TInstConfig();
        new (&InstConfig) TInstConfig();
    }
    void TearDown() override {
        InstConfig.~TInstConfig();
        new (&InstConfig) TInstConfig();
    }
};
