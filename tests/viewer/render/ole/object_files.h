// OLE objects written into the test's scratch folder.
#pragma once

#include <string>

#include <gtest/gtest.h>

#include "tests/support/test_files.h"
#include "tests/viewer/render/ole/ole_fixtures.h"

namespace testing_support {

// Writes the object and gives its path.
inline std::string WriteObject(const std::string& name, const StorageTree& tree)
{
    const std::string path = Scratch() + name;
    EXPECT_TRUE(WriteStorageFile(path, tree));
    return path;
}

} // namespace testing_support
