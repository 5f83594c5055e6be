#include <gtest/gtest.h>

#include "Library.h"
#include "ScopedEnv.h"

namespace fw {
namespace {

using test::ScopedEnv;

TEST(Library, NamesStandForTheFilesOfThisMachine) {
  ScopedEnv env;
  env.Set("FW_ODBC_LIBRARY", std::nullopt).Set("FW_DB2CLI", std::nullopt);
  EXPECT_EQ(LibraryFileName("odbc32.dll"), "libodbc.so.2");
  EXPECT_EQ(LibraryFileName("ODBC32.DLL"), "libodbc.so.2");
  EXPECT_EQ(LibraryFileName("db2cli.dll"), "");
  EXPECT_EQ(LibraryFileName("libm.so.6"), "libm.so.6");

  env.Set("FW_ODBC_LIBRARY", "/opt/standin/libodbc.so").Set("FW_DB2CLI", "/opt/client/libdb2.so");
  EXPECT_EQ(LibraryFileName("odbc32.dll"), "/opt/standin/libodbc.so");
  EXPECT_EQ(LibraryFileName("Db2Cli.Dll"), "/opt/client/libdb2.so");
  // An empty override is no override.
  env.Set("FW_ODBC_LIBRARY", "");
  EXPECT_EQ(LibraryFileName("odbc32.dll"), "libodbc.so.2");
}

TEST(Library, LoadsFindsEntriesAndFrees) {
  ScopedEnv env("FW_ODBC_LIBRARY", std::nullopt);
  HMODULE odbc = LoadLibrary("odbc32.dll");
  ASSERT_NE(odbc, nullptr);
  EXPECT_NE(GetProcAddress(odbc, "SQLAllocEnv"), nullptr);
  EXPECT_NE(GetProcAddress(odbc, "SQLDataSources"), nullptr);
  EXPECT_EQ(GetProcAddress(odbc, "NoSuchEntry"), nullptr);
  EXPECT_TRUE(FreeLibrary(odbc));

  // Not there: no library, no entries, nothing to free.
  env.Set("FW_ODBC_LIBRARY", "/nonexistent/libodbc.so.2");
  EXPECT_EQ(LoadLibrary("odbc32.dll"), nullptr);
  EXPECT_EQ(LoadLibrary("db2cli.dll"), nullptr);
  EXPECT_EQ(LoadLibrary(""), nullptr);
  EXPECT_EQ(GetProcAddress(nullptr, "SQLAllocEnv"), nullptr);
  EXPECT_FALSE(FreeLibrary(nullptr));
}

}  // namespace
}  // namespace fw
