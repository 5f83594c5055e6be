// The seating file "Seating.dat": the tree's nodes, the two build options and
// the tree's font, as text lines ending in CR LF:
//
//   1 when "Use Icons" is checked, else 0, then a blank
//   1 when "Only RSVP" is checked, else 0, then a blank
//   the font's name
//   the font's size in points, then a blank
//   1 when the font is bold, else 0, then a blank
//   1 when the font is italic, else 0, then a blank
//   the number of nodes, then a blank
//   per node in tree order: level, state icon, node icon and text, one blank
//   between them (the text may hold blanks and runs to the end of the line)
//
// Writing makes every text one line of plain text (a control character
// becomes a blank, a byte that is not UTF-8 the replacement character), so
// that whatever is written reads back. Reading takes CR, LF or CR LF as a
// line end and checks the whole file before anything is given back, so that
// a damaged file never replaces a sound tree.
#pragma once
#include <string>
#include <vector>

namespace ostrel {

inline constexpr const char* SeatingFileName = "Seating.dat";

// One node of the tree as the file holds it.
struct TSeatingNode {
  int Level = 0;
  int StateIndex = -1;
  int ImageIndex = 0;
  std::string Text;
  bool operator==(const TSeatingNode&) const = default;
};

struct TSeatingTree {
  bool UseIcons = false;
  bool OnlyRSVP = false;
  std::string FontName;
  int FontSize = 0;
  bool Bold = false;
  bool Italic = false;
  std::vector<TSeatingNode> Nodes;
  bool operator==(const TSeatingTree&) const = default;
};

// What a node line may hold: the state icons of ImageList1 with -1 for none,
// the node icons of ImageList2 with -1 for none, and font sizes either way
// of 0 (a negative size is a height in pixels).
inline constexpr int MinStateIcon = -1, MaxStateIcon = 9;
inline constexpr int MinNodeIcon = -1, MaxNodeIcon = 12;
inline constexpr int MaxFontSize = 1638;

// The bytes of the file.
std::string SeatingFileText(const TSeatingTree& Tree);

// Reads the bytes of a file into Tree. False, with Tree untouched and Error
// telling the line and what is wrong with it, when the file is not sound.
bool ParseSeatingFile(const std::string& Bytes, TSeatingTree& Tree, std::string& Error);

// Writes the file through a temporary file beside it that replaces it only
// once every write and the close have succeeded; false, with the old file
// whole, when any step fails.
bool WriteSeatingFile(const std::string& FileName, const TSeatingTree& Tree);

enum class TSeatingRead { Ok, NotFound, Unreadable, Malformed };
// Reads and checks the file; Error tells what is wrong with a malformed one.
TSeatingRead ReadSeatingFile(const std::string& FileName, TSeatingTree& Tree, std::string& Error);

}  // namespace ostrel
