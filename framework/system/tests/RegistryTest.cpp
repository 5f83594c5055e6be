#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "ErrorOf.h"
#include "Registry.h"
#include "TempDir.h"

namespace fw {

namespace fs = std::filesystem;
using test::ErrorOf;

// Each test gets its own registry file through FW_REGISTRY.
class RegistryTest : public ::testing::Test {
protected:
  void SetUp() override {
    file_ = (dir_ / "registry").string();
    setenv("FW_REGISTRY", file_.c_str(), 1);
  }
  void TearDown() override { unsetenv("FW_REGISTRY"); }
  std::string FileText() const {
    std::ifstream in(file_, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }

  test::TempDir temp_;
  fs::path dir_ = temp_.Path();
  std::string file_;
};

TEST_F(RegistryTest, ValuesSurviveInTheFileAndKeysIgnoreCase) {
  {
    TRegistry reg;
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(reg.OpenKey("Software\\Tarvos\\Database Engine", true));
    reg.WriteString("CONFIGFILE01", "/home/guest/nubo.cfg");
    reg.WriteString("", "the default value");
    reg.WriteString("Odd", "quote \" backslash \\ line\nbreak tab\t ünïcode");
    reg.WriteInteger("Count", -42);
    reg.WriteBool("Flag", true);
    ASSERT_TRUE(reg.OpenKey("CFGUtils", true));  // relative to the open key
    reg.WriteString("ODBCUtil1", "/usr/bin/odbcad");
  }
  TRegistry reg;
  reg.SetRootKey(HKEY_LOCAL_MACHINE);
  ASSERT_TRUE(reg.OpenKeyReadOnly("\\SOFTWARE\\tarvos\\database engine\\"));
  EXPECT_EQ(reg.ReadString("configfile01"), "/home/guest/nubo.cfg");
  EXPECT_EQ(reg.ReadString(""), "the default value");
  EXPECT_EQ(reg.ReadString("Odd"), "quote \" backslash \\ line\nbreak tab\t ünïcode");
  EXPECT_EQ(reg.ReadInteger("Count"), -42);
  EXPECT_TRUE(reg.ReadBool("Flag"));
  EXPECT_EQ(reg.GetValueNames(), (std::vector<std::string>{"CONFIGFILE01", "", "Odd", "Count", "Flag"}));
  EXPECT_EQ(reg.GetKeyNames(), std::vector<std::string>{"CFGUtils"});
  EXPECT_TRUE(reg.KeyExists("CFGUtils"));

  // The other root holds nothing of it.
  TRegistry user;
  EXPECT_FALSE(user.OpenKey("Software\\Tarvos\\Database Engine", false));
}

TEST_F(RegistryTest, MissingKeysAndValuesReadAsDefaults) {
  TRegistry reg;
  EXPECT_FALSE(reg.OpenKey("Software\\Nowhere", false));
  EXPECT_EQ(reg.ReadString("X"), "");
  EXPECT_FALSE(fs::exists(file_));  // reading never writes
  ASSERT_TRUE(reg.OpenKey("Software\\Here", true));
  EXPECT_EQ(reg.ReadString("Missing"), "");
  EXPECT_EQ(reg.ReadInteger("Missing"), 0);
  EXPECT_FALSE(reg.ReadBool("Missing"));
  EXPECT_FALSE(reg.ValueExists("Missing"));
  EXPECT_EQ(reg.GetDataType("Missing"), rdUnknown);
}

TEST_F(RegistryTest, WrongTypeAndReadOnlyWritesRaise) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("Software\\T", true));
  reg.WriteInteger("N", 1);
  reg.WriteString("S", "x");
  EXPECT_THROW(reg.ReadString("N"), ERegistryException);
  EXPECT_THROW(reg.ReadInteger("S"), ERegistryException);
  ASSERT_TRUE(reg.OpenKeyReadOnly("\\Software\\T"));
  EXPECT_THROW(reg.WriteString("S", "y"), ERegistryException);
  EXPECT_EQ(reg.ReadString("S"), "x");
}

TEST_F(RegistryTest, DeletingValuesAndKeys) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("Software\\A\\B\\C", true));
  reg.WriteString("V", "1");
  ASSERT_TRUE(reg.OpenKey("\\Software\\A", false));
  reg.WriteString("Keep", "k");
  reg.WriteString("Drop", "d");
  EXPECT_TRUE(reg.DeleteValue("drop"));
  EXPECT_FALSE(reg.DeleteValue("drop"));
  EXPECT_EQ(reg.GetValueNames(), std::vector<std::string>{"Keep"});

  EXPECT_TRUE(reg.DeleteKey("B"));  // with C below it
  EXPECT_FALSE(reg.KeyExists("\\Software\\A\\B\\C"));
  EXPECT_TRUE(reg.KeyExists("\\Software\\A"));
  EXPECT_FALSE(reg.DeleteKey("B"));
}

TEST_F(RegistryTest, AFailedWriteLeavesTheFileWhole) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("Software\\T", true));
  reg.WriteString("Name", "old");
  std::string before = FileText();
  ASSERT_FALSE(before.empty());

  // The temporary file cannot be made where a folder of its name stands.
  fs::create_directory(file_ + ".tmp" + std::to_string(getpid()));
  EXPECT_EQ(ErrorOf<ERegistryException>([&] { reg.WriteString("Name", "new"); }),
            "Failed to set data for 'Name': cannot write the registry file " + file_ + ": Is a directory");
  EXPECT_THROW(reg.WriteInteger("Other", 1), ERegistryException);
  EXPECT_EQ(FileText(), before);
  EXPECT_EQ(reg.ReadString("Name"), "old");

  TRegistry again;
  ASSERT_TRUE(again.OpenKey("Software\\T", false));
  EXPECT_EQ(again.ReadString("Name"), "old");
}

TEST_F(RegistryTest, AFileInAMissingFolderCannotBeWritten) {
  std::string missing = (dir_ / "no such folder" / "registry").string();
  setenv("FW_REGISTRY", missing.c_str(), 1);
  TRegistry reg;
  EXPECT_FALSE(reg.OpenKey("Software\\T", true));  // a key that cannot be made does not open
  ASSERT_TRUE(reg.OpenKey("", false));              // the root always opens
  EXPECT_THROW(reg.WriteString("Name", "x"), ERegistryException);
  EXPECT_FALSE(fs::exists(missing));
}

TEST_F(RegistryTest, AFileThatCannotBeReadOrWrittenIsNamedWithTheReason) {
  // A folder where the file should be: neither read as empty nor written over.
  fs::create_directory(file_);
  TRegistry reg;
  const std::string unreadable = "Cannot read the registry file " + file_ + ": Is a directory";
  EXPECT_EQ(ErrorOf<ERegistryException>([&] { reg.OpenKey("Software\\T", false); }), unreadable);
  EXPECT_EQ(ErrorOf<ERegistryException>([&] { reg.OpenKey("Software\\T", true); }), unreadable);
  EXPECT_EQ(ErrorOf<ERegistryException>([&] { reg.KeyExists("Software"); }), unreadable);
  EXPECT_EQ(ErrorOf<ERegistryException>([&] { TRegIniFile("Software\\T").ReadString("S", "v", "default"); }), unreadable);
  EXPECT_TRUE(fs::is_directory(file_));

  // A file in a folder that is not there: read as empty, but not written.
  const std::string missing = (dir_ / "no such folder" / "registry").string();
  setenv("FW_REGISTRY", missing.c_str(), 1);
  ASSERT_TRUE(reg.OpenKey("", false));
  EXPECT_EQ(reg.ReadString("v"), "");
  EXPECT_EQ(ErrorOf<ERegistryException>([&] { reg.WriteString("v", "x"); }),
            "Failed to set data for 'v': cannot write the registry file " + missing + ": No such file or directory");
}

TEST_F(RegistryTest, IniFileSectionsAndStringValues) {
  {
    TRegIniFile ini("Software\\Tarvos\\Varkon\\1.0");
    ini.WriteInteger("DbXForm", "DbX.Left", 51);
    ini.WriteBool("DbXForm", "DbX.ToolBar", true);
    ini.WriteString("DbXForm", "DbX.TextFont", "1:Courier New:0:8");
    ini.WriteString("Other", "X", "y");
  }
  TRegIniFile ini("software\\tarvos\\varkon\\1.0");
  EXPECT_EQ(ini.ReadString("DbXForm", "DbX.Left", ""), "51");  // stored as text
  EXPECT_EQ(ini.ReadInteger("DbXForm", "DbX.Left", 0), 51);
  EXPECT_TRUE(ini.ReadBool("DbXForm", "DbX.ToolBar", false));
  EXPECT_EQ(ini.ReadString("DbXForm", "DbX.TextFont", ""), "1:Courier New:0:8");
  EXPECT_EQ(ini.ReadString("DbXForm", "Missing", "dflt"), "dflt");
  EXPECT_EQ(ini.ReadString("NoSection", "X", "dflt"), "dflt");
  EXPECT_EQ(ini.ReadSection("DbXForm"),
            (std::vector<std::string>{"DbX.Left", "DbX.ToolBar", "DbX.TextFont"}));
  EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"DbXForm", "Other"}));

  struct Case {
    const char* text;
    int expected;
  } cases[] = {{"17", 17},   {"-5", -5},         {"0x1F", 31}, {"$1f", 31}, {"0xFFFFFFFF", -1},
               {"", 99},     {"abc", 99},        {"12a", 99},  {"0x", 99},  {"99999999999", 99}};
  for (const auto& c : cases) {
    ini.WriteString("Numbers", "N", c.text);
    EXPECT_EQ(ini.ReadInteger("Numbers", "N", 99), c.expected) << c.text;
  }
  ini.WriteString("Numbers", "B", "2");
  EXPECT_TRUE(ini.ReadBool("Numbers", "B", false));
  ini.WriteString("Numbers", "B", "0");
  EXPECT_FALSE(ini.ReadBool("Numbers", "B", true));

  ini.EraseSection("Numbers");
  EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"DbXForm", "Other"}));
  ini.DeleteKey("Other", "X");
  EXPECT_EQ(ini.ReadString("Other", "X", "gone"), "gone");
}

}  // namespace fw
