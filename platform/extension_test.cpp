// The heavy libraries live in the extension module, loaded only on demand.
#include "platform/extension.h"

#include <gtest/gtest.h>

#include "testsupport/server_tree.h"

namespace {

TEST(Extension, ModuleLoadsAndNamesItsLibraries) {
  std::string error;
  EXPECT_FALSE(qv_platform::extensionLoaded());
  const qv_platform::qv_extension_info* info = qv_platform::extensionInfo(&error);
  ASSERT_NE(info, nullptr) << error;
  EXPECT_TRUE(qv_platform::extensionLoaded());
  EXPECT_NE(info->libraryVersions().find("xerces-c 3."), std::string::npos);
  EXPECT_NE(info->libraryVersions().find("libcurl/"), std::string::npos);
  EXPECT_EQ(qv_platform::extensionSymbol("qv_ext_no_such_entry", &error), nullptr);
  EXPECT_NE(error.find("qv_ext_no_such_entry"), std::string::npos);
}

// The program itself must not pull in the XML library or the HTTP client:
// the dynamic loader's own trace shows every library it maps.
TEST(Extension, VersionCommandLoadsNeitherXmlNorHttpLibraries) {
  qvtest::ServerTree tree;
  tree.setEnv("LD_DEBUG", "files");
  qvtest::RunResult r = tree.run({"--version"});
  ASSERT_EQ(r.status, 0);
  ASSERT_NE(r.err.find("file=libc.so"), std::string::npos) << "loader trace missing: " << r.err;
  EXPECT_EQ(r.err.find("xerces"), std::string::npos);
  EXPECT_EQ(r.err.find("libcurl"), std::string::npos);
  EXPECT_EQ(r.err.find("libicu"), std::string::npos);
  EXPECT_EQ(r.err.find("libqv-ext"), std::string::npos);
}

}  // namespace
