#pragma once
// Shared helpers for the test programs.
#include <boost/filesystem.hpp>
#include <string>

namespace vantrel::test {

// The temporary folder that HOME and every XDG_* folder of this test process
// point into. Made fresh before the first test runs, removed after the last.
const boost::filesystem::path& TempHome();

// A fresh empty folder under TempHome(), for one test's files.
boost::filesystem::path MakeTempDir(const std::string& name);

// Path of a file in the source tree (for committed fixtures).
boost::filesystem::path SourcePath(const std::string& relative);

}  // namespace vantrel::test
