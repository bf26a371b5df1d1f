// A fixture for tests that open documents through the file stream server: registers the
// server of this build in the test's private store and gives an application context.
#pragma once

#include <string>

#include <gtest/gtest.h>

#include "viewer/doc/app/app_context.h"
#include "viewer/doc/document/message_sink.h"

namespace testing_support {

class DocumentTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Makes the conversion library the stand-in of `variant` ("converts", "init_fails",
    // "no_entry"), or one that cannot be loaded for "missing".
    void UseFerrule(const std::string& variant);

    viewer::doc::app::AppContextScope m_app;
    viewer::doc::document::RecordingMessageSink m_sink;
};

} // namespace testing_support
