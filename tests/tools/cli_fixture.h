// Runs pallion-cli commands in the test process, as the program starts them.
#pragma once

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "viewer/doc/app/app_context.h"

namespace testing_support {

struct CliResult {
    int status = -1;
    std::string out;
    std::string err;
};

class CliTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    CliResult Run(const std::vector<std::string>& arguments);

    viewer::doc::app::AppContextScope m_app;
};

// The SHA-256 of a file's bytes (through sha256sum), optionally after a prefix.
std::string Sha256Of(const std::string& path, const std::vector<std::uint8_t>& prefix = {});

} // namespace testing_support
