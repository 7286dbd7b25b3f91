#pragma once
// One QApplication for a GoogleTest executable of Qt tests, made before the first test runs and
// kept to the end. Include this header in any test file of the executable.

#include <QApplication>

#include <gtest/gtest.h>

class TQtTestApplication : public testing::Environment {
public:
    void SetUp() override {
        if (QApplication::instance() == nullptr) application_ = new QApplication(argc_, argv_);
    }

private:
    int argc_ = 1;
    char name_[8] = "tests";
    char* argv_[2] = {name_, nullptr};
    QApplication* application_ = nullptr;
};

inline testing::Environment* const QtTestApplicationEnvironment =
    testing::AddGlobalTestEnvironment(new TQtTestApplication);
