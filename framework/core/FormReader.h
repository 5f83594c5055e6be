// The form-file reader: text form files of nested blocks
//
//   object Form1: TForm1
//     Caption = 'Velloria Seating'
//     Font.Style = [fsBold]
//     OnCreate = FormCreate
//     object Panel1: TPanel
//       Align = alLeft
//       object Memo1: TMemo
//         Lines.Strings = (
//           'first line'
//           'second line')
//       end
//     end
//   end
//
// Values: integers (123, -5, $FF), floats (1.5, 2E3), strings ('it''s', #13,
// pieces joined directly or with +), identifiers (enumeration values, True,
// False, nil, component names, handler names, colour names), sets ([a, b]),
// lists (( ... )), collections (< item ... end >) and binary data ({ 0A1B }).
//
// The reader creates each component through the class registry, owned by the
// root and nested under its enclosing component (SetParentComponent), sets its
// published properties, fills the root's published field of the same name,
// binds events to the root's published methods, resolves component
// references once the whole file is read, and then calls Loaded on every
// component, the root first, in the order they were read.
#pragma once
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "Classes.h"

namespace fw {

// One object block of a form file, as parsed.
struct TFormObject {
  std::string Name;
  std::string ClassName;
  int Line = 0;
  std::vector<TFormProperty> Props;
  std::vector<TFormObject> Children;
};

// Parses a form file's text; raises EReadError naming the file and the line.
TFormObject ParseFormText(std::string_view text, const std::string& fileName);

// Reads form text into Root, whose class must be or descend from the class the
// file names. Errors raise EReadError with "file(line): ..." and the name at
// fault; components created before the error stay owned by Root.
void ReadComponentText(TComponent* Root, std::string_view text, const std::string& fileName);

// Reads the form resource compiled into the program under resourceName
// (by convention the root's class name).
void ReadComponentRes(TComponent* Root, const std::string& resourceName);

// Finds a component by a name qualified with its form ("Form1.DataSource1")
// for references between forms; installed by the application layer.
using TFindGlobalComponent = std::function<TComponent*(std::string_view name)>;
void SetFindGlobalComponent(TFindGlobalComponent finder);

}  // namespace fw
