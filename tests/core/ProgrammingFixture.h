#pragma once
// Test fixture for the programming in memory: starts every test from a cleared programming and a
// temporary program folder, and can put a model's default programming in memory.

#include "core/DefaultProgramming.h"
#include "core/Language.h"
#include "core/ProgramFolder.h"
#include "core/Programming.h"
#include "platform/os/TestTempFolder.h"

#include <algorithm>
#include <gtest/gtest.h>

class ProgrammingFixture : public testing::Test {
protected:
    void SetUp() override {
        ClearProgramming();
        CloseLanguageFile();
        SetProgramFolder(folder.Path());
    }
    void TearDown() override {
        ClearProgramming();
        SetProgramFolder("");
    }

    // The model's default programming in memory, as "New" leaves it.
    static void UseDefaultProgramming(std::uint8_t model) {
        const TImageBytes image = BuildDefaultImage(model);
        std::ranges::copy(image, ProgrammingBytes.begin());
        ModelCode = model;
    }

    // The path of a generated fixture or default file of the build.
    static std::string BuildFile(const std::string& name) {
        return std::string(CENTRPRG_BINARY_DIR) + "/" + name;
    }
    // The model's generated fixture: fixtures/MODEL<nn>.NPX.
    static std::string FixtureFile(int model) {
        return BuildFile(std::string("fixtures/MODEL") + (model < 10 ? "0" : "") + std::to_string(model) +
                         ".NPX");
    }

    TTestTempFolder folder;
};
