#include "SampleGuests.h"

#include <filesystem>

#include "Fields.h"
#include "Table.h"

using namespace fw;

namespace sample {

const char* const MenuTexts[6] = {"Roast Beef", "Fish", "Chicken", "Pasta Primavera", "", ""};

namespace {

const char* const ZipPicture = "#####[-####]";
const char* const PhonePicture = "(###)###-####";

std::string Numbered(const char* name, int n) { return name + std::to_string(n); }

void AddGuestFields(TFieldDefs* f) {
  f->Add("Title", ftString, 15);
  f->Add("FirstN", ftString, 20);
  f->Add("LastN", ftString, 25);
  f->Add("Spouse", ftString, 20);
  f->Add("AddLine1", ftString, 40);
  f->Add("AddLine2", ftString, 40);
  f->Add("City", ftString, 25);
  f->Add("State", ftString, 20);
  f->Add("ZipCode", ftString, 10);
  f->Add("Country", ftString, 20);
  f->Add("Home_Phone", ftString, 13);
  f->Add("Work_Phone", ftString, 13);
  f->Add("Guest_Name", ftString, 40);
  f->Add("Num_Kids", ftSmallint);
  f->Add("KidsAges", ftString, 255);
  f->Add("KidsMenuItems", ftString, 255);
  f->Add("FirstNameMenu", ftSmallint);
  f->Add("SpouseMenu", ftSmallint);
  f->Add("GuestMenu", ftSmallint);
  f->Add("TableNum", ftInteger);
  f->Add("TableNumTot", ftInteger);
  f->Add("AdultsThis", ftSmallint);
  f->Add("GueEd17", ftSmallint);
  f->Add("GueEd18", ftSmallint);
  for (int i = 1; i <= 7; ++i) f->Add(Numbered("Event_Ck", i), ftBoolean);
  for (int i = 1; i <= 7; ++i) f->Add(Numbered("RSVP_Ck", i), ftBoolean);
  for (int i = 1; i <= 7; ++i) f->Add(Numbered("NumAttend", i), ftSmallint);
  for (int i = 1; i <= 7; ++i) f->Add(Numbered("ThankYou", i), ftBoolean);
  for (int i = 1; i <= 7; ++i) f->Add(Numbered("Registered", i), ftBoolean);
  f->Add("GuestOfBride", ftBoolean);
  f->Add("GuestOfGroom", ftBoolean);
  for (int i = 3; i <= 7; ++i) f->Add(Numbered("GuestOfCk", i), ftBoolean);
}

void SetText(TTable& t, const char* field, const std::string& value) {
  if (!value.empty()) t.FieldByName(field)->SetAsString(value);
}

void SetInt(TTable& t, const char* field, std::optional<int> value) {
  if (value) t.FieldByName(field)->SetAsInteger(*value);
}

}  // namespace

void CreateTables(const std::string& Dir) {
  std::filesystem::create_directories(Dir);
  auto guests = std::make_unique<TTable>(nullptr);
  guests->SetDatabaseName(Dir);
  guests->SetTableName(GuestTableName);
  guests->SetTableType(ttKalmure);
  AddGuestFields(guests->FieldDefs());
  guests->CreateTable({{"ZipCode", ZipPicture}, {"Home_Phone", PhonePicture}, {"Work_Phone", PhonePicture}});

  auto event = std::make_unique<TTable>(nullptr);
  event->SetDatabaseName(Dir);
  event->SetTableName(EventTableName);
  event->SetTableType(ttKalmure);
  event->FieldDefs()->Add("Event1", ftString, 40);
  for (int i = 1; i <= 6; ++i) event->FieldDefs()->Add(Numbered("MenuItem", i), ftString, 40);
  event->CreateTable();
  event->Open();
  event->Append();
  event->FieldByName("Event1")->SetAsString(EventName);
  for (int i = 1; i <= 6; ++i) SetText(*event, Numbered("MenuItem", i).c_str(), MenuTexts[i - 1]);
  event->Post();
  event->Close();
}

void OpenGuestTable(TTable& Table, const std::string& Dir) {
  Table.SetDatabaseName(Dir);
  Table.SetTableName(GuestTableName);
  Table.SetTableType(ttKalmure);
  Table.Open();
}

void AppendGuest(TTable& t, const TGuest& g) {
  t.Append();
  // The defaults the guest form gives a new record, then the guest's own values.
  for (const char* f : {"Num_Kids", "AdultsThis", "GueEd17", "GueEd18", "TableNum", "TableNumTot"})
    t.FieldByName(f)->SetAsInteger(0);
  for (int i = 1; i <= 7; ++i) {
    t.FieldByName(Numbered("Event_Ck", i))->SetAsBoolean(i == 1);
    t.FieldByName(Numbered("ThankYou", i))->SetAsBoolean(false);
    t.FieldByName(Numbered("Registered", i))->SetAsBoolean(false);
    t.FieldByName(Numbered("RSVP_Ck", i))->SetAsBoolean(false);
    t.FieldByName(Numbered("NumAttend", i))->SetAsInteger(0);
  }
  for (const char* f : {"GuestOfBride", "GuestOfGroom"}) t.FieldByName(f)->SetAsBoolean(false);
  for (int i = 3; i <= 7; ++i) t.FieldByName(Numbered("GuestOfCk", i))->SetAsBoolean(false);

  if (g.TableNum)
    t.FieldByName("TableNum")->SetAsInteger(*g.TableNum);
  else
    t.FieldByName("TableNum")->Clear();
  if (g.Num_Kids)
    t.FieldByName("Num_Kids")->SetAsInteger(*g.Num_Kids);
  else
    t.FieldByName("Num_Kids")->Clear();
  if (g.RSVP)
    t.FieldByName("RSVP_Ck1")->SetAsBoolean(*g.RSVP);
  else
    t.FieldByName("RSVP_Ck1")->Clear();
  SetText(t, "Title", g.Title);
  SetText(t, "FirstN", g.FirstN);
  SetText(t, "LastN", g.LastN);
  SetText(t, "Spouse", g.Spouse);
  SetText(t, "Guest_Name", g.Guest_Name);
  SetInt(t, "FirstNameMenu", g.FirstNameMenu);
  SetInt(t, "SpouseMenu", g.SpouseMenu);
  SetInt(t, "GuestMenu", g.GuestMenu);
  SetText(t, "KidsAges", g.KidsAges);
  SetText(t, "KidsMenuItems", g.KidsMenuItems);
  SetText(t, "AddLine1", g.AddLine1);
  SetText(t, "City", g.City);
  SetText(t, "State", g.State);
  SetText(t, "ZipCode", g.ZipCode);
  SetText(t, "Home_Phone", g.Home_Phone);
  int attending = 0;
  if (g.RSVP.value_or(false)) {
    attending = 1 + !g.Spouse.empty() + !g.Guest_Name.empty() + g.Num_Kids.value_or(0);
    t.FieldByName("NumAttend1")->SetAsInteger(attending);
  }
  t.Post();
}

const std::vector<TGuest>& SampleGuests() {
  // In an order that makes the first-seen table numbers 2, 10, blank, 1, 5, 3, 6, 4.
  static const std::vector<TGuest> guests = {
      {.TableNum = 2, .Title = "Mr. and Mrs.", .FirstN = "Robert", .LastN = "Hughes", .Spouse = "Elaine",
       .RSVP = true, .FirstNameMenu = 1, .SpouseMenu = 2, .Num_Kids = 2, .KidsAges = "10, 12",
       .AddLine1 = "14 Orchard Lane", .City = "Springfield", .State = "Ohio", .ZipCode = "45501",
       .Home_Phone = "(937)555-0142"},
      {.TableNum = 10, .Title = "Mr. and Mrs.", .FirstN = "Henry", .LastN = "Adams", .Spouse = "Claire",
       .RSVP = true, .FirstNameMenu = 4, .SpouseMenu = 4, .AddLine1 = "9 Elm Street", .City = "Dayton",
       .State = "Ohio", .ZipCode = "45402-1130", .Home_Phone = "(937)555-0187"},
      {.Title = "Mr.", .FirstN = "Jacob", .LastN = "Stein", .RSVP = false, .FirstNameMenu = 1,
       .AddLine1 = "301 River Road", .City = "Columbus", .State = "Ohio", .ZipCode = "43215"},
      {.TableNum = 1, .Title = "Mr. and Mrs.", .FirstN = "John", .LastN = "Lee", .Spouse = "Ann", .RSVP = true,
       .FirstNameMenu = 2, .SpouseMenu = 0, .Num_Kids = 3, .KidsAges = "4,7", .KidsMenuItems = "1, 2",
       .AddLine1 = "22 Maple Court", .City = "Springfield", .State = "Ohio", .ZipCode = "45503",
       .Home_Phone = "(937)555-0110"},
      {.TableNum = 5, .Title = "Mr. and Mrs.", .FirstN = "William", .LastN = "Brown", .Spouse = "Linda",
       .RSVP = true, .FirstNameMenu = 3, .SpouseMenu = 1, .Num_Kids = 4, .KidsAges = "2,5,8,11",
       .KidsMenuItems = "1,1,3,3", .AddLine1 = "8 Birch Avenue", .City = "Xenia", .State = "Ohio",
       .ZipCode = "45385", .Home_Phone = "(937)555-0164"},
      {.TableNum = 3, .Title = "Mr. and Mrs.", .FirstN = "David", .LastN = "Cohen", .Spouse = "Miriam",
       .RSVP = true, .FirstNameMenu = 4, .SpouseMenu = 4, .Num_Kids = 1, .KidsMenuItems = "4",
       .AddLine1 = "51 Hill Street", .City = "Dayton", .State = "Ohio", .ZipCode = "45409"},
      {.TableNum = 6, .Title = "Mr. and Mrs.", .FirstN = "Frank", .LastN = "Wilson", .Spouse = "Joan",
       .RSVP = true, .FirstNameMenu = 1, .SpouseMenu = 2, .AddLine1 = "7 Pine Way", .City = "Fairborn",
       .State = "Ohio", .ZipCode = "45324"},
      {.TableNum = 4, .Title = "Mr. and Mrs.", .FirstN = "George", .LastN = "Miller", .Spouse = "Susan",
       .RSVP = false, .FirstNameMenu = 1, .SpouseMenu = 1, .AddLine1 = "88 Lake Drive", .City = "Kettering",
       .State = "Ohio", .ZipCode = "45429", .Home_Phone = "(937)555-0133"},
      {.TableNum = 1, .Title = "Mr.", .FirstN = "Peter", .LastN = "Novak", .Guest_Name = "Maria Santos",
       .RSVP = true, .FirstNameMenu = 1, .GuestMenu = 3, .City = "Cincinnati", .State = "Ohio"},
      {.TableNum = 2, .Title = "Miss", .FirstN = "Olivia", .LastN = "Brandt", .RSVP = false, .FirstNameMenu = 2},
      {.TableNum = 2, .Title = "Mr.", .FirstN = "Tomas", .LastN = "Reyes", .RSVP = true, .FirstNameMenu = 9},
      {.TableNum = 2, .Title = "Mrs.", .FirstN = "Helen", .LastN = "Park", .FirstNameMenu = 5},
      {.TableNum = 3, .Title = "Mr.", .FirstN = "Arjun", .LastN = "Mehta", .Guest_Name = "Priya Shah",
       .RSVP = true, .FirstNameMenu = 3, .GuestMenu = 4},
      {.TableNum = 3, .Title = "Ms.", .FirstN = "Fatima", .LastN = "Haddad", .RSVP = false, .FirstNameMenu = 2},
      {.TableNum = 3, .Title = "Mr. and Mrs.", .FirstN = "Kenji", .LastN = "Watanabe", .Spouse = "Yuki",
       .RSVP = true, .FirstNameMenu = 1, .SpouseMenu = 3, .Num_Kids = 2, .KidsAges = "6", .KidsMenuItems = "3"},
      {.TableNum = 4, .Title = "Mr.", .FirstN = "Luca", .LastN = "Romano", .RSVP = true, .FirstNameMenu = 0},
      {.TableNum = 4, .Title = "Miss", .FirstN = "Emma", .LastN = "Schulz", .Guest_Name = "Noah Fischer",
       .RSVP = true, .FirstNameMenu = 2, .GuestMenu = 0},
      {.TableNum = 4, .FirstN = "Sam", .LastN = "Taylor", .RSVP = true, .FirstNameMenu = 1},
      {.TableNum = 5, .Title = "Mrs.", .FirstN = "Rosa", .LastN = "Alvarez", .RSVP = true, .FirstNameMenu = 4},
      {.TableNum = 5, .Title = "Mr.", .FirstN = "Daniel", .LastN = "Kim", .RSVP = false, .FirstNameMenu = 1},
      {.TableNum = 5, .Title = "Mr. and Mrs.", .FirstN = "Ahmed", .LastN = "Karim", .Spouse = "Leila",
       .RSVP = true, .FirstNameMenu = 2, .SpouseMenu = 4, .Num_Kids = 2, .KidsAges = "3, 5",
       .KidsMenuItems = "12"},
      {.TableNum = 6, .Title = "Ms.", .FirstN = "Nora", .LastN = "Quinn", .Guest_Name = "Liam Byrne",
       .RSVP = true, .FirstNameMenu = 3, .GuestMenu = 1},
      {.TableNum = 6, .Title = "Mr.", .FirstN = "Oscar", .LastN = "Petrov", .FirstNameMenu = 2},
      {.TableNum = 6, .Title = "Mrs.", .FirstN = "Irene", .LastN = "Costa", .RSVP = true, .FirstNameMenu = 1,
       .Num_Kids = 1},
      {.TableNum = 10, .Title = "Mr.", .FirstN = "Paul", .LastN = "Durand", .RSVP = true, .FirstNameMenu = 3},
      {.TableNum = 10, .Title = "Miss", .FirstN = "Sofia", .LastN = "Marino", .RSVP = false, .FirstNameMenu = 2},
      {.TableNum = 10, .Title = "Mr. and Mrs.", .FirstN = "Ethan", .LastN = "Clark", .Spouse = "Mia", .RSVP = true,
       .FirstNameMenu = 1, .SpouseMenu = 1, .Num_Kids = 2, .KidsAges = "1,4", .KidsMenuItems = "2, 6"},
      {.Title = "Ms.", .FirstN = "Hannah", .LastN = "Berg", .FirstNameMenu = 2},
      {.Title = "Mr. and Mrs.", .FirstN = "Leo", .LastN = "Martin", .Spouse = "Chloe", .RSVP = true,
       .FirstNameMenu = 3, .SpouseMenu = 2, .Num_Kids = std::nullopt},
      {.TableNum = -1, .Title = "Mr.", .FirstN = "Carl", .LastN = "Jensen", .RSVP = false, .FirstNameMenu = 1},
      {.TableNum = 1, .Title = "Mrs.", .FirstN = "Margaret", .LastN = "Lee", .RSVP = true, .FirstNameMenu = 3},
      {.TableNum = 1, .Title = "Ms.", .FirstN = "Clara", .LastN = "Lindqvist", .RSVP = true, .FirstNameMenu = 4},
      {.TableNum = 1, .Title = "Dr. and Mrs.", .FirstN = "Samuel", .LastN = "Okafor", .Spouse = "Grace",
       .RSVP = true, .FirstNameMenu = 3, .SpouseMenu = 3},
      {.TableNum = 2, .Title = "Mr. and Mrs.", .FirstN = "Anthony", .LastN = "Russo", .Spouse = "Gina",
       .RSVP = true, .FirstNameMenu = 1, .SpouseMenu = 1, .Num_Kids = 2, .KidsAges = "15,17",
       .KidsMenuItems = "1,3"},
      {.TableNum = 3, .Title = "Miss", .FirstN = "Lucy", .LastN = "Grant", .Guest_Name = "Ben Howard",
       .RSVP = false, .FirstNameMenu = 4, .GuestMenu = 2},
      {.TableNum = 4, .Title = "Mr.", .FirstN = "Igor", .LastN = "Volkov", .RSVP = true, .FirstNameMenu = 3},
      {.TableNum = 5, .Title = "Ms.", .FirstN = "Amara", .LastN = "Nwosu", .RSVP = true, .FirstNameMenu = 2},
      {.TableNum = 6, .Title = "Mr. and Mrs.", .FirstN = "Simon", .LastN = "Wright", .Spouse = "Alice",
       .RSVP = false, .FirstNameMenu = 2, .SpouseMenu = 3},
      {.TableNum = 10, .Title = "Mrs.", .FirstN = "Diane", .LastN = "Fox", .Guest_Name = "Mark Fox", .RSVP = true,
       .FirstNameMenu = 1, .GuestMenu = 1},
      {.Title = "Dr.", .FirstN = "Ruth", .LastN = "Adler", .RSVP = true, .FirstNameMenu = 4},
  };
  return guests;
}

void MakeSampleGuests(const std::string& Dir) {
  CreateTables(Dir);
  auto t = std::make_unique<TTable>(nullptr);
  OpenGuestTable(*t, Dir);
  for (const TGuest& g : SampleGuests()) AppendGuest(*t, g);
  t->Close();
}

}  // namespace sample
