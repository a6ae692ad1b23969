#include "CorvaleCore/Files.hpp"

#include "Support/TemporaryHome.hpp"

#include <gtest/gtest.h>

namespace corvale {
namespace {

TEST(Files, WriteAtomicallyFailsWithTheReasonWhenTheFolderIsMissing) {
    test::TemporaryFolder folder("files");
    try {
        writeAtomically(folder.path() / "missing" / "file.json", "{}");
        ADD_FAILURE() << "wrote into a missing folder";
    } catch (const FileError& error) {
        EXPECT_EQ(error.operation(), FileError::Operation::write);
        EXPECT_EQ(error.description(),
                  "The file “file.json” couldn't be saved: No such file or directory.");
    }
    EXPECT_EQ(readFile(folder.path() / "missing" / "file.json"), std::nullopt);
    EXPECT_EQ(readFile(folder.path()), std::nullopt);
}

} // namespace
} // namespace corvale
