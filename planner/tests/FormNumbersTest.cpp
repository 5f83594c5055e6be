// The program's form files with extreme numbers in them, as a damaged or
// hostile file holds: each loads or is refused with the reader's error, and
// the sanitizer build sees no overflow on the way.
#include <algorithm>
#include <functional>
#include <memory>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "AllForms.h"
#include "FormReader.h"
#include "Resources.h"

namespace ostrel::test {
namespace {

using namespace fw;

const char* const kExtremes[] = {"2147483647", "-2147483648", "2147483648", "9223372036854775807",
                                 "-9223372036854775808", "99999999999999999999", "65536", "32768",
                                 "-32769", "1000000", "-1", "0"};

struct TFormFile {
  const char* resource;
  std::function<TCustomForm*()> make;
};

// The lines of a form file and which of them set a whole-number property.
struct TNumberLines {
  std::vector<std::string> lines;
  std::vector<std::size_t> numeric;
  std::vector<std::string> names;  // the property of each numeric line
};

TNumberLines Split(const std::string& text) {
  static const std::regex number(R"(^\s*([A-Za-z_][\w.]*) = -?\d+\s*$)");
  TNumberLines n;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    std::smatch m;
    if (std::regex_match(line, m, number)) {
      n.numeric.push_back(n.lines.size());
      n.names.push_back(m[1]);
    }
    n.lines.push_back(line);
  }
  return n;
}

std::string WithValue(std::string line, const std::string& value) {
  return line.substr(0, line.find(" = ") + 3) + value;
}

class FormNumbers : public AllFormsTest {
protected:
  // Reads text into a fresh form and shows it; false when the reader refused it.
  bool Load(const TFormFile& file, const std::string& text) {
    std::unique_ptr<TCustomForm> f(file.make());
    try {
      ReadComponentText(f.get(), text, file.resource);
    } catch (const EReadError&) {
      return false;
    }
    try {
      f->Show();
      Application->ProcessMessages();
      f->SetClientWidth(f->ClientWidth() + 1);
      f->SetClientHeight(f->ClientHeight() + 1);
    } catch (const Exception&) {
      // The forms' own handlers may refuse to show without their tables.
    }
    return true;
  }
};

TEST_F(FormNumbers, ExtremeNumbersLoadOrAreRefused) {
  OpenAll(false);
  const TFormFile files[] = {
      {"TFORM1", [] { return new TForm1(nullptr); }},
      {"TNEWDATAFORM", [] { return new TNewDataForm(nullptr); }},
      {"TFORM3", [] { return new TForm3(nullptr); }},
      {"TABORTPRINTING", [] { return new TAbortPrinting(nullptr); }},
  };
  std::mt19937 rng(20240614);
  int loaded = 0, refused = 0;
  for (const TFormFile& file : files) {
    SCOPED_TRACE(file.resource);
    const TNumberLines n = Split(ResourceText(file.resource));
    ASSERT_FALSE(n.numeric.empty());
    auto join = [](const std::vector<std::string>& lines) {
      std::string s;
      for (const std::string& l : lines) s += l + "\n";
      return s;
    };
    // Every line of one property at once, for each extreme.
    std::vector<std::string> names = n.names;
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    for (const std::string& name : names)
      for (const char* value : kExtremes) {
        std::vector<std::string> lines = n.lines;
        for (std::size_t k = 0; k < n.numeric.size(); ++k)
          if (n.names[k] == name) lines[n.numeric[k]] = WithValue(lines[n.numeric[k]], value);
        (Load(file, join(lines)) ? loaded : refused)++;
      }
    // Mixtures of values the reader takes: the largest positions and sizes it allows.
    const std::string inRange[] = {"32767", "-32768", "0", "1", "-1", "255", "65535"};
    for (int round = 0; round < 20; ++round) {
      std::vector<std::string> lines = n.lines;
      for (std::size_t k : n.numeric)
        if (std::uniform_int_distribution<int>(0, 2)(rng) == 0)
          lines[k] = WithValue(lines[k], inRange[std::uniform_int_distribution<std::size_t>(0, 6)(rng)]);
      (Load(file, join(lines)) ? loaded : refused)++;
    }
  }
  EXPECT_GT(loaded, 0);
  EXPECT_GT(refused, 0);
}

}  // namespace
}  // namespace ostrel::test
